#include "app/gui/form1.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <utility>

#include "app/commandstates.h"
#include "effects/gui/effectsform.h"
#include "effects/gui/halogrid.h"
#include "effects/gui/raduvir.h"
#include "effects/gui/retouchtab.h"
#include "effects/gui/retouchview.h"
#include "platform/files.h"
#include "platform/gui/icons.h"
#include "platform/gui/qtutil.h"
#include "platform/inifile.h"
#include "repair/gui/droplist.h"
#include "repair/gui/photolists.h"
#include "ui/gui/aboutform.h"
#include "ui/gui/formmemory.h"
#include "ui/gui/help.h"
#include "ui/gui/joinforumform.h"
#include "ui/gui/tipdialog.h"
#include "ui/helpbook.h"

namespace vt::gui {

namespace {

const char kSection[] = "Init";
const char kUnset[] = "?";

} // namespace

TForm1::TForm1(const std::string& programDir, const QStringList& args, QWidget* parent)
    : QMainWindow(parent), programDir_(IncludeTrailingDelimiter(programDir)), args_(args) {
    setObjectName("Form1");
    createControls();
    createMenus();
    createPanels();
    FormMemory1 = new TFormMemory(this);
    FormMemory1->Restore();
    FormCreate();
}

TForm1::~TForm1() {
    // A run reports to the window: it ends before the window goes.
    if (BatchPanel->Running()) {
        BatchPanel->Stop();
        BatchPanel->WaitForEnd();
    }
    FormMemory1->Store();
    if (!destroyed_) FormDestroy();
}

// --------------------------------------------------------------------------
// Controls

QToolButton* TForm1::addToolButton(const char* name, const char* hint, const char* icon) {
    auto* b = new QToolButton(Panel1);
    b->setObjectName(name);
    b->setToolTip(hint);
    b->setAutoRaise(true);
    b->setFixedSize(23, 22);
    b->setIcon(ProgramIcon(icon));
    b->setIconSize(QSize(16, 16));
    Panel1->layout()->addWidget(b);
    return b;
}

void TForm1::createControls() {
    setWindowTitle("Vorantel");
    setWindowIcon(ProgramIcon("vorantel"));
    resize(800, 581);
    // Small enough for a small screen, large enough that the tabs' controls
    // never overlap and the photo view keeps a useful width.
    setMinimumSize(640, 480);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    auto* central = new QWidget(this);
    central->setObjectName("central");
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    // Tool bar.
    Panel1 = new QWidget(central);
    Panel1->setObjectName("Panel1");
    Panel1->setFixedHeight(32);
    auto* tools = new QHBoxLayout(Panel1);
    tools->setContentsMargins(4, 4, 4, 4);
    tools->setSpacing(1);
    sbNewCamera = addToolButton("sbNewCamera", "New Camera", "newcamera");
    sbOpenFile = addToolButton("sbOpenFile", "Add or Open Photo Files", "open");
    sbSave = addToolButton("sbSave", "Save Photo", "save");
    sbUndo = addToolButton("sbUndo", "Undo", "undo");
    sbUndo->setEnabled(false);
    sbFix = addToolButton("sbFix", "Fix Photos", "fix");
    sbEffects = addToolButton("sbEffects", "Add Effects", "effects");
    sbDelete = addToolButton("sbDelete", "Delete Items from List", "delete");
    sbReset = addToolButton("sbReset", "Restore Photo", "reset");
    sbHelp = addToolButton("sbHelp", "Help", "help");
    tools->addStretch(1);
    outer->addWidget(Panel1);

    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(2);
    outer->addLayout(body, 1);

    // Tabs.
    PageControl1 = new QTabWidget(central);
    PageControl1->setObjectName("PageControl1");
    PageControl1->setFixedWidth(273);
    body->addWidget(PageControl1);

    tsCamera = new QWidget;
    tsCamera->setObjectName("tsCamera");
    auto* camLayout = new QVBoxLayout(tsCamera);
    pnlCamera = new QWidget(tsCamera);
    pnlCamera->setObjectName("pnlCamera");
    auto* pnl = new QVBoxLayout(pnlCamera);
    pnl->setContentsMargins(0, 0, 0, 0);
    camLayout->addWidget(pnlCamera, 1);
    lblCameras = new QLabel("&Cameras", pnlCamera);
    lblCameras->setObjectName("lblCameras");
    cbCameras = new QComboBox(pnlCamera);
    cbCameras->setObjectName("cbCameras");
    cbCameras->setEditable(false);
    cbCameras->setToolTip("Choose a camera from this list");
    lblCameras->setBuddy(cbCameras);
    lbFixPoints = new QListWidget(pnlCamera);
    lbFixPoints->setObjectName("lbFixPoints");
    lbFixPoints->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    lbFixPoints->setToolTip("Hot pixels. Click on one to scroll the image.");
    lbFixPoints->setEnabled(false);
    imgHalo = new THaloGrid(pnlCamera);
    imgHalo->setObjectName("imgHalo");
    imgHalo->setFixedSize(88, 88);
    imgBrushIcon = new QLabel(pnlCamera);
    imgBrushIcon->setObjectName("imgBrushIcon");
    imgBrushIcon->setPixmap(ProgramIcon("brush").pixmap(16, 16));
    imgBrush = new TBrushSwatch(pnlCamera);
    imgBrush->setObjectName("imgBrush");
    imgBrush->setFixedSize(25, 25);
    imgBrush->setToolTip("Brush color");
    imgColorIcon = new QLabel(pnlCamera);
    imgColorIcon->setObjectName("imgColorIcon");
    imgColorIcon->setPixmap(ProgramIcon("palette").pixmap(16, 16));
    btnFixSingle = new QPushButton("Fix", pnlCamera);
    btnFixSingle->setObjectName("btnFixSingle");
    btnFixSingle->setToolTip("Fix hot pixels on current image");
    btnFixSingle->setEnabled(false);
    Label1 = new QLabel(pnlCamera);
    Label1->setObjectName("Label1");
    Label1->setAlignment(Qt::AlignCenter);
    ProgressBar1 = new QProgressBar(pnlCamera);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setValue(0);

    pnl->addWidget(lblCameras);
    pnl->addWidget(cbCameras);
    pnl->addWidget(lbFixPoints, 1);
    auto* haloRow = new QHBoxLayout;
    haloRow->addStretch(1);
    haloRow->addWidget(imgHalo);
    haloRow->addStretch(1);
    pnl->addLayout(haloRow);
    auto* brushRow = new QHBoxLayout;
    brushRow->addStretch(1);
    brushRow->addWidget(imgBrushIcon);
    brushRow->addWidget(imgBrush);
    brushRow->addWidget(imgColorIcon);
    brushRow->addStretch(1);
    pnl->addLayout(brushRow);
    pnl->addWidget(btnFixSingle);
    pnl->addWidget(Label1);
    pnl->addWidget(ProgressBar1);

    tsBatch = new QWidget;
    tsBatch->setObjectName("tsBatch");
    auto* batch = new QVBoxLayout(tsBatch);
    lbBatchList = new TDropList(tsBatch);
    lbBatchList->setObjectName("lbBatchList");
    lbBatchList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lbBatchList->setToolTip("Drag files here or use \"Add Images\" button");
    btnAddImagesToList = new QPushButton("Add Images to List", tsBatch);
    btnAddImagesToList->setObjectName("btnAddImagesToList");
    btnAddImagesToList->setToolTip("Click to reveal an Open dialog");
    btnFixBatch = new QPushButton("Fix", tsBatch);
    btnFixBatch->setObjectName("btnFixBatch");
    btnFixBatch->setToolTip("Click to start batch fix");
    // Shown in place of Fix while a run goes on.
    btnStopBatch = new QPushButton("Stop", tsBatch);
    btnStopBatch->setObjectName("btnStopBatch");
    btnStopBatch->setToolTip("Stop the batch fix after the photo in hand (Esc)");
    btnStopBatch->hide();
    lblFileName = new QLabel(tsBatch);
    lblFileName->setObjectName("lblFileName");
    lblFileName->setAlignment(Qt::AlignCenter);
    lblBatchProgress = new QLabel(tsBatch);
    lblBatchProgress->setObjectName("lblBatchProgress");
    lblBatchProgress->setAlignment(Qt::AlignCenter);
    pbBatchProgress = new QProgressBar(tsBatch);
    pbBatchProgress->setObjectName("pbBatchProgress");
    pbBatchProgress->setTextVisible(false);
    pbBatchProgress->setValue(0);
    batch->addWidget(lbBatchList, 1);
    batch->addWidget(btnAddImagesToList);
    batch->addWidget(btnFixBatch);
    batch->addWidget(btnStopBatch);
    batch->addWidget(lblFileName);
    batch->addWidget(lblBatchProgress);
    batch->addWidget(pbBatchProgress);

    tsRetouch = new QWidget;
    tsRetouch->setObjectName("tsRetouch");
    auto* retouch = new QVBoxLayout(tsRetouch);
    cbRetouchList = new TDropList(tsRetouch);
    cbRetouchList->setObjectName("cbRetouchList");
    cbRetouchList->setSelectionMode(QAbstractItemView::SingleSelection);
    Button1 = new QPushButton("Add Images to List", tsRetouch);
    Button1->setObjectName("Button1");
    btnRetouch = new QPushButton("Effects", tsRetouch);
    btnRetouch->setObjectName("btnRetouch");
    btnRetouch->setEnabled(false);
    btnReset = new QPushButton("Restore", tsRetouch);
    btnReset->setObjectName("btnReset");
    btnReset->setEnabled(false);
    retouch->addWidget(cbRetouchList, 1);
    retouch->addWidget(Button1);
    retouch->addWidget(btnRetouch);
    retouch->addWidget(btnReset);

    PageControl1->addTab(tsCamera, "Camera");
    PageControl1->addTab(tsBatch, "Batch");
    PageControl1->addTab(tsRetouch, "Retouch");
    PageControl1->setTabEnabled(1, false);

    // Photo view.
    ScrollBox1 = new QScrollArea(central);
    ScrollBox1->setObjectName("ScrollBox1");
    ScrollBox1->setWidgetResizable(true);
    Image1 = new TRaDuvir;
    Image1->setObjectName("Image1");
    ScrollBox1->setWidget(Image1);
    Shape1 = new TShape(Image1);
    Shape1->setObjectName("Shape1");
    Shape1->hide();
    body->addWidget(ScrollBox1, 1);

    setCentralWidget(central);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(true);
    StatusText = new QLabel(StatusBar1);
    StatusText->setObjectName("StatusText");
    StatusBar1->addWidget(StatusText, 1);
    setStatusBar(StatusBar1);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(100);
    cbRetouchTimer = new QTimer(this);
    cbRetouchTimer->setObjectName("cbRetouchTimer");
    cbRetouchTimer->setInterval(250);

    PictureLoader = [](const std::string& path) { return vt::LoadPhoto(path); };

    TipDialog1 = new TTipDialog(this);
    TipDialog1->setObjectName("TipDialog1");
    TipDialog1->Tips = TTipDialog::MainWindowTips();
    TipDialog1->TitleLabel = "Vorantel Tip of the Day";
    QFont titleFont = font();
    titleFont.setPixelSize(16);
    titleFont.setItalic(true);
    TipDialog1->TitleFont = titleFont;

    // Wiring of the controls' events; the panels wire their own.
    connect(sbNewCamera, &QToolButton::clicked, this, [this] { CameraPanel->NewCamera1Click(); });
    connect(sbOpenFile, &QToolButton::clicked, this, [this] { sbOpenFileClick(); });
    connect(sbSave, &QToolButton::clicked, this, [this] { sbSaveClick(); });
    connect(sbUndo, &QToolButton::clicked, this, [this] { RetouchView->sbUndoClick(); });
    connect(sbFix, &QToolButton::clicked, this, [this] { sbFixClick(); });
    connect(sbEffects, &QToolButton::clicked, this, [this] { RetouchTab->btnRetouchClick(); });
    connect(sbDelete, &QToolButton::clicked, this, [this] { DeleteItems1Click(); });
    connect(sbReset, &QToolButton::clicked, this, [this] { RetouchTab->btnResetClick(); });
    connect(sbHelp, &QToolButton::clicked, this, [this] { HelpTopics1Click(); });
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] { PageControl1Change(); });
    connect(lbBatchList, &QListWidget::itemSelectionChanged, this,
            [this] { RefreshCommandStates(); });
    // A choice in the retouch list is left alone until its photo loads: a
    // refresh while no picture is shown would take the choice away again.
    Button1->setToolTip("Click to reveal an Open dialog");
    connect(Button1, &QPushButton::clicked, this, [this] { btnAddImagesToListClick(); });
    connect(btnFixSingle, &QPushButton::clicked, this, [this] { Photo->btnFixSingleClick(); });
    StopBatchShortcut = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    StopBatchShortcut->setObjectName("StopBatchShortcut");
    // Live only while a run goes on, so that Escape reaches everything else.
    StopBatchShortcut->setEnabled(false);
    connect(StopBatchShortcut, &QShortcut::activated, this, [this] { BatchPanel->Stop(); });
    cbRetouchList->OnProcessDropped = [this](const QStringList& files) {
        RetouchTab->AddFiles(files);
        RefreshCommandStates();
    };
    for (QListWidget* list : std::initializer_list<QListWidget*>{lbBatchList, cbRetouchList}) {
        list->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(list, &QWidget::customContextMenuRequested, this,
                [this, list](const QPoint& pos) { showBatchMenu(list, pos); });
    }
    connect(btnRetouch, &QPushButton::clicked, this, [this] { RetouchTab->btnRetouchClick(); });
    connect(btnReset, &QPushButton::clicked, this, [this] { RetouchTab->btnResetClick(); });
}

void TForm1::createMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu1");
    auto action = [this](QMenu* menu, const char* name, const char* caption, auto handler) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, handler);
        return a;
    };

    File1 = bar->addMenu("&File");
    File1->setObjectName("File1");
    NewCamera1 =
        action(File1, "NewCamera1", "&New Camera", [this] { CameraPanel->NewCamera1Click(); });
    OpenExistingCameraFile1 = action(File1, "OpenExistingCameraFile1", "&Open Camera File",
                                     [this] { CameraPanel->OpenExistingCameraFile1Click(); });
    AnalyzePhotograph1 =
        action(File1, "AnalyzePhotograph1", "&Analyze Photograph", [this] { sbOpenFileClick(); });
    AnalyzePhotograph1->setEnabled(false);
    File1->addSeparator();
    SaveRetouchedPhotograph1 =
        action(File1, "SaveRetouchedPhotograph1", "&Save Retouched Photograph",
               [this] { Photo->SaveRetouchedPhotograph1Click(); });
    SavePhotographAs1 = action(File1, "SavePhotographAs1", "Save Photograph &As...",
                               [this] { Photo->SavePhotographAs1Click(); });
    File1->addSeparator();
    LocateFile2 =
        action(File1, "LocateFile2", "&Locate File", [this] { RetouchTab->LocateFile1Click(); });
    File1->addSeparator();
    // Quitting asks about unsaved changes like closing the window.
    Quit1 = action(File1, "Quit1", "&Quit", [this] { RequestClose(); });
    AnalyzePhotograph1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    SaveRetouchedPhotograph1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    SavePhotographAs1->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    Quit1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(File1, &QMenu::aboutToShow, this, [this] { File1Click(); });

    Edit1 = bar->addMenu("&Edit");
    Edit1->setObjectName("Edit1");
    DeleteItems1 =
        action(Edit1, "DeleteItems1", "&Delete From List", [this] { DeleteItems1Click(); });
    Fix1 = action(Edit1, "Fix1", "&Fix", [this] { sbFixClick(); });
    Edit1->addSeparator();
    Effects1 = action(Edit1, "Effects1", "&Effects", [this] { RetouchTab->btnRetouchClick(); });
    Reset1 = action(Edit1, "Reset1", "&Reset", [this] { RetouchTab->btnResetClick(); });
    Undo1 = action(Edit1, "Undo1", "&Undo", [this] { RetouchView->sbUndoClick(); });
    Undo1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    connect(Edit1, &QMenu::aboutToShow, this, [this] { Edit1Click(); });

    Help1 = bar->addMenu("&Help");
    Help1->setObjectName("Help1");
    HelpTopics1 = action(Help1, "HelpTopics1", "&Help Topics", [this] { HelpTopics1Click(); });
    ShowNextTip1 = action(Help1, "ShowNextTip1", "Show Next &Tip", [this] { ShowNextTip1Click(); });
    Help1->addSeparator();
    AboutVorantel1 =
        action(Help1, "AboutVorantel1", "&About Vorantel", [this] { AboutVorantel1Click(); });
    Help1->addSeparator();
    JointheTarnwickForum1 = action(Help1, "JointheTarnwickForum1", "&Join the Tarnwick Forum",
                                   [this] { JointheTarnwickForum1Click(); });

    pmBatch = new QMenu(this);
    pmBatch->setObjectName("pmBatch");
    DeleteItems2 =
        action(pmBatch, "DeleteItems2", "&Delete From List", [this] { DeleteItems1Click(); });
    LocateFile1 =
        action(pmBatch, "LocateFile1", "&Locate File", [this] { RetouchTab->LocateFile1Click(); });
    Effects2 = action(pmBatch, "Effects2", "&Effects", [this] { RetouchTab->btnRetouchClick(); });
    connect(pmBatch, &QMenu::aboutToShow, this, [this] { Edit1Click(); });

    pmHalo = new QMenu(this);
    pmHalo->setObjectName("pmHalo");
    SetBrush1 = pmHalo->addAction("Set Brush");
    SetBrush1->setObjectName("SetBrush1");
    SelectAColor1 = pmHalo->addAction("Select a Color");
    SelectAColor1->setObjectName("SelectAColor1");
}

void TForm1::createPanels() {
    TCameraPanel::Controls camera;
    camera.window = this;
    camera.cbCameras = cbCameras;
    camera.lbFixPoints = lbFixPoints;
    camera.Label1 = Label1;
    camera.ProgressBar1 = ProgressBar1;
    camera.btnFixSingle = btnFixSingle;
    camera.Shape1 = Shape1;
    camera.Image1 = Image1;
    CameraPanel = new TCameraPanel(camera, programDir_, odSingleShot, *this, this);

    TPhotoSession::Controls photo;
    photo.Image1 = Image1;
    photo.ScrollBox1 = ScrollBox1;
    photo.Shape1 = Shape1;
    photo.lbFixPoints = lbFixPoints;
    photo.btnFixSingle = btnFixSingle;
    photo.Label1 = Label1;
    photo.ProgressBar1 = ProgressBar1;
    Photo = new TPhotoSession(photo, odSingleShot, *this, this);

    TBatchPanel::Controls batch;
    batch.lbBatchList = lbBatchList;
    batch.btnAddImagesToList = btnAddImagesToList;
    batch.btnFixBatch = btnFixBatch;
    batch.btnStopBatch = btnStopBatch;
    batch.lblFileName = lblFileName;
    batch.lblBatchProgress = lblBatchProgress;
    batch.pbBatchProgress = pbBatchProgress;
    BatchPanel = new TBatchPanel(batch, odImageFile, *this, this);

    TRetouchView::Controls view;
    view.window = this;
    view.ScrollBox1 = ScrollBox1;
    view.Image1 = Image1;
    view.Shape1 = Shape1;
    view.imgHalo = imgHalo;
    view.imgBrush = imgBrush;
    view.lbFixPoints = lbFixPoints;
    view.Timer1 = Timer1;
    view.pmHalo = pmHalo;
    view.SetBrush1 = SetBrush1;
    view.SelectAColor1 = SelectAColor1;
    RetouchView = new TRetouchView(view, *this, this);

    EffectsForm = new TEffectsForm(this);
    // The dialog shares its context with the Retouch tab, but has a page of
    // its own in the book.
    EffectsForm->OnHelp = [this](int) { ShowHelpContext(kHelpEffectsDialog, EffectsForm); };
    TRetouchTab::Controls tab;
    tab.cbRetouchList = cbRetouchList;
    tab.cbRetouchTimer = cbRetouchTimer;
    tab.btnRetouch = btnRetouch;
    tab.btnReset = btnReset;
    tab.btnFixSingle = btnFixSingle;
    tab.ScrollBox1 = ScrollBox1;
    tab.Image1 = Image1;
    tab.EffectsForm = EffectsForm;
    RetouchTab = new TRetouchTab(tab, *this, this);
    RetouchTab->FileLocator = [](const std::string& path) {
        // The desktop's file manager, asked to show the file selected.
        QDBusMessage call = QDBusMessage::createMethodCall(
            "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
            "org.freedesktop.FileManager1", "ShowItems");
        call << QStringList{QUrl::fromLocalFile(Q(path)).toString()} << QString();
        QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 3000);
        if (reply.type() == QDBusMessage::ReplyMessage) return true;
        // Without one, open the folder that holds it.
        return QDesktopServices::openUrl(QUrl::fromLocalFile(Q(ExtractFilePath(path))));
    };
}

void TForm1::showBatchMenu(QWidget* list, const QPoint& pos) {
    if (!pmBatchAutoPopup) return;
    pmBatch->popup(list->mapToGlobal(pos));
}

QString TForm1::statusText() const {
    return StatusText->text();
}
void TForm1::SetStatusText(const QString& text) {
    StatusText->setText(text);
}

// --------------------------------------------------------------------------
// Start-up and shutdown

void TForm1::FormCreate() {
    RetouchView->Undo().Clear();
    Photo->SetUnsavedChanges(false);

    odSingleShot.initialDir = Q(programDir_);
    CameraPanel->odCamera.initialDir = Q(programDir_);
    odImageFile.initialDir = Q(programDir_);

    // Magnifier: eleven cells of the grid's designed height div 11.
    imgHalo->setCellSize(imgHalo->height() / THaloGrid::kCells);
    Shape1->resize(Shape1->penWidth() + 11, Shape1->penWidth() + 11);

    ClearPhoto();
    setWindowTitle("Vorantel");
    BatchPanel->Clear();

    Image1->setOnPictureChange([this] { PictureChanged(); });
    CameraPanel->FillCameraList();

    imgBrush->setColor(Qt::black);

    SetActiveTab(PageControl1, 0);

    readSettings();

    // A camera file names the library camera to choose; any other file is a
    // photo to repair, opened once the window shows.
    if (!args_.isEmpty() && !args_.first().startsWith('-')) {
        std::string file = ExtractFileName(S(args_.first()));
        if (SameText(ExtractFileExt(file), ".cam")) {
            QString name = Q(file.substr(0, file.size() - 4));
            int index = CameraPanel->findCameraName(name);
            if (index >= 0) cbCameras->setCurrentIndex(index);
        } else {
            commandLinePhoto_ = S(QFileInfo(args_.first()).absoluteFilePath());
        }
    }

    CameraPanel->cbCamerasChange();
    if (cbCameras->count() > 0) SetBatchEnabled(true);
    RefreshCommandStates();

    if (TipDialog1->ShowAtStart) TipDialog1->Execute(this);
}

void TForm1::readSettings() {
    TIniFile ini(programDir_ + "Vorantel.ini");
    int last = ini.ReadInteger(kSection, "LastCam", -1);
    // The index alone would pick another camera once a camera file was
    // added or removed outside the program: the name, while it exists,
    // decides.
    const std::string lastName = ini.ReadString(kSection, "LastCamName", "");
    if (int byName = lastName.empty() ? -1 : CameraPanel->findCameraName(Q(lastName)); byName >= 0)
        last = byName;
    cbCameras->setCurrentIndex(last >= 0 && last < cbCameras->count() ? last : -1);
    std::string single = ini.ReadString(kSection, "odSingleShot", kUnset);
    if (single != kUnset) odSingleShot.initialDir = Q(single);
    std::string images = ini.ReadString(kSection, "odImageFile", kUnset);
    if (images != kUnset) odImageFile.initialDir = Q(images);
    TipDialog1->ShowAtStart = ini.ReadBool(kSection, "TipOfTheDay", true);
}

void TForm1::writeSettings() {
    TIniFile ini(programDir_ + "Vorantel.ini");
    ini.WriteInteger(kSection, "LastCam", cbCameras->currentIndex());
    ini.WriteString(kSection, "LastCamName", S(cbCameras->currentText()));
    ini.WriteString(kSection, "odSingleShot", S(odSingleShot.startDir()));
    ini.WriteString(kSection, "odImageFile", S(odImageFile.startDir()));
    ini.WriteBool(kSection, "TipOfTheDay", TipDialog1->ShowAtStart);
}

void TForm1::FormDestroy() {
    if (destroyed_) return;
    destroyed_ = true;
    CameraPanel->FreeHotPixelList();
    BatchPanel->Clear();
    cbRetouchList->clear();
    SetActiveTab(PageControl1, 0);
    try {
        writeSettings();
    } catch (const std::exception&) {
        // The program is ending; there is nobody left to tell.
    }
    RetouchView->Undo().Clear();
}

void TForm1::OpenCommandLinePhoto() {
    if (commandLinePhoto_.empty()) return;
    const std::string path = std::exchange(commandLinePhoto_, std::string());
    ClearImgHalo();
    if (Photo->LoadPhotoForRepair(path)) RefreshCommandStates();
}

void TForm1::SetBatchEnabled(bool enabled) {
    PageControl1->setTabEnabled(1, enabled);
    btnAddImagesToList->setEnabled(enabled);
    btnFixBatch->setEnabled(enabled);
}

bool TForm1::MayClose() {
    // A batch run ends with the photo in hand; what it stored stays stored.
    if (BatchPanel->Running()) {
        BatchPanel->Stop();
        BatchPanel->WaitForEnd();
    }
    return Photo->MayReplace();
}

bool TForm1::RequestClose() {
    if (closing_) return false;
    closing_ = true;
    const bool may = MayClose();
    closing_ = false;
    if (!may) return false;
    mayClose_ = true;
    const bool closed = close();
    mayClose_ = false;
    return closed;
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (mayClose_) {
        event->accept();
        return;
    }
    // Asking, or waiting for a run to stop, inside the window system's own
    // close would let a second close request through and end the program
    // with the question still open: the request is taken up afterwards,
    // once, by RequestClose.
    event->ignore();
    if (!closing_) QTimer::singleShot(0, this, [this] { RequestClose(); });
}

void TForm1::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        ShowHelpContext(HelpContextOfTab(PageControl1->currentIndex()), this);
        return;
    }
    QMainWindow::keyPressEvent(event);
}

// --------------------------------------------------------------------------
// Command states and the displayed picture

void TForm1::PictureChanged() {
    const bool empty = Image1->Picture().empty();
    Image1->setMinimumSize(Image1->Picture().width(), Image1->Picture().height());
    const bool showMarker = PageControl1->currentIndex() == 0 && !empty;
    Shape1->setVisible(showMarker);
    imgHalo->setVisible(showMarker);
    imgBrush->setVisible(!empty);
    if (empty) ClearImgHalo();
    RefreshCommandStates();
}

void TForm1::RefreshCommandStates() {
    CommandInputs in;
    in.tab = WindowTab(PageControl1->currentIndex());
    in.cameraSelected = cbCameras->currentIndex() >= 0;
    in.batchEnabled = PageControl1->isTabEnabled(1);
    in.pictureEmpty = Image1->Picture().empty();
    in.hasDestination = !Photo->Destination().empty();
    in.newCamera = CameraPanel->NewCameraFlag();
    in.hotPixelsListed = lbFixPoints->count() > 0;
    in.fixSingleEnabled = OwnEnabled(btnFixSingle);
    in.resetEnabled = OwnEnabled(btnReset);
    in.undoAvailable = !RetouchView->Undo().empty();
    in.batchListed = lbBatchList->count() > 0;
    in.batchSelected = !lbBatchList->selectedItems().isEmpty();
    in.retouchSelected = !cbRetouchList->selectedItems().isEmpty();
    in.batchRunning = BatchPanel->Running();
    const CommandStates s = DeriveCommandStates(in);

    sbNewCamera->setEnabled(s.newCamera);
    NewCamera1->setEnabled(s.newCamera);
    OpenExistingCameraFile1->setEnabled(s.openCameraFile);
    sbOpenFile->setEnabled(s.openFile);
    AnalyzePhotograph1->setEnabled(s.openFile);
    AnalyzePhotograph1->setText(AnalyzeCaption(s));
    sbFix->setEnabled(s.fix);
    Fix1->setEnabled(s.fix);
    sbSave->setEnabled(s.save);
    sbEffects->setEnabled(s.effects);
    Effects1->setEnabled(s.effects);
    sbReset->setEnabled(s.reset);
    Reset1->setEnabled(s.reset);
    sbDelete->setEnabled(s.deleteItems);
    DeleteItems1->setEnabled(s.deleteItems);
    DeleteItems2->setEnabled(s.deleteItems);
    sbUndo->setEnabled(s.undo);
    Undo1->setEnabled(s.undo);
    if (s.hotPixelList) {
        lbFixPoints->setEnabled(*s.hotPixelList);
        imgHalo->setVisible(*s.hotPixelList);
    }
    LocateFile1->setVisible(s.locateVisible);
    Effects1->setVisible(s.locateVisible);
    Effects2->setVisible(s.locateVisible);
    Effects2->setEnabled(s.locateVisible);
    LocateFile2->setEnabled(s.locateEnabled);
    SaveRetouchedPhotograph1->setEnabled(s.saveMenus);
    SavePhotographAs1->setEnabled(s.saveMenus);
    btnRetouch->setEnabled(s.effectsButton);
    if (s.clearRetouchSelection) cbRetouchList->clearSelection();
}

void TForm1::LockForRun(bool running) {
    if (running) {
        lockedByBatch_.clear();
        for (QWidget* w : std::initializer_list<QWidget*>{
                 cbCameras, lbFixPoints, btnFixSingle, lbBatchList, btnAddImagesToList,
                 cbRetouchList, Button1, btnRetouch, btnReset, Image1, imgHalo, imgBrush}) {
            lockedByBatch_.emplace_back(w, OwnEnabled(w));
            w->setEnabled(false);
        }
    } else {
        for (auto [w, enabled] : lockedByBatch_)
            w->setEnabled(enabled);
        lockedByBatch_.clear();
    }
    // The magnifier's pop-up paints too.
    pmHalo->setEnabled(!running);
    StopBatchShortcut->setEnabled(running);
}

void TForm1::ClearImgHalo() {
    RetouchView->ClearImgHalo();
}

void TForm1::ClearPhoto() {
    Photo->Clear();
    imgHalo->hide();
}

void TForm1::File1Click() {
    RefreshCommandStates();
}
void TForm1::Edit1Click() {
    RefreshCommandStates();
}

void TForm1::PageControl1Change() {
    cbRetouchTimer->stop();
    pmBatchAutoPopup = true;
    if (Image1->Picture().empty()) {
        Shape1->hide();
        imgHalo->hide();
    } else {
        Shape1->setVisible(PageControl1->currentIndex() == 0);
    }
    RefreshCommandStates();
}

// --------------------------------------------------------------------------
// Routing by the active tab

void TForm1::sbOpenFileClick() {
    // Cancel keeps the displayed photo with its changes.
    if (!Photo->MayReplace()) {
        RefreshCommandStates();
        return;
    }
    if (PageControl1->currentIndex() == 0)
        Photo->OpenPhotoForRepair();
    else
        btnAddImagesToListClick();
}

void TForm1::btnAddImagesToListClick() {
    if (PageControl1->currentIndex() == 1) {
        BatchPanel->btnAddImagesToListClick();
        return;
    }
    RetouchTab->AddFiles(AskForImages(odImageFile));
    RefreshCommandStates();
}

void TForm1::sbFixClick() {
    switch (PageControl1->currentIndex()) {
    case 0:
        Photo->btnFixSingleClick();
        break;
    case 1:
        BatchPanel->btnFixBatchClick();
        break;
    default:
        break;
    }
}

void TForm1::sbSaveClick() {
    if (PageControl1->currentIndex() != 1) Photo->SaveRetouchedPhotograph1Click();
}

void TForm1::DeleteItems1Click() {
    bool removed = false;
    const int tab = PageControl1->currentIndex();
    if (tab == 0) {
        CameraPanel->DeleteCamera();
    } else {
        const bool selected =
            tab == 1 ? BatchPanel->HasSelection() : !RetouchTab->SelectedPath().empty();
        // The displayed photo goes with the entries: its changes first.
        if (selected && MayReplacePhoto())
            removed = tab == 1 ? BatchPanel->DeleteSelected() : RetouchTab->DeleteSelected();
    }
    if (removed) ClearPhoto();
    RefreshCommandStates();
}

void TForm1::HelpTopics1Click() {
    ShowHelpContext(kHelpContents, this);
}

void TForm1::AboutVorantel1Click() {
    TAboutForm form(this);
    dialogs().execModal(form);
}

void TForm1::JointheTarnwickForum1Click() {
    TJoinForumForm form(this);
    dialogs().execModal(form);
}

void TForm1::ShowNextTip1Click() {
    TipDialog1->Execute(this);
    TIniFile(programDir_ + "Vorantel.ini")
        .WriteBool(kSection, "TipOfTheDay", TipDialog1->ShowAtStart);
}

// --------------------------------------------------------------------------
// What the panels ask of the window

bool TForm1::MayReplacePhoto() {
    return Photo->MayReplace();
}

std::shared_ptr<const HotPixelList> TForm1::HotPixels() const {
    return CameraPanel->HotPixels();
}

void TForm1::AddToRetouchList(const std::string& path) {
    RetouchTab->AddToRetouchList(path);
}

void TForm1::ClearBatchList() {
    BatchPanel->Clear();
}

void TForm1::ShowBlackshot(Bitmap picture) {
    Photo->ShowBlackshot(std::move(picture));
}

void TForm1::ShowCameraTab() {
    SetActiveTab(PageControl1, 0);
}

void TForm1::ShowCameraName(const std::string& name) {
    setWindowTitle(name.empty() ? QString("Vorantel") : Q("Vorantel - " + name));
}

void TForm1::GoToFirstHotPixel() {
    RetouchView->SelectFirstFixPoint();
}

bool TForm1::CameraTabActive() const {
    return PageControl1->currentIndex() == 0;
}

bool TForm1::CameraSelected() const {
    return CameraPanel->CameraSelected();
}

bool TForm1::BatchEnabled() const {
    return PageControl1->isTabEnabled(1);
}

void TForm1::ShowStoredPhoto(Bitmap picture, const std::string& source, PhotoMetadata metadata,
                             const std::string& destination) {
    Photo->ShowStored(std::move(picture), source, std::move(metadata), destination);
}

void TForm1::SetUnsavedChanges(bool changed) {
    Photo->SetUnsavedChanges(changed);
}

std::string TForm1::CurrentDestination() const {
    return Photo->Destination();
}

void TForm1::ShowRetouchPhoto(const std::string& path, vt::Photo photo) {
    Photo->ShowRetouch(path, std::move(photo));
}

} // namespace vt::gui

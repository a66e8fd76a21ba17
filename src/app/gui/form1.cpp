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
#include <QScrollBar>
#include <QShortcut>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "app/gui/application.h"
#include "app/gui/form1util.h"
#include "app/gui/windowprogress.h"
#include "camera/analysis.h"
#include "camera/cameralibrary.h"
#include "camera/gui/newcameraform.h"
#include "effects/gui/effectsform.h"
#include "effects/gui/halogrid.h"
#include "effects/gui/raduvir.h"
#include "effects/gui/retouchtab.h"
#include "effects/gui/retouchview.h"
#include "imageio/fileformatlist.h"
#include "platform/files.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/icons.h"
#include "platform/gui/waitcursor.h"
#include "platform/inifile.h"
#include "repair/gui/batchrun.h"
#include "repair/gui/droplist.h"
#include "repair/photooutput.h"
#include "repair/repair.h"
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

const char kGraphicFilter[] =
    "Graphic Files|*.bmp;*.cut;*.pal;*.dib;*.fax;*.gif;*.icb;*.tga;*.vda;*.vst;*.win;*.jpg;"
    "*.jpeg;*.pcc;*.pcd;*.pdd;*.psd;*.png;*.ppm;*.psp;*.rgb;*.rgba;*.rla;*.rpf;*.sga;*.rle;*.tif;"
    "*.tiff;*.wmf"
    "|Bitmap (*.bmp)|*.bmp"
    "|Dr. Halo (*.cut;*.pal)|*.cut;*.pal"
    "|Device Independent Bitmaps (*.dib)|*.dib"
    "|GFI Fax (*.fax)|*.fax"
    "|Graphics Interchange Format (*.gif)|*.gif"
    "|Targa TrueVision (*.icb;*.tga;*.vda;*.vst;*.win)|*.icb;*.tga;*.vda;*.vst;*.win"
    "|Joint Photographics Experts Group (*.jpg;*.jpeg)|*.jpg;*.jpeg"
    "|PC Paintbrush (*.pcc)|*.pcc"
    "|Kodak Photo-CD (*.pcd)|*.pcd"
    "|Adobe Photoshop (*.pdd;*.psd)|*.pdd;*.psd"
    "|Portable Network Graphics (*.png)|*.png"
    "|Portable Pixmapped Graphics (*.ppm)|*.ppm"
    "|Paintshop Pro (*.psp)|*.psp"
    "|SGI (*.rgb;*.rgba;*.rla;*.rpf;*.sga)|*.rgb;*.rgba;*.rla;*.rpf;*.sga"
    "|Run-length Encoded BMP (*.rle)|*.rle"
    "|Tagged Image File Format (*.tif; *.tiff)|*.tif;*.tiff";

const char kSaveFilter[] = "JPEG|*.jpg|TIFF|*.tif|Bitmap|*.bmp";

} // namespace

const char* const TForm1::GraphicFilter = kGraphicFilter;
const char* const TForm1::SaveFilter = kSaveFilter;

TForm1::TForm1(const std::string& programDir, const QStringList& args, QWidget* parent)
    : QMainWindow(parent), programDir_(IncludeTrailingDelimiter(programDir)), args_(args) {
    setObjectName("Form1");
    createControls();
    createMenus();
    createRetouch();
    FormMemory1 = new TFormMemory(this);
    FormMemory1->Restore();
    FormCreate();
}

TForm1::~TForm1() {
    if (BatchRunning()) {
        BatchRun->Stop();
        BatchRun->WaitForEnd();
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

    NewCameraForm = new TNewCameraForm(this);
    PictureLoader = [](const std::string& path) { return vt::LoadPhoto(path); };
    FileLocator = [](const std::string& path) {
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

    TipDialog1 = new TTipDialog(this);
    TipDialog1->setObjectName("TipDialog1");
    TipDialog1->Tips = TTipDialog::MainWindowTips();
    TipDialog1->TitleLabel = "Vorantel Tip of the Day";
    QFont titleFont = font();
    titleFont.setPixelSize(16);
    titleFont.setItalic(true);
    TipDialog1->TitleFont = titleFont;

    // Wiring of the controls' events.
    connect(sbNewCamera, &QToolButton::clicked, this, [this] { NewCamera1Click(); });
    connect(sbOpenFile, &QToolButton::clicked, this, [this] { sbOpenFileClick(); });
    connect(sbSave, &QToolButton::clicked, this, [this] { sbSaveClick(); });
    connect(sbUndo, &QToolButton::clicked, this, [this] { sbUndoClick(); });
    connect(sbFix, &QToolButton::clicked, this, [this] { sbFixClick(); });
    connect(sbEffects, &QToolButton::clicked, this, [this] { btnRetouchClick(); });
    connect(sbDelete, &QToolButton::clicked, this, [this] { DeleteItems1Click(); });
    connect(sbReset, &QToolButton::clicked, this, [this] { btnResetClick(); });
    connect(sbHelp, &QToolButton::clicked, this, [this] { HelpTopics1Click(); });
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] { PageControl1Change(); });
    // Only a choice of the user runs the change handler.
    connect(cbCameras, &QComboBox::activated, this, [this] { cbCamerasChange(); });
    connect(lbBatchList, &QListWidget::itemSelectionChanged, this,
            [this] { RefreshCommandStates(); });
    // A choice in the retouch list is left alone until its photo loads: a
    // refresh while no picture is shown would take the choice away again.
    Button1->setToolTip("Click to reveal an Open dialog");
    connect(btnAddImagesToList, &QPushButton::clicked, this, [this] { btnAddImagesToListClick(); });
    connect(Button1, &QPushButton::clicked, this, [this] { btnAddImagesToListClick(); });
    connect(btnFixSingle, &QPushButton::clicked, this, [this] { btnFixSingleClick(); });
    BatchRun = new TBatchRun(*this);
    connect(btnFixBatch, &QPushButton::clicked, this, [this] { BatchRun->btnFixBatchClick(); });
    connect(btnStopBatch, &QPushButton::clicked, this, [this] { BatchRun->Stop(); });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setObjectName("StopBatchShortcut");
    connect(escape, &QShortcut::activated, this, [this] {
        if (BatchRunning()) BatchRun->Stop();
    });
    lbBatchList->OnDragEnter = [this] { return ddfxBatchDragEnter(); };
    lbBatchList->OnProcessDropped = [this](const QStringList& f) { ddfxBatchProcessDropped(f); };
    cbRetouchList->OnProcessDropped = [this](const QStringList& f) {
        ddfxRetouchProcessDropped(f);
    };
    for (QListWidget* list : std::initializer_list<QListWidget*>{lbBatchList, cbRetouchList}) {
        list->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(list, &QWidget::customContextMenuRequested, this,
                [this, list](const QPoint& pos) { showBatchMenu(list, pos); });
    }
    connect(btnRetouch, &QPushButton::clicked, this, [this] { btnRetouchClick(); });
    connect(btnReset, &QPushButton::clicked, this, [this] { btnResetClick(); });
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
    NewCamera1 = action(File1, "NewCamera1", "&New Camera", [this] { NewCamera1Click(); });
    OpenExistingCameraFile1 = action(File1, "OpenExistingCameraFile1", "&Open Camera File",
                                     [this] { OpenExistingCameraFile1Click(); });
    AnalyzePhotograph1 =
        action(File1, "AnalyzePhotograph1", "&Analyze Photograph", [this] { sbOpenFileClick(); });
    AnalyzePhotograph1->setEnabled(false);
    File1->addSeparator();
    SaveRetouchedPhotograph1 =
        action(File1, "SaveRetouchedPhotograph1", "&Save Retouched Photograph",
               [this] { SaveRetouchedPhotograph1Click(); });
    SavePhotographAs1 = action(File1, "SavePhotographAs1", "Save Photograph &As...",
                               [this] { SavePhotographAs1Click(); });
    File1->addSeparator();
    LocateFile2 = action(File1, "LocateFile2", "&Locate File", [this] { LocateFile1Click(); });
    File1->addSeparator();
    // Quitting asks about unsaved changes like closing the window.
    Quit1 = action(File1, "Quit1", "&Quit", [this] { close(); });
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
    Effects1 = action(Edit1, "Effects1", "&Effects", [this] { btnRetouchClick(); });
    Reset1 = action(Edit1, "Reset1", "&Reset", [this] { btnResetClick(); });
    Undo1 = action(Edit1, "Undo1", "&Undo", [this] { sbUndoClick(); });
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
    LocateFile1 = action(pmBatch, "LocateFile1", "&Locate File", [this] { LocateFile1Click(); });
    Effects2 = action(pmBatch, "Effects2", "&Effects", [this] { btnRetouchClick(); });
    connect(pmBatch, &QMenu::aboutToShow, this, [this] { Edit1Click(); });

    pmHalo = new QMenu(this);
    pmHalo->setObjectName("pmHalo");
    SetBrush1 = pmHalo->addAction("Set Brush");
    SetBrush1->setObjectName("SetBrush1");
    SelectAColor1 = pmHalo->addAction("Select a Color");
    SelectAColor1->setObjectName("SelectAColor1");
}

void TForm1::createRetouch() {
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
    RetouchView = new TRetouchView(view, UndoList, *this, this);

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
}

void TForm1::SetRetouchPhotoPath(const std::string& path, PhotoMetadata metadata) {
    odSingleShot.lastPickedDir = Q(ExtractFilePath(path));
    // Stored back over itself, as asked, keeping what the file carries.
    DestinationPath = path;
    PhotoSource = path;
    SourceMetadata = std::move(metadata);
    setStatusText(Q(path));
}

void TForm1::showBatchMenu(QWidget* list, const QPoint& pos) {
    if (!pmBatchAutoPopup) return;
    pmBatch->popup(list->mapToGlobal(pos));
}

QString TForm1::statusText() const {
    return StatusText->text();
}
void TForm1::setStatusText(const QString& text) {
    StatusText->setText(text);
}

// --------------------------------------------------------------------------
// Start-up and shutdown

void TForm1::FormCreate() {
    UndoList.Clear();
    UnsavedChanges = false;

    odSingleShot.initialDir = Q(programDir_);
    odCamera.initialDir = Q(programDir_);
    odImageFile.initialDir = Q(programDir_);

    cameraDir_ = CameraDirectoryOf(programDir_);
    CreateDir(cameraDir_); // exists already, or cannot be made: either way go on
    NewCameraFlag = false;

    // Magnifier: eleven cells of the grid's designed height div 11.
    imgHalo->setCellSize(imgHalo->height() / THaloGrid::kCells);
    Shape1->resize(Shape1->penWidth() + 11, Shape1->penWidth() + 11);

    ClearPhoto();
    setWindowTitle("Vorantel");
    BatchPaths.clear();

    Image1->setOnPictureChange([this] { PictureChanged(); });

    for (const std::string& name : EnumerateCameras(cameraDir_))
        addCameraName(Q(name));

    imgBrush->setColor(Qt::black);

    SetActiveTab(PageControl1, 0);

    readSettings();

    // A camera file names the library camera to choose; any other file is a
    // photo to repair, opened once the window shows.
    if (!args_.isEmpty() && !args_.first().startsWith('-')) {
        std::string file = ExtractFileName(S(args_.first()));
        if (SameText(ExtractFileExt(file), ".cam")) {
            QString name = Q(file.substr(0, file.size() - 4));
            int index = findCameraName(name);
            if (index >= 0) cbCameras->setCurrentIndex(index);
        } else {
            commandLinePhoto_ = S(QFileInfo(args_.first()).absoluteFilePath());
        }
    }

    cbCamerasChange();
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
    if (int byName = lastName.empty() ? -1 : findCameraName(Q(lastName)); byName >= 0)
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
    auto folder = [](const OpenDialogState& d) {
        return S(d.lastPickedDir.isEmpty() ? d.initialDir : d.lastPickedDir);
    };
    ini.WriteString(kSection, "odSingleShot", folder(odSingleShot));
    ini.WriteString(kSection, "odImageFile", folder(odImageFile));
    ini.WriteBool(kSection, "TipOfTheDay", TipDialog1->ShowAtStart);
}

void TForm1::FormDestroy() {
    if (destroyed_) return;
    destroyed_ = true;
    FreeHotPixelList();
    BatchPaths.clear();
    lbBatchList->clear();
    cbRetouchList->clear();
    SetActiveTab(PageControl1, 0);
    try {
        writeSettings();
    } catch (const std::exception&) {
        // The program is ending; there is nobody left to tell.
    }
    UndoList.Clear();
}

void TForm1::SetBatchEnabled(bool enabled) {
    PageControl1->setTabEnabled(1, enabled);
    btnAddImagesToList->setEnabled(enabled);
    btnFixBatch->setEnabled(enabled);
}

void TForm1::closeEvent(QCloseEvent* event) {
    // A batch run ends with the photo in hand; what it stored stays stored.
    if (BatchRunning()) {
        BatchRun->Stop();
        BatchRun->WaitForEnd();
    }
    if (UnsavedChanges && !PromptSaveChanges()) {
        event->ignore();
        return;
    }
    event->accept();
}

void TForm1::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        ShowHelpContext(HelpContextOfTab(PageControl1->currentIndex()), this);
        return;
    }
    QMainWindow::keyPressEvent(event);
}

// --------------------------------------------------------------------------
// Command states and photo state

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
    const int tab = PageControl1->currentIndex();
    const bool cameraSelected = cbCameras->currentIndex() >= 0;
    const bool batchEnabled = PageControl1->isTabEnabled(1);
    const bool pictureEmpty = Image1->Picture().empty();
    const bool retouchSelected = !cbRetouchList->selectedItems().isEmpty();
    const bool batchSelected = !lbBatchList->selectedItems().isEmpty();
    const bool undoNotEmpty = !UndoList.empty();

    switch (tab) {
    case 0: {
        sbOpenFile->setEnabled(cameraSelected);
        sbFix->setEnabled(OwnEnabled(btnFixSingle));
        const bool fixPoints = !NewCameraFlag && !pictureEmpty && lbFixPoints->count() > 0;
        lbFixPoints->setEnabled(fixPoints);
        imgHalo->setVisible(fixPoints);
        sbSave->setEnabled(fixPoints);
        sbEffects->setEnabled(false);
        sbReset->setEnabled(false);
        sbDelete->setEnabled(cameraSelected);
        sbUndo->setEnabled(undoNotEmpty);
        break;
    }
    case 1:
        sbOpenFile->setEnabled(batchEnabled);
        sbFix->setEnabled(lbBatchList->count() > 0 && batchEnabled);
        sbSave->setEnabled(false);
        sbEffects->setEnabled(false);
        sbReset->setEnabled(false);
        sbDelete->setEnabled(batchSelected && batchEnabled);
        sbUndo->setEnabled(false);
        break;
    default:
        sbOpenFile->setEnabled(true);
        sbFix->setEnabled(false);
        sbSave->setEnabled(retouchSelected && !pictureEmpty);
        sbEffects->setEnabled(retouchSelected && !pictureEmpty);
        sbReset->setEnabled(OwnEnabled(btnReset));
        sbDelete->setEnabled(retouchSelected);
        sbUndo->setEnabled(false);
        break;
    }

    DeleteItems1->setEnabled(sbDelete->isEnabled());
    LocateFile1->setVisible(tab == 2 && DeleteItems1->isEnabled());
    Effects1->setVisible(LocateFile1->isVisible());
    Effects2->setVisible(Effects1->isVisible());
    Effects2->setEnabled(Effects2->isVisible());
    const bool canSave = !NewCameraFlag && !pictureEmpty && tab != 1;
    SaveRetouchedPhotograph1->setEnabled(canSave);
    SavePhotographAs1->setEnabled(canSave);
    AnalyzePhotograph1->setEnabled(sbOpenFile->isEnabled());
    AnalyzePhotograph1->setText(tab == 0 ? "Analyze Photograph" : "Add Photographs to List");
    LocateFile2->setEnabled(LocateFile1->isVisible());
    DeleteItems2->setEnabled(DeleteItems1->isEnabled());
    Fix1->setEnabled(sbFix->isEnabled());
    Effects1->setEnabled(sbEffects->isEnabled());
    Reset1->setEnabled(sbReset->isEnabled());
    Undo1->setEnabled(sbUndo->isEnabled());
    if (pictureEmpty) cbRetouchList->clearSelection();

    if (BatchRunning()) {
        // Only looking is left while a batch runs.
        for (QAction* a : {NewCamera1, OpenExistingCameraFile1, AnalyzePhotograph1,
                           SaveRetouchedPhotograph1, SavePhotographAs1, DeleteItems1, DeleteItems2,
                           Fix1, Effects1, Effects2, Reset1, Undo1})
            a->setEnabled(false);
        for (QWidget* w :
             std::initializer_list<QWidget*>{sbNewCamera, sbOpenFile, sbSave, sbUndo, sbFix,
                                             sbEffects, sbDelete, sbReset, lbFixPoints})
            w->setEnabled(false);
    }
}

bool TForm1::BatchRunning() const {
    return BatchRun && BatchRun->Running();
}

void TForm1::BatchStarted() {
    lockedByBatch_.clear();
    for (QWidget* w : std::initializer_list<QWidget*>{
             cbCameras, lbFixPoints, btnFixSingle, lbBatchList, btnAddImagesToList, cbRetouchList,
             Button1, btnRetouch, btnReset, Image1}) {
        lockedByBatch_.emplace_back(w, OwnEnabled(w));
        w->setEnabled(false);
    }
    btnFixBatch->hide();
    btnStopBatch->show();
    btnStopBatch->setEnabled(true);
    RefreshCommandStates();
}

void TForm1::BatchEnded() {
    for (auto [w, enabled] : lockedByBatch_)
        w->setEnabled(enabled);
    lockedByBatch_.clear();
    btnStopBatch->hide();
    btnFixBatch->show();
}

void TForm1::ClearImgHalo() {
    imgHalo->fillAll(palette().button().color());
    UndoList.Clear();
    imgHalo->hide();
    imgHalo->update();
}

void TForm1::ClearPhoto() {
    Image1->setPictureOriginal(Bitmap(0, 0));
    Image1->ResetEffects();
    Shape1->hide();
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

void TForm1::DeleteItems1Click() {
    bool removed = false;
    switch (PageControl1->currentIndex()) {
    case 0:
        DeleteCamera();
        break;
    case 1:
        removed = DeleteSelectedItems(lbBatchList);
        break;
    default:
        removed = DeleteSelectedItems(cbRetouchList);
        break;
    }
    if (removed) ClearPhoto();
    RefreshCommandStates();
}

// --------------------------------------------------------------------------
// Commands whose flows come with the photo work; they keep their place in
// the window and its command states.

// The retouch flows live with the retouch view and the Retouch tab.
void TForm1::sbUndoClick() {
    RetouchView->sbUndoClick();
}
void TForm1::lbFixPointsClick() {
    RetouchView->lbFixPointsClick();
}
void TForm1::btnRetouchClick() {
    RetouchTab->btnRetouchClick();
}
void TForm1::btnResetClick() {
    RetouchTab->btnResetClick();
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

} // namespace vt::gui

namespace vt::gui {} // namespace vt::gui

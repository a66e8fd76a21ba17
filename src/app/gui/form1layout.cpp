// The main window's design: its controls with the names, texts and hints
// they are known by, its menus, and the panels that work on them.
#include <QAction>
#include <QComboBox>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
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

#include "app/gui/form1.h"
#include "effects/gui/effectsform.h"
#include "effects/gui/halogrid.h"
#include "effects/gui/photozoom.h"
#include "effects/gui/raduvir.h"
#include "effects/gui/retouchtab.h"
#include "effects/gui/retouchview.h"
#include "platform/files.h"
#include "platform/gui/icons.h"
#include "platform/gui/qtutil.h"
#include "platform/gui/wrapcheckbox.h"
#include "repair/gui/droplist.h"
#include "ui/gui/help.h"
#include "ui/gui/tipdialog.h"
#include "ui/helpbook.h"

namespace vt::gui {

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
    cbBatchByExif = new TWrapCheckBox("Choose each photo's camera by its Exif", tsBatch);
    cbBatchByExif->setObjectName("cbBatchByExif");
    cbBatchByExif->setToolTip("Repair each photo with the camera its Exif make and model name");
    batch->addWidget(lbBatchList, 1);
    batch->addWidget(cbBatchByExif);
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
    ZoomLabel = new QLabel(StatusBar1);
    ZoomLabel->setObjectName("ZoomLabel");
    StatusBar1->addPermanentWidget(ZoomLabel);
    setStatusBar(StatusBar1);

    TPhotoZoom::Controls zoom;
    zoom.ScrollBox1 = ScrollBox1;
    zoom.Image1 = Image1;
    zoom.ZoomLabel = ZoomLabel;
    Zoom = new TPhotoZoom(zoom, this);
    tools->addSpacing(8);
    const std::pair<QAction*, const char*> zoomButtons[] = {{Zoom->ZoomFit1, "zoomfit"},
                                                            {Zoom->ZoomActual1, "zoom100"},
                                                            {Zoom->ZoomIn1, "zoomin"},
                                                            {Zoom->ZoomOut1, "zoomout"}};
    for (const auto& [command, icon] : zoomButtons) {
        command->setIcon(ProgramIcon(icon));
        auto* b = addToolButton("", "", icon);
        b->setDefaultAction(command);
        b->setObjectName(QString("sb") + command->objectName().chopped(1));
    }
    tools->addStretch(1);

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
    NewCameraFromPhotos1 = action(File1, "NewCameraFromPhotos1", "New Camera from &Photos...",
                                  [this] { CameraPanel->NewCameraFromPhotos1Click(); });
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
    // How a repaired JPEG is stored: off, the whole photo is encoded again.
    KeepJpegQuality1 = File1->addAction("Keep JPEG quality (repair only damaged blocks)");
    KeepJpegQuality1->setObjectName("KeepJpegQuality1");
    KeepJpegQuality1->setCheckable(true);
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

    View1 = bar->addMenu("&View");
    View1->setObjectName("View1");
    View1->addActions({Zoom->ZoomFit1, Zoom->ZoomActual1});
    View1->addSeparator();
    View1->addActions({Zoom->ZoomIn1, Zoom->ZoomOut1});
    // The keys work while the menu is closed too.
    addActions({Zoom->ZoomFit1, Zoom->ZoomActual1, Zoom->ZoomIn1, Zoom->ZoomOut1});

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
    batch.cbBatchByExif = cbBatchByExif;
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
    Zoom->OnZoomChanged = [this] { RetouchView->ZoomChanged(); };
    Image1->setOnPhotograph([this] { Zoom->PhotographShown(); });

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

} // namespace vt::gui

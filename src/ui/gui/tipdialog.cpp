#include "ui/gui/tipdialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/gui/dialogs.h"
#include "platform/gui/icons.h"
#include "platform/random.h"

namespace vt::gui {

TTipDialogForm::TTipDialogForm(QWidget* parent) : QDialog(parent) {
    setObjectName("TipDialogForm");
    setWindowTitle("Tip");
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    resize(492, 253);

    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->setWordWrap(true);
    Label1->setMinimumHeight(41);

    auto* panel = new QFrame(this);
    panel->setObjectName("Panel");
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setAutoFillBackground(true);
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::ToolTipBase));
    pal.setColor(QPalette::WindowText, pal.color(QPalette::ToolTipText));
    panel->setPalette(pal);
    auto* image = new QLabel(panel);
    image->setObjectName("Image");
    image->setPixmap(ProgramIcon("vorantel").pixmap(36, 36));
    image->setAlignment(Qt::AlignTop);
    Label2 = new QLabel("Did you know...", panel);
    Label2->setObjectName("Label2");
    QFont bold = Label2->font();
    bold.setBold(true);
    Label2->setFont(bold);
    Label3 = new QLabel(panel);
    Label3->setObjectName("Label3");
    Label3->setWordWrap(true);
    Label3->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    Label3->setMinimumSize(265, 81);
    auto* text = new QVBoxLayout;
    text->addWidget(Label2);
    text->addWidget(Label3, 1);
    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->addWidget(image);
    panelLayout->addLayout(text, 1);

    Button1 = new QPushButton("Next Tip", this);
    Button1->setObjectName("Button1");
    Button2 = new QPushButton("Close", this);
    Button2->setObjectName("Button2");
    Button2->setDefault(true);
    CheckBox = new QCheckBox("Show tips at startup", this);
    CheckBox->setObjectName("CheckBox");
    CheckBox->setChecked(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(CheckBox);
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(panel, 1);
    layout->addLayout(buttons);

    connect(Button1, &QPushButton::clicked, this, [this] { ShowRandomTip(); });
    connect(Button2, &QPushButton::clicked, this, &QDialog::accept);
}

void TTipDialogForm::ShowRandomTip() {
    Random::global().randomize();
    if (Tips.isEmpty()) return;
    Label3->setText(Tips[Random::global().next(int(Tips.size()))]);
}

void TTipDialogForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (Tips.isEmpty()) Tips << "Keine Tips vorhanden!";
    Button1->setEnabled(Tips.size() != 1);
    ShowRandomTip();
}

TTipDialog::TTipDialog(QObject* parent) : QObject(parent) {}

bool TTipDialog::Execute(QWidget* parent) {
    TTipDialogForm form(parent);
    form.Label1->setFont(TitleFont);
    form.Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    form.Label1->setText(TitleLabel);
    form.Label3->clear();
    form.Tips = Tips;
    form.CheckBox->setChecked(ShowAtStart);
    dialogs().execModal(form);
    ShowAtStart = form.CheckBox->isChecked();
    return false;
}

QStringList TTipDialog::MainWindowTips() {
    return {
        "If your blackshot has no hot pixels, Vorantel won't store your camera information, "
        "since your photos don't need fixing.",
        "If Vorantel doesn't find hot pixels you know are there, try reducing the luminance "
        "threshold.",
        "You can apply effects to any photograph, even if you don't fix it first.",
        "Vorantel can't fix hot pixels without analyzing a blackshot from the same camera.",
        "Vorantel reads most image formats, but only stores in TIFF, JPEG, or BMP.",
        "The default destination for a single repaired photograph is the Vorantel subdirectory "
        "of the photo's original directory.",
        "The destination for a photo repaired in batch is the Vorantel subdirectory of each "
        "photo's original directories.",
        "You can drag photos from outside Vorantel into the list boxes on the Batch and Effects "
        "tabs.",
        "Repaired and retouched photos are stored in their original format by default, if "
        "possible.",
        "The hot pixel coordinates box shows only one pixel from the middle of any cluster of "
        "hot pixels. But all the hot pixels get repaired. ",
    };
}

} // namespace vt::gui

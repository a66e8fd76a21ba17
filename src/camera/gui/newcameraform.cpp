#include "camera/gui/newcameraform.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>

#include "camera/cameralibrary.h"
#include "platform/gui/dialogs.h"
#include "ui/gui/help.h"
#include "ui/helpbook.h"

namespace vt::gui {

TNewCameraForm::TNewCameraForm(QWidget* parent) : QDialog(parent) {
    setObjectName("NewCameraForm");
    setWindowTitle("New Camera");
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(311, 196);

    Label2 = new QLabel(
        "Enter a name for your camera, or choose one to replace from the drop-down list.", this);
    Label2->setObjectName("Label2");
    Label2->setAlignment(Qt::AlignCenter);
    Label2->setWordWrap(true);

    cbInCamera = new QComboBox(this);
    cbInCamera->setObjectName("cbInCamera");
    cbInCamera->setEditable(true);
    cbInCamera->setInsertPolicy(QComboBox::NoInsert);
    cbInCamera->setToolTip("Choose a camera from this list");
    Label2->setBuddy(cbInCamera);

    Label1 = new QLabel("Luminance Threshold:", this);
    Label1->setObjectName("Label1");
    seThreshold = new QSpinBox(this);
    seThreshold->setObjectName("seThreshold");
    seThreshold->setRange(20, 60);
    seThreshold->setValue(30);
    Label1->setBuddy(seThreshold);

    btnCameraName = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), "OK", this);
    btnCameraName->setObjectName("btnCameraName");
    btnCameraName->setDefault(true);
    btnCameraName->setEnabled(false);
    btnCameraCancel =
        new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), "Cancel", this);
    btnCameraCancel->setObjectName("btnCameraCancel");

    auto* threshold = new QHBoxLayout;
    threshold->addStretch(1);
    threshold->addWidget(Label1);
    threshold->addWidget(seThreshold);
    threshold->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnCameraName);
    buttons->addWidget(btnCameraCancel);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label2);
    layout->addWidget(cbInCamera);
    layout->addLayout(threshold);
    layout->addStretch(1);
    layout->addLayout(buttons);

    setTabOrder(cbInCamera, seThreshold);
    setTabOrder(seThreshold, btnCameraName);
    setTabOrder(btnCameraName, btnCameraCancel);

    connect(cbInCamera, &QComboBox::editTextChanged, this, [this] { cbInCameraChange(); });
    connect(cbInCamera, &QComboBox::currentIndexChanged, this, [this] { cbInCameraChange(); });
    connect(btnCameraName, &QPushButton::clicked, this, [this] { btnCameraNameClick(); });
    connect(btnCameraCancel, &QPushButton::clicked, this, &QDialog::reject);
    cbInCamera->lineEdit()->installEventFilter(this);
}

void TNewCameraForm::cbInCameraChange() {
    btnCameraName->setEnabled(!cbInCamera->currentText().isEmpty());
}

void TNewCameraForm::btnCameraNameClick() {
    // Typing is filtered, pasting is not: the whole name is checked here.
    const std::string problem = CameraNameError(cbInCamera->currentText().toStdString());
    if (!problem.empty()) {
        MessageDlg(QString::fromStdString(problem), "New Camera", MsgIcon::Warning, mbOK);
        cbInCamera->setFocus();
        return;
    }
    accept();
}

bool TNewCameraForm::AcceptsNameCharacter(QChar c) {
    return c != '*' && c != '.' && c != '/' && c != '?' && c != '\\';
}

void TNewCameraForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        ShowHelpContext(kHelpNewCamera, this);
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TNewCameraForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == cbInCamera->lineEdit() && event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (text.size() == 1 && !AcceptsNameCharacter(text[0])) {
            dialogs().beep();
            return true; // the key is discarded
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TNewCameraForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The name is typed first; Enter then confirms with OK.
    cbInCamera->setFocus(Qt::OtherFocusReason);
}

int TNewCameraForm::ThresholdValue() const {
    bool ok = false;
    int v = seThreshold->text().trimmed().toInt(&ok);
    return ok ? v : 20;
}

} // namespace vt::gui

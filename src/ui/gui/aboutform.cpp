#include "ui/gui/aboutform.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtGlobal>

#include "platform/gui/icons.h"
#include "ui/about.h"
#include "ui/exeinfo.h"
#include "ui/gui/memo.h"

namespace vt::gui {

QString TAboutForm::CurrentReleaseText() {
    return QString::fromStdString(ReleaseText(GetExeVersionText(), GetExeDateText()));
}

TAboutForm::TAboutForm(QWidget* parent) : TAboutForm(CurrentReleaseText(), parent) {}

TAboutForm::TAboutForm(const QString& releaseText, QWidget* parent) : QDialog(parent) {
    setObjectName("AboutForm");
    setWindowTitle("About ");
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(378, 397);

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Sunken);

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName("ProgramIcon");
    ProgramIcon->setPixmap(vt::gui::ProgramIcon("vorantel").pixmap(48, 48));
    ProductName = new QLabel(Panel1);
    ProductName->setObjectName("ProductName");
    QFont title = ProductName->font();
    title.setPixelSize(19);
    title.setBold(true);
    title.setItalic(true);
    ProductName->setFont(title);
    lblCurrent_Release = new QLabel("Version 5.0", Panel1);
    lblCurrent_Release->setObjectName("lblCurrent_Release");
    lblCurrent_Release->setMinimumWidth(177);
    lblCurrent_Release->setAlignment(Qt::AlignCenter);
    lblCurrent_Release->setText(releaseText);

    Memo2 = BorderlessMemo("Memo2", Panel1);
    Memo2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo2->setFixedSize(337, 94);
    Memo2->setPlainText(QString::fromStdString(AcknowledgementsText(qVersion())));
    Memo1 = BorderlessMemo("Memo1", Panel1);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setFixedSize(220, 94);

    OKButton = new QPushButton("OK", this);
    OKButton->setObjectName("OKButton");
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* heading = new QVBoxLayout;
    heading->addWidget(ProductName, 0, Qt::AlignHCenter);
    heading->addWidget(lblCurrent_Release, 0, Qt::AlignHCenter);
    auto* top = new QHBoxLayout;
    top->addWidget(ProgramIcon, 0, Qt::AlignTop);
    top->addLayout(heading, 1);
    top->addSpacing(48);
    auto* panel = new QVBoxLayout(Panel1);
    panel->setContentsMargins(8, 12, 8, 12);
    panel->addLayout(top);
    panel->addStretch(1);
    panel->addWidget(Memo2, 0, Qt::AlignHCenter);
    panel->addStretch(1);
    panel->addWidget(Memo1, 0, Qt::AlignHCenter);
    panel->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(Panel1, 1);
    layout->addWidget(OKButton, 0, Qt::AlignHCenter);
}

void TAboutForm::reject() {
    accept();
}

void TAboutForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    setWindowTitle("About Vorantel");
    ProductName->setText("Vorantel");
    Memo1->setPlainText(QString::fromStdString(ContactText()));
    OKButton->setFocus();
}

} // namespace vt::gui

#include "ui/gui/joinforumform.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/gui/dialogs.h"
#include "platform/gui/icons.h"
#include "platform/gui/shell.h"
#include "platform/registry.h"
#include "ui/forum.h"
#include "ui/gui/memo.h"

namespace vt::gui {

namespace {

QLabel* BoldLabel(const char* name, const char* text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    return label;
}

// The join button's picture: the program's icon and an invitation.
QPixmap JoinPicture(const QFont& base, qreal dpr) {
    const QSize size(270, 52);
    QPixmap pm(size * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.drawPixmap(QPoint(4, 2), ProgramIcon("vorantel").pixmap(48, 48));
    QFont f = base;
    f.setPixelSize(20);
    f.setBold(true);
    f.setItalic(true);
    p.setFont(f);
    p.setPen(QColor(20, 60, 140));
    p.drawText(QRect(60, 0, size.width() - 60, size.height()), Qt::AlignVCenter | Qt::AlignLeft,
               "Join the Forum!");
    return pm;
}

} // namespace

TJoinForumForm::TJoinForumForm(QWidget* parent) : QDialog(parent) {
    setObjectName("JoinForumForm");
    setWindowTitle("Join the Tarnwick Forum");
    // A dialog frame with the system menu only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(505, 381);

    Address = QString::fromStdString(ForumAddress(TRegistry()));

    Label1 = BoldLabel("Label1", "Why Join the Tarnwick Forum?", this);
    Memo1 = BorderlessMemo("Memo1", this);
    Memo1->setPlainText(
        "The Tarnwick Forum is the easiest way to share your comments and suggestions with "
        "the creator of Vorantel and with its other users, by e-mail. It is also where news "
        "of improvements and upgrades to Vorantel appears first.");
    Memo1->setFixedHeight(72);
    Label3 = BoldLabel("Label3", "How Do I Join?", this);
    Label5 = new QLabel("1)  Log on to your internet service provider.", this);
    Label5->setObjectName("Label5");
    Label6 = new QLabel("2)  Click on this button:", this);
    Label6->setObjectName("Label6");

    btnRegister = new QPushButton(this);
    btnRegister->setObjectName("btnRegister");
    btnRegister->setFixedSize(289, 65);
    btnRegister->setDefault(true);
    btnRegister->setAccessibleName("Join the Tarnwick Forum");
    const qreal dpr = qApp ? qApp->devicePixelRatio() : 1.0;
    btnRegister->setIcon(QIcon(JoinPicture(font(), dpr)));
    btnRegister->setIconSize(QSize(270, 52));
    connect(btnRegister, &QPushButton::clicked, this, [this] { btnRegisterClick(); });

    lblNarrative = new QLabel(
        "Your browser will lead you to a sign-up page. We recommend that for your Membership "
        "Options Message Delivery, you select \"Send a Daily Digest,\" the convenient "
        "compromise between having every post emailed to you and having to visit the site "
        "yourself.",
        this);
    lblNarrative->setObjectName("lblNarrative");
    lblNarrative->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 20);
    layout->addWidget(Label1);
    layout->addWidget(Memo1);
    layout->addStretch(1);
    layout->addWidget(Label3);
    layout->addWidget(Label5);
    layout->addWidget(Label6);
    layout->addSpacing(6);
    layout->addWidget(btnRegister, 0, Qt::AlignHCenter);
    layout->addSpacing(6);
    layout->addWidget(lblNarrative);
    layout->addStretch(1);
}

void TJoinForumForm::btnRegisterClick() {
    // The button closes the window whatever it did, as its result is OK.
    if (Address.isEmpty()) {
        accept();
        return;
    }
    MessageDlg(kThankYouText, kThankYouCaption, MsgIcon::None, mbOK);
    while (!ShellOpen(this, Address)) {
        dialogs().beep();
        const int answer =
            MessageDlg(QString::fromStdString(BrowserFailedText(Address.toStdString())),
                       kBrowserFailedCaption, MsgIcon::Error, mbRetry | mbCancel);
        if (answer != mbRetry) {
            SetClipboardText(Address);
            break;
        }
    }
    accept();
}

} // namespace vt::gui

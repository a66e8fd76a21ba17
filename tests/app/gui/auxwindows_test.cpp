// The About box, the forum window and the Help commands, driven through the
// dialog seam with the desktop shell replaced.
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <ctime>
#include <deque>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/gui/form1.h"
#include "app/gui/programfolder.h"
#include "camera/gui/newcameraform.h"
#include "effects/gui/effectsform.h"
#include "platform/files.h"
#include "platform/gui/shell.h"
#include "platform/registry.h"
#include "support/tempdir.h"
#include "ui/about.h"
#include "ui/exeinfo.h"
#include "ui/forum.h"
#include "ui/gui/aboutform.h"
#include "ui/gui/help.h"
#include "ui/gui/joinforumform.h"

using namespace vt;
using namespace vt::gui;

namespace {

// The desktop shell replaced: records what was opened and put on the
// clipboard, and answers opens from a queue (empty: success).
class FakeShell {
  public:
    FakeShell() {
        SetShellOpener([this](const QString& target) {
            opened.push_back(target);
            if (answers.empty()) return true;
            bool ok = answers.front();
            answers.pop_front();
            return ok;
        });
        SetClipboardWriter([this](const QString& text) { clipboard.push_back(text); });
    }
    ~FakeShell() {
        SetShellOpener({});
        SetClipboardWriter({});
    }
    std::vector<QString> opened;
    std::vector<QString> clipboard;
    std::deque<bool> answers;
};

class AuxWindows : public vt::gui::testing::ProgramFolder {
  protected:
    FakeShell shell;
};

// Runs the forum window's join button and then leaves the window's result.
int ClickJoin(QDialog& form) {
    auto& forum = dynamic_cast<TJoinForumForm&>(form);
    forum.btnRegister->click();
    return forum.result();
}

} // namespace

// --------------------------------------------------------------------------
// About

TEST_F(AuxWindows, AboutShowsTheExecutablesVersionAndDate) {
    // A known executable: version 1.0.1.1, written on 6 December 2026.
    dir.write("vorantel", "x");
    std::tm tm{};
    tm.tm_year = 2026 - 1900;
    tm.tm_mon = 11;
    tm.tm_mday = 6;
    tm.tm_hour = 12;
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    struct timespec times[2] = {{t, 0}, {t, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, dir.file("vorantel").c_str(), times, 0), 0);
    TAboutForm form(QString::fromStdString(ReleaseText(VersionText("1.0.1.1"),
                                                       FileDateText(dir.file("vorantel"), "C"))),
                    nullptr);
    EXPECT_EQ(form.lblCurrent_Release->text(), "1.0.1.1   6 Dec, 2026");

    // The running program's own.
    TAboutForm own;
    EXPECT_EQ(own.lblCurrent_Release->text(),
              QString::fromStdString(GetExeVersionText() + "   " + GetExeDateText()));
    EXPECT_TRUE(own.lblCurrent_Release->text().startsWith(VORANTEL_VERSION "   "));
}

TEST_F(AuxWindows, AboutFromTheHelpMenu) {
    auto f = start();
    dlg.modalScripts.push_back([](QDialog& form) {
        auto& about = dynamic_cast<TAboutForm&>(form);
        EXPECT_EQ(about.windowTitle(), "About ");
        about.show();
        QApplication::processEvents();
        EXPECT_EQ(about.windowTitle(), "About Vorantel");
        EXPECT_EQ(about.ProductName->text(), "Vorantel");
        EXPECT_TRUE(about.ProductName->font().bold());
        EXPECT_TRUE(about.ProductName->font().italic());
        EXPECT_EQ(about.ProductName->font().pixelSize(), 19);
        EXPECT_EQ(about.size(), QSize(378, 397));
        EXPECT_EQ(about.OKButton->text(), "OK");
        EXPECT_TRUE(about.OKButton->isDefault());
        EXPECT_EQ(about.focusWidget(), about.OKButton);
        EXPECT_TRUE(about.Memo1->isReadOnly());
        EXPECT_TRUE(about.Memo2->isReadOnly());
        EXPECT_EQ(about.Memo1->toPlainText().toStdString(), ContactText());
        for (const char* lib : {"Qt ", "libjpeg-turbo", "zlib"})
            EXPECT_TRUE(about.Memo2->toPlainText().contains(lib)) << lib;
        // Escape closes it as OK does.
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&about, &esc);
        return about.result();
    });
    f->AboutVorantel1Click();
    ASSERT_EQ(dlg.modalForms, std::vector<QString>{"AboutForm"});
    EXPECT_TRUE(dlg.modalScripts.empty());
    EXPECT_TRUE(dlg.messages.empty());
}

TEST_F(AuxWindows, AboutClosesWithOk) {
    TAboutForm form;
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&form, &esc);
    EXPECT_EQ(form.result(), QDialog::Accepted);
}

// --------------------------------------------------------------------------
// Forum

TEST_F(AuxWindows, ForumWindowAsDesigned) {
    TJoinForumForm form;
    EXPECT_EQ(form.Address.toStdString(), kDefaultForumAddress);
    EXPECT_EQ(form.size(), QSize(505, 381));
    EXPECT_EQ(form.Label1->text(), "Why Join the Tarnwick Forum?");
    EXPECT_EQ(form.Label3->text(), "How Do I Join?");
    EXPECT_EQ(form.Label5->text(), "1)  Log on to your internet service provider.");
    EXPECT_EQ(form.Label6->text(), "2)  Click on this button:");
    EXPECT_EQ(form.lblNarrative->text(),
              "Your browser will lead you to a sign-up page. We recommend that for your "
              "Membership Options Message Delivery, you select \"Send a Daily Digest,\" the "
              "convenient compromise between having every post emailed to you and having to "
              "visit the site yourself.");
    EXPECT_TRUE(form.lblNarrative->wordWrap());
    EXPECT_EQ(form.btnRegister->size(), QSize(289, 65));
    EXPECT_TRUE(form.btnRegister->text().isEmpty());
    EXPECT_FALSE(form.btnRegister->icon().isNull());
    EXPECT_TRUE(form.btnRegister->isDefault());
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(form.windowFlags() & Qt::WindowContextHelpButtonHint);
}

TEST_F(AuxWindows, JoiningOpensTheSignUpPage) {
    auto f = start();
    dlg.modalScripts.push_back(ClickJoin);
    f->JointheTarnwickForum1Click();
    ASSERT_EQ(dlg.modalForms, std::vector<QString>{"JoinForumForm"});
    ASSERT_EQ(dlg.messages.size(), 1u);
    EXPECT_EQ(dlg.messages[0].text, "Thank you!");
    EXPECT_EQ(dlg.messages[0].caption, kThankYouCaption);
    EXPECT_EQ(dlg.messages[0].buttons, mbOK);
    EXPECT_EQ(shell.opened, std::vector<QString>{kDefaultForumAddress});
    EXPECT_TRUE(shell.clipboard.empty());
    EXPECT_EQ(dlg.beeps, 0);
}

TEST_F(AuxWindows, AFailedOpenCanBeRetried) {
    TRegistry().WriteString("Vorantel", "ForumAddress", "https://lists.example.org/vorantel");
    auto f = start();
    shell.answers = {false, false, true};
    dlg.messageAnswers = {mbOK, mbRetry, mbRetry};
    dlg.modalScripts.push_back([](QDialog& form) {
        EXPECT_EQ(ClickJoin(form), QDialog::Accepted);
        return form.result();
    });
    f->JointheTarnwickForum1Click();
    const QString address = "https://lists.example.org/vorantel";
    EXPECT_EQ(shell.opened, (std::vector<QString>{address, address, address}));
    ASSERT_EQ(dlg.messages.size(), 3u);
    EXPECT_EQ(dlg.messages[0].text, "Thank you!"); // once, not again on Retry
    for (int i : {1, 2}) {
        EXPECT_EQ(dlg.messages[i].caption, "Oh, well...");
        EXPECT_EQ(dlg.messages[i].buttons, mbRetry | mbCancel);
        EXPECT_EQ(dlg.messages[i].icon, MsgIcon::Error);
        EXPECT_EQ(dlg.messages[i].text,
                  "The attempt to start your web browser failed. Please try again later or:\r"
                  "   ... start your browser yourself and visit " +
                      address +
                      ".\r"
                      "Click on CANCEL to put this address on the Windows clipboard to paste "
                      "into your browser, or click on RETRY to try again.");
    }
    EXPECT_EQ(dlg.beeps, 2);
    EXPECT_TRUE(shell.clipboard.empty());
}

TEST_F(AuxWindows, CancelPutsTheAddressOnTheClipboard) {
    auto f = start();
    shell.answers = {false};
    dlg.messageAnswers = {mbOK, mbCancel};
    dlg.modalScripts.push_back([](QDialog& form) {
        EXPECT_EQ(ClickJoin(form), QDialog::Accepted);
        return form.result();
    });
    f->JointheTarnwickForum1Click();
    EXPECT_EQ(shell.opened.size(), 1u);
    ASSERT_EQ(dlg.messages.size(), 2u);
    EXPECT_EQ(dlg.messages[1].caption, "Oh, well...");
    EXPECT_EQ(dlg.beeps, 1);
    EXPECT_EQ(shell.clipboard, std::vector<QString>{kDefaultForumAddress});
}

TEST_F(AuxWindows, TheRealClipboardGetsTheAddress) {
    SetClipboardWriter({});
    shell.answers = {false};
    dlg.messageAnswers = {mbOK, mbCancel};
    TJoinForumForm form;
    form.btnRegister->click();
    EXPECT_EQ(QApplication::clipboard()->text(), kDefaultForumAddress);
}

TEST_F(AuxWindows, EscapeClosesTheForumWindowWithoutJoining) {
    TJoinForumForm form;
    form.show();
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&form, &esc);
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(shell.opened.empty());
    EXPECT_TRUE(dlg.messages.empty());
}

// --------------------------------------------------------------------------
// Help

class HelpCommands : public AuxWindows {
  protected:
    void SetUp() override {
        AuxWindows::SetUp();
        ASSERT_TRUE(CreateDir(dir.file("empty")));
        ASSERT_TRUE(CreateDir(dir.file("book")));
        dir.write("book/index.html", "<title>Vorantel Help</title>");
        SetHelpBookSearchFolders({dir.file("empty/"), dir.file("book/")});
    }
    void TearDown() override {
        SetHelpBookSearchFolders({});
        AuxWindows::TearDown();
    }
};

TEST_F(HelpCommands, HelpTopicsOpensTheContents) {
    auto f = start();
    f->HelpTopics1Click();
    EXPECT_EQ(shell.opened,
              std::vector<QString>{QString::fromStdString(dir.file("book/index.html"))});
    EXPECT_TRUE(dlg.messages.empty());
}

TEST_F(HelpCommands, F1OpensThePageOfTheActiveTab) {
    auto f = start();
    f->SetBatchEnabled(true);
    const char* pages[] = {"camera.html", "batch.html", "retouch.html"};
    for (int tab = 0; tab < 3; ++tab) {
        f->PageControl1->setCurrentIndex(tab);
        QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
        QApplication::sendEvent(f.get(), &f1);
        ASSERT_EQ(shell.opened.size(), std::size_t(tab + 1));
        EXPECT_EQ(shell.opened.back(), QString::fromStdString(dir.file("book/") + pages[tab]));
    }
    // F1 in the New Camera dialog opens its page, as the effects dialog's
    // context opens the effects page.
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(f->CameraPanel->NewCameraForm, &f1);
    EXPECT_EQ(shell.opened.back(), QString::fromStdString(dir.file("book/newcamera.html")));
    EXPECT_TRUE(ShowHelpContext(4100));
    EXPECT_EQ(shell.opened.back(), QString::fromStdString(dir.file("book/effects.html")));
    // F1 in the effects dialog itself.
    shell.opened.clear();
    QKeyEvent f1Effects(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(f->EffectsForm, &f1Effects);
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened.back(), QString::fromStdString(dir.file("book/effects.html")));
}

TEST_F(HelpCommands, AMissingBookSaysWhereItWasLookedFor) {
    SetHelpBookSearchFolders({dir.file("empty/"), dir.file("nowhere/")});
    auto f = start();
    f->HelpTopics1Click();
    EXPECT_TRUE(shell.opened.empty());
    ASSERT_EQ(dlg.messages.size(), 1u);
    EXPECT_EQ(dlg.messages[0].caption, "Help");
    EXPECT_EQ(dlg.messages[0].icon, MsgIcon::Warning);
    EXPECT_EQ(dlg.messages[0].text.toStdString(),
              "Cannot find the help book. Vorantel looked for index.html in:\r" +
                  dir.file("empty/") + "\r" + dir.file("nowhere/"));
}

TEST_F(HelpCommands, ABrowserThatCannotStartIsReported) {
    auto f = start();
    shell.answers = {false};
    f->HelpTopics1Click();
    ASSERT_EQ(dlg.messages.size(), 1u);
    EXPECT_EQ(dlg.messages[0].text.toStdString(),
              "Cannot start the web browser to show the help page\r" + dir.file("book/index.html"));
}

// A scripted stand-in for the dialog seam: records every request and answers
// from queues the test fills beforehand.
#pragma once

#include <QDialog>
#include <deque>
#include <functional>
#include <stdexcept>
#include <vector>

#include "platform/gui/dialogs.h"

namespace vt::gui::testing {

class ScriptedDialogs : public Dialogs {
  public:
    ScriptedDialogs() { setDialogs(this); }
    ~ScriptedDialogs() override { setDialogs(nullptr); }

    std::vector<MessageBoxRequest> messages;
    std::deque<int> messageAnswers; // empty: the first button of the box
    std::vector<FileDialogRequest> openRequests;
    std::deque<FileDialogResult> openAnswers; // empty: cancelled
    std::vector<FileDialogRequest> saveRequests;
    std::deque<FileDialogResult> saveAnswers;
    std::vector<QColor> colorRequests;              // initial colours offered
    std::deque<std::optional<QColor>> colorAnswers; // empty: cancelled
    std::vector<QString> modalForms;                // object names of forms shown modally
    // Drives a modal form; returns its result. Empty: the form is rejected.
    std::deque<std::function<int(QDialog&)>> modalScripts;
    int beeps = 0;

    int messageBox(const MessageBoxRequest& request) override {
        messages.push_back(request);
        if (!messageAnswers.empty()) {
            int a = messageAnswers.front();
            messageAnswers.pop_front();
            return a;
        }
        for (int b : {mbOK, mbYes, mbRetry, mbAbort})
            if (request.buttons & b) return b;
        return mbOK;
    }
    FileDialogResult openFile(const FileDialogRequest& request) override {
        openRequests.push_back(request);
        return next(openAnswers);
    }
    FileDialogResult saveFile(const FileDialogRequest& request) override {
        saveRequests.push_back(request);
        return next(saveAnswers);
    }
    std::optional<QColor> chooseColor(const QColor& initial) override {
        colorRequests.push_back(initial);
        if (colorAnswers.empty()) return std::nullopt;
        std::optional<QColor> a = colorAnswers.front();
        colorAnswers.pop_front();
        return a;
    }
    int execModal(QDialog& form) override {
        modalForms.push_back(form.objectName());
        if (modalScripts.empty()) return QDialog::Rejected;
        auto script = modalScripts.front();
        modalScripts.pop_front();
        return script(form);
    }
    void beep() override { ++beeps; }

    static FileDialogResult picked(const QStringList& files, int filterIndex = 1) {
        return {true, files, filterIndex};
    }

  private:
    static FileDialogResult next(std::deque<FileDialogResult>& q) {
        if (q.empty()) return {};
        FileDialogResult r = q.front();
        q.pop_front();
        return r;
    }
};

} // namespace vt::gui::testing

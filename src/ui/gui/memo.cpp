#include "ui/gui/memo.h"

#include <QPlainTextEdit>
#include <QTextDocument>

namespace vt::gui {

QPlainTextEdit* BorderlessMemo(const char* name, QWidget* parent) {
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(name);
    memo->setReadOnly(true);
    memo->setFrameShape(QFrame::NoFrame);
    memo->setFocusPolicy(Qt::NoFocus);
    memo->viewport()->setAutoFillBackground(false);
    memo->setStyleSheet("QPlainTextEdit { background: transparent; }");
    memo->document()->setDocumentMargin(0);
    return memo;
}

} // namespace vt::gui

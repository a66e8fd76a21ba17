// Small helpers shared by the files that hold the main window's flows.
#pragma once

#include <QListWidget>
#include <QSignalBlocker>
#include <QString>
#include <QTabWidget>
#include <QWidget>
#include <string>

#include "platform/files.h"

namespace vt::gui {

inline QString Q(const std::string& s) {
    return QString::fromStdString(s);
}
inline std::string S(const QString& s) {
    return s.toStdString();
}

// Whether a control itself is enabled, regardless of its parents.
inline bool OwnEnabled(const QWidget* w) {
    return !w->testAttribute(Qt::WA_Disabled);
}

// Sets the active tab without running the tab-change handler, as a
// program-made change of the page does not.
inline void SetActiveTab(QTabWidget* tabs, int index) {
    QSignalBlocker block(tabs);
    tabs->setCurrentIndex(index);
}

// Puts an item into a list at the place its text sorts to, letter case
// aside, after the entries of equal text.
inline void InsertSorted(QListWidget* list, QListWidgetItem* item) {
    const std::string text = S(item->text());
    int at = list->count();
    while (at > 0 && CompareText(S(list->item(at - 1)->text()), text) > 0)
        --at;
    list->insertItem(at, item);
}

} // namespace vt::gui

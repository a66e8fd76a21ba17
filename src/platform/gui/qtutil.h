// Small helpers of the Qt layer: string conversions, a control's own enabled
// state, program-made tab changes and sorted list insertion.
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

// Removes the selected entries of a list; true when any went.
inline bool DeleteSelectedItems(QListWidget* list) {
    bool removed = false;
    QSignalBlocker block(list);
    for (int i = list->count() - 1; i >= 0; --i)
        if (list->item(i)->isSelected()) {
            delete list->takeItem(i);
            removed = true;
        }
    return removed;
}

} // namespace vt::gui

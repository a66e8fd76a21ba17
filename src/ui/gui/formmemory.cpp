#include "ui/gui/formmemory.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "platform/registry.h"
#include "ui/windowplacement.h"

namespace vt::gui {

namespace {

std::vector<QRect>& ScreenOverride() {
    static std::vector<QRect> areas;
    return areas;
}

} // namespace

std::vector<QRect> TFormMemory::ScreenAreas() {
    if (!ScreenOverride().empty()) return ScreenOverride();
    std::vector<QRect> areas;
    QScreen* primary = QGuiApplication::primaryScreen();
    if (primary) areas.push_back(primary->availableGeometry());
    for (QScreen* s : QGuiApplication::screens())
        if (s != primary) areas.push_back(s->availableGeometry());
    return areas;
}

void TFormMemory::SetScreenAreas(std::vector<QRect> areas) {
    ScreenOverride() = std::move(areas);
}

TFormMemory::TFormMemory(QWidget* form) : QObject(form), form_(form) {
    setObjectName("FormMemory1");
}

std::string TFormMemory::Key() const {
    return FormMemoryKey(form_->objectName().toStdString());
}

void TFormMemory::Restore() {
    StoredPlacement stored;
    try {
        stored = ReadPlacement(TRegistry(), Key());
    } catch (const std::exception&) {
        return; // an unreadable store leaves the designed place
    }
    if (stored.bounds) {
        std::vector<ScreenArea> screens;
        for (const QRect& r : ScreenAreas())
            screens.push_back({r.x(), r.y(), r.width(), r.height()});
        const WindowBounds b = PullOntoScreens(*stored.bounds, screens);
        // The position is the frame's, as move() takes it; the size is the
        // window's own, which does not depend on the window manager's frame.
        form_->move(b.left, b.top);
        form_->resize(b.width, b.height);
    }
    if (stored.windowState) {
        switch (StoredWindowState(*stored.windowState)) {
        case StoredWindowState::Maximized:
            form_->setWindowState(Qt::WindowMaximized);
            break;
        case StoredWindowState::Normal:
        case StoredWindowState::Minimized:
        default:
            form_->setWindowState(Qt::WindowNoState);
            break;
        }
    }
}

void TFormMemory::Store() {
    if (stored_) return;
    stored_ = true;
    const Qt::WindowStates state = form_->windowState();
    StoredWindowState stored = StoredWindowState::Normal;
    if (state & Qt::WindowMinimized)
        stored = StoredWindowState::Minimized;
    else if (state & (Qt::WindowMaximized | Qt::WindowFullScreen))
        stored = StoredWindowState::Maximized;
    std::optional<WindowBounds> bounds;
    if (stored == StoredWindowState::Normal)
        bounds = WindowBounds{form_->x(), form_->y(), form_->width(), form_->height()};
    try {
        TRegistry registry;
        WritePlacement(registry, Key(), bounds, stored);
    } catch (const std::exception&) {
    }
}

} // namespace vt::gui

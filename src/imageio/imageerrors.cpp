#include "imageio/imageerrors.h"

#include <mutex>
#include <utility>

namespace vt {

std::string FormatMessage(std::string_view templ, std::initializer_list<std::string_view> args) {
    std::string out;
    out.reserve(templ.size() + 32);
    auto arg = args.begin();
    for (std::size_t i = 0; i < templ.size(); ++i) {
        if (templ[i] == '%' && i + 1 < templ.size() && templ[i + 1] == 's') {
            if (arg != args.end()) out.append(*arg++);
            ++i;
        } else {
            out.push_back(templ[i]);
        }
    }
    return out;
}

void GraphicError(std::string_view templ, std::initializer_list<std::string_view> args) {
    throw EInvalidGraphic(FormatMessage(templ, args));
}

void CompressionError(std::string_view templ, std::initializer_list<std::string_view> args) {
    throw EGraphicCompression(FormatMessage(templ, args));
}

namespace {
std::mutex& warningMutex() {
    static std::mutex m;
    return m;
}
TWarningHandler& warningHandler() {
    static TWarningHandler h;
    return h;
}
} // namespace

TWarningHandler SetWarningHandler(TWarningHandler handler) {
    std::lock_guard lock(warningMutex());
    return std::exchange(warningHandler(), std::move(handler));
}

namespace {
thread_local WarningCollector* currentCollector = nullptr;
} // namespace

WarningCollector::WarningCollector() : outer_(currentCollector) {
    currentCollector = this;
}

WarningCollector::~WarningCollector() {
    currentCollector = outer_;
}

void ShowWarning(const std::string& text) {
    if (currentCollector) {
        currentCollector->warnings_.push_back(text);
        return;
    }
    TWarningHandler h;
    {
        std::lock_guard lock(warningMutex());
        h = warningHandler();
    }
    if (h) h("Warning", text);
}

} // namespace vt

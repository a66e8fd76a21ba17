#include "ui/windowplacement.h"

#include <algorithm>

#include "platform/registry.h"

namespace vt {

namespace {

const char kBounds[] = "Bounds";
const char kWindowState[] = "WindowState";

void PutInt32(std::vector<std::uint8_t>& out, std::int32_t v) {
    const std::uint32_t u = std::uint32_t(v);
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(std::uint8_t(u >> shift));
}

std::int32_t GetInt32(const std::uint8_t* p) {
    std::uint32_t u = 0;
    for (int i = 3; i >= 0; --i)
        u = (u << 8) | p[i];
    return std::int32_t(u);
}

// Length of the overlap of [a, a + alen) and [b, b + blen).
std::int64_t Overlap(std::int64_t a, std::int64_t alen, std::int64_t b, std::int64_t blen) {
    return std::max<std::int64_t>(0, std::min(a + alen, b + blen) - std::max(a, b));
}

} // namespace

std::vector<std::uint8_t> EncodeBounds(const WindowBounds& b) {
    std::vector<std::uint8_t> out;
    out.reserve(16);
    for (std::int32_t v : {b.left, b.top, b.width, b.height})
        PutInt32(out, v);
    return out;
}

std::optional<WindowBounds> DecodeBounds(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() != 16) return std::nullopt;
    return WindowBounds{GetInt32(&bytes[0]), GetInt32(&bytes[4]), GetInt32(&bytes[8]),
                        GetInt32(&bytes[12])};
}

std::string FormMemoryKey(const std::string& formName) {
    return "Vorantel\\" + formName;
}

StoredPlacement ReadPlacement(const TRegistry& registry, const std::string& key) {
    StoredPlacement p;
    if (auto bytes = registry.ReadBinary(key, kBounds)) p.bounds = DecodeBounds(*bytes);
    p.windowState = registry.ReadInteger(key, kWindowState);
    return p;
}

void WritePlacement(TRegistry& registry, const std::string& key,
                    const std::optional<WindowBounds>& bounds, StoredWindowState state) {
    if (bounds) registry.WriteBinary(key, kBounds, EncodeBounds(*bounds));
    registry.WriteInteger(key, kWindowState, std::int32_t(state));
}

WindowBounds PullOntoScreens(const WindowBounds& bounds, const std::vector<ScreenArea>& screens,
                             std::size_t primary) {
    if (screens.empty()) return bounds;
    const std::int64_t strip = std::min<std::int64_t>(kTitleStrip, std::max(bounds.height, 1));
    for (const ScreenArea& s : screens) {
        const std::int64_t wide = Overlap(bounds.left, bounds.width, s.left, s.width);
        const std::int64_t high = Overlap(bounds.top, strip, s.top, s.height);
        if (wide >= std::min<std::int64_t>(kMinVisible, std::max(bounds.width, 1)) && high > 0)
            return bounds;
    }
    const ScreenArea& s = screens[std::min(primary, screens.size() - 1)];
    WindowBounds b = bounds;
    b.width = std::clamp(b.width, 1, std::max(s.width, 1));
    b.height = std::clamp(b.height, 1, std::max(s.height, 1));
    b.left = std::clamp(b.left, s.left, s.left + s.width - b.width);
    b.top = std::clamp(b.top, s.top, s.top + s.height - b.height);
    return b;
}

} // namespace vt

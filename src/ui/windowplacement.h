// The remembered place of a window: the registry values that keep it and
// the rule that brings a place lying off every screen back into view.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vt {

class TRegistry;

// Left, top, width and height of a window, in screen pixels.
struct WindowBounds {
    std::int32_t left = 0, top = 0, width = 0, height = 0;
    bool operator==(const WindowBounds&) const = default;
};

// The registry's "WindowState" numbers.
enum class StoredWindowState : std::int32_t { Normal = 0, Minimized = 1, Maximized = 2 };

// "Bounds": four signed 32-bit little-endian integers, left, top, width,
// height. Anything but 16 bytes is no bounds.
std::vector<std::uint8_t> EncodeBounds(const WindowBounds& b);
std::optional<WindowBounds> DecodeBounds(const std::vector<std::uint8_t>& bytes);

// What the registry holds for one window; a missing value stays empty.
struct StoredPlacement {
    std::optional<WindowBounds> bounds;
    std::optional<std::int32_t> windowState;
};

// The key of a form's values: "Vorantel\" + the form's name.
std::string FormMemoryKey(const std::string& formName);

StoredPlacement ReadPlacement(const TRegistry& registry, const std::string& key);
// Writes "Bounds" only when given (the window is in the normal state; a
// maximised or minimised window keeps its last normal bounds) and always
// "WindowState". Throws what the registry throws.
void WritePlacement(TRegistry& registry, const std::string& key,
                    const std::optional<WindowBounds>& bounds, StoredWindowState state);

// A screen's usable area.
struct ScreenArea {
    std::int32_t left = 0, top = 0, width = 0, height = 0;
};

// Bounds whose title strip (the top kTitleStrip pixels, where the window is
// grabbed to move it) shows at least kMinVisible pixels wide on one of the
// screens are kept as they are. Others, left behind by a screen that is no
// longer attached or a resolution that shrank, are pulled onto the primary
// screen: shrunk to fit it when larger, then moved the least distance that
// puts them wholly inside it. Without screens the bounds stay.
constexpr std::int32_t kTitleStrip = 24;
constexpr std::int32_t kMinVisible = 48;
WindowBounds PullOntoScreens(const WindowBounds& bounds, const std::vector<ScreenArea>& screens,
                             std::size_t primary = 0);

} // namespace vt

#pragma once

#include <optional>

class QKeyEvent;

namespace platform {

// The keys that move the focus on from a view that keeps Tab for itself (a text view, an outline
// whose Tab does nothing, a token field): Ctrl+Tab forward, Ctrl+Shift+Tab back.
class FocusKeys final {
public:
    FocusKeys() = delete;

    // True for forward, false for back; empty for any other key.
    static std::optional<bool> controlTabDirection(const QKeyEvent* event);
};

} // namespace platform

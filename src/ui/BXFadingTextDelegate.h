#pragma once

#include <QVariant>

#include <optional>

class BXFadingText;

// Consulted before a BXFadingText fades and told when the fade ends. Both messages are
// optional: the defaults stand for a delegate that does not implement them.
class BXFadingTextDelegate {
public:
    virtual ~BXFadingTextDelegate() = default;

    // nullopt: no opinion, the fade runs.
    virtual std::optional<bool> fadingTextAnimationShouldStart(
        BXFadingText* text, const QVariant& context)
    {
        Q_UNUSED(text);
        Q_UNUSED(context);
        return std::nullopt;
    }
    virtual void fadingTextAnimationDidEnd(BXFadingText* text, const QVariant& context)
    {
        Q_UNUSED(text);
        Q_UNUSED(context);
    }
};

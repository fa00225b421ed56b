#pragma once

#include "platform/text/StringAttributes.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace platform {

// Where Copy Style and Copy Ruler keep what they copied: one slot each in this process,
// mirrored onto the clipboard under a private type beside whatever the clipboard already
// holds, so text copied before stays pasteable and other windows of the application find the
// style there. Pasting prefers a valid clipboard copy (it may come from another instance) and
// falls back to this process's own. Main thread only.
class TextStylePasteboard final {
public:
    enum class Kind { Font, Ruler };

    static inline const QString FontMimeType = QStringLiteral("application/x-brindlex-font-style");
    static inline const QString RulerMimeType = QStringLiteral("application/x-brindlex-ruler");

    static TextStylePasteboard& shared();

    void copy(Kind kind, const StringAttributes& style);
    std::optional<StringAttributes> paste(Kind kind) const;
    bool hasStyle(Kind kind) const;

private:
    TextStylePasteboard() = default;
    static QString mimeType(Kind kind);

    QByteArray m_font;
    QByteArray m_ruler;
};

} // namespace platform

#include "FoldedText.h"

#include "platform/predicate/StringFolding.h"

#include <QLatin1StringView>

#include <algorithm>
#include <cstring>

namespace platform {

FoldedText::FoldedText(QStringView text, int options)
{
    thread_local QString buffer;
    const QStringView folded = StringFolding::fold(text, options, buffer);
    const bool narrow
        = std::all_of(folded.begin(), folded.end(), [](QChar c) { return c.unicode() < 0x100; });
    if (!narrow) {
        m_wide = folded.toString();
        return;
    }
    m_narrow.resize(folded.size());
    std::transform(
        folded.begin(), folded.end(), m_narrow.data(), [](QChar c) { return char(c.unicode()); });
}

bool FoldedText::contains(const FoldedText& part) const
{
    if (!part.isWide()) {
        if (part.m_narrow.isEmpty())
            return true;
        if (isWide())
            return QStringView(m_wide).contains(QLatin1StringView(part.m_narrow));
        return memmem(m_narrow.constData(), size_t(m_narrow.size()), part.m_narrow.constData(),
                   size_t(part.m_narrow.size()))
            != nullptr;
    }
    // A unit beyond Latin-1 never occurs in a narrow text.
    return isWide() && QStringView(m_wide).contains(part.m_wide);
}

} // namespace platform

#include "FoldedText.h"

#include "platform/predicate/StringFolding.h"

#include <QString>

#include <algorithm>
#include <cstring>

namespace platform {

namespace {

// Parts of a search are this short; note texts are longer and never need their UTF-8 form.
constexpr qsizetype kPartLength = 256;

bool occursIn(const QByteArray& text, const QByteArray& part)
{
    return part.isEmpty()
        || memmem(text.constData(), size_t(text.size()), part.constData(), size_t(part.size()))
        != nullptr;
}

} // namespace

FoldedText::FoldedText(QStringView text, int options)
{
    thread_local QString buffer;
    const QStringView folded = StringFolding::fold(text, options, buffer);
    const auto beyond
        = [](char16_t limit) { return [limit](QChar c) { return c.unicode() >= limit; }; };
    m_wide = std::any_of(folded.begin(), folded.end(), beyond(0x100));
    // The conversion to UTF-8 reserves three bytes a unit: kept texts give the rest back.
    if (m_wide) {
        m_bytes = folded.toUtf8();
        m_bytes.squeeze();
        return;
    }
    m_bytes = folded.toLatin1();
    m_ascii = std::none_of(folded.begin(), folded.end(), beyond(0x80));
    if (!m_ascii && folded.size() <= kPartLength)
        m_utf8 = folded.toUtf8();
    m_utf8.squeeze();
}

bool FoldedText::contains(const FoldedText& part) const
{
    // A unit beyond Latin-1 never occurs in a narrow text; UTF-8 and Latin-1 agree on ASCII.
    if (!m_wide)
        return !part.m_wide && occursIn(m_bytes, part.m_bytes);
    if (part.m_wide || part.m_ascii)
        return occursIn(m_bytes, part.m_bytes);
    return occursIn(
        m_bytes, part.m_utf8.isEmpty() ? QString::fromLatin1(part.m_bytes).toUtf8() : part.m_utf8);
}

} // namespace platform

#include "WriteLosses.h"

#include "AttributedText.h"

#include <QTextDocument>

namespace platform {

void WriteLosses::addLostCharacter(char32_t character)
{
    ++m_characterCount;
    if (!m_seen.contains(character)) {
        m_seen.insert(character);
        m_characters.append(character);
    }
}

void WriteLosses::leavePicturesOutOf(const QTextDocument& document)
{
    if (AttributedText::containsAttachments(document))
        m_picturesLeftOut = true;
}

} // namespace platform

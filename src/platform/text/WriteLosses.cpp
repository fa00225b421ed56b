#include "WriteLosses.h"

#include "AttributedText.h"

#include <QTextBlock>
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

void WriteLosses::addLeftOut(Content content)
{
    if (!m_leftOut.contains(content))
        m_leftOut.append(content);
}

void WriteLosses::addPicturesOf(const QTextDocument& document)
{
    if (AttributedText::containsAttachments(document))
        addLeftOut(Content::Pictures);
}

void WriteLosses::addLinksOf(const QTextDocument& document)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.isAnchor() && !format.anchorHref().isEmpty()) {
                addLeftOut(Content::Links);
                return;
            }
        }
    }
}

} // namespace platform

#pragma once

#include <QList>
#include <QSet>

class QTextDocument;

namespace platform {

// What one write could not carry into its file: the characters its encoding lacks (written as
// "?"), each counted, and the kinds of content its format has no place for. A format writer
// fills it through TextFormat::WriteOptions; the export's closing alert reads it. A value owned
// by the one write that fills it.
class WriteLosses final {
public:
    enum class Content { Pictures, Links };

    // Counts one character written as "?".
    void addLostCharacter(char32_t character);
    void addLeftOut(Content content);
    // Marks pictures as left out when the document holds any: for formats that drop them.
    void addPicturesOf(const QTextDocument& document);
    // Marks links as left out when the document holds any: for formats that drop them.
    void addLinksOf(const QTextDocument& document);

    bool isEmpty() const { return m_characterCount == 0 && m_leftOut.isEmpty(); }
    qsizetype lostCharacterCount() const { return m_characterCount; }
    // The distinct lost characters, in the order they came.
    const QList<char32_t>& lostCharacters() const { return m_characters; }
    bool hasLeftOut(Content content) const { return m_leftOut.contains(content); }

private:
    QList<char32_t> m_characters;
    QSet<char32_t> m_seen;
    qsizetype m_characterCount = 0;
    QList<Content> m_leftOut;
};

} // namespace platform

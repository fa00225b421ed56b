#pragma once

#include <QList>
#include <QSet>

class QTextDocument;

namespace platform {

// What one write could not carry into its file: the characters its encoding lacks (written as
// "?"), each counted, and the pictures its format has no place for. A format writer fills it
// through TextFormat::WriteOptions; the export's closing alert reads it. A value owned by the
// one write that fills it.
class WriteLosses final {
public:
    // Counts one character written as "?".
    void addLostCharacter(char32_t character);
    // For formats that have no place for pictures: marks them left out.
    void leavePicturesOut() { m_picturesLeftOut = true; }
    // The same, when `document` holds any.
    void leavePicturesOutOf(const QTextDocument& document);

    bool isEmpty() const { return m_characterCount == 0 && !m_picturesLeftOut; }
    qsizetype lostCharacterCount() const { return m_characterCount; }
    // The distinct lost characters, in the order they came.
    const QList<char32_t>& lostCharacters() const { return m_characters; }
    bool picturesLeftOut() const { return m_picturesLeftOut; }

private:
    QList<char32_t> m_characters;
    QSet<char32_t> m_seen;
    qsizetype m_characterCount = 0;
    bool m_picturesLeftOut = false;
};

} // namespace platform

#pragma once

#include "DocumentAttributes.h"
#include "RtfKeywords.h"

#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QString>

#include <vector>

namespace platform {

// The document-wide part of reading RTF: the header's code page and default font, page and
// view settings, the font table and both colour tables. The reader feeds it the words of the
// Document group and the contents of the table destinations. One per read; one thread.
class RtfDocumentControls final {
public:
    struct Font {
        QString family;
        bool bold = false;
        bool italic = false;
        int codePage = 0; // from \cpg or \fcharset; 0 = the document's
    };

    // Applies a header or page word (\ansicpg, \deff, \paperw, ...). Table and destination
    // words are the reader's.
    void apply(RtfKeywords::Word word, int value, bool hasValue);

    void startColorTable() { m_colors.clear(); }
    void startExpandedColorTable() { m_expandedColors.clear(); }
    // A word inside the font table (\f, \fcharset), the colour table (\red, ...) or the
    // expanded colour table (\cssrgb, \c, ...).
    void applyInFontTable(RtfKeywords::Word word, int value);
    void applyInColorTable(RtfKeywords::Word word, int value);
    void applyInExpandedColorTable(RtfKeywords::Word word, int value);
    // Text of the tables; ';' ends an entry.
    void fontTableText(QByteArrayView text);
    void fontTableByte(char byte) { m_fontName.append(byte); }
    void colorTableText(QByteArrayView text);
    void expandedColorTableText(QByteArrayView text);
    // Commits a font entry left open when its group closed.
    void finishFontTable();

    int defaultFont() const { return m_defaultFont; }
    const DocumentAttributes& attributes() const { return m_attributes; }
    // nullptr when the table has no such font.
    const Font* font(int number) const;
    // Invalid for index 0 ("auto") and for entries the tables do not hold.
    QColor color(int index) const;
    // The code page of text in `font`: its charset's, or the document's.
    int codePage(int font) const;

private:
    void commitFont();
    void commitExpandedColor();

    DocumentAttributes m_attributes;
    int m_ansiCodePage = 1252;
    int m_defaultFont = -1;
    QHash<int, Font> m_fonts;
    int m_fontNumber = -1;
    int m_fontCharset = 0;
    int m_fontCodePage = 0;
    QByteArray m_fontName;
    std::vector<QColor> m_colors;
    std::vector<QColor> m_expandedColors;
    int m_red = -1, m_green = -1, m_blue = -1;
    bool m_gray = false;
    std::vector<int> m_components;
};

} // namespace platform

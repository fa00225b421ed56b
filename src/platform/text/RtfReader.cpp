#include "RtfReader.h"

#include "AttributedText.h"
#include "RtfCodePage.h"
#include "RtfTokenizer.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include <cmath>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform {

namespace {

enum class Keyword {
    Unknown,
    // document
    Rtf,
    AnsiCodePage,
    DefaultFont,
    PaperWidth,
    PaperHeight,
    MarginLeft,
    MarginRight,
    MarginTop,
    MarginBottom,
    ViewWidth,
    ViewHeight,
    ViewKind,
    ViewScale,
    DefaultTab,
    ReadOnly,
    // destinations
    FontTable,
    ColorTable,
    ExpandedColorTable,
    Field,
    FieldInstruction,
    FieldResult,
    NeXTGraphic,
    Picture,
    ShapePicture,
    SkippedDestination,
    // tables
    Font,
    FontCharset,
    Red,
    Green,
    Blue,
    ColorSpaceRgb,
    ColorSpaceGray,
    ColorComponent,
    // characters
    Plain,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    UnderlineDotted,
    UnderlineDouble,
    UnderlineDash,
    UnderlineDashDot,
    UnderlineDashDotDot,
    UnderlineThick,
    UnderlineWord,
    UnderlineWave,
    UnderlineColor,
    UnderlineStyle,
    Strike,
    StrikeDouble,
    StrikeColor,
    StrikeStyle,
    ForegroundColor,
    BackgroundColor,
    Super,
    Sub,
    NoSuperSub,
    Up,
    Down,
    FontSize,
    FontSizeMilli,
    // paragraphs
    ParagraphDefault,
    AlignLeft,
    AlignCenter,
    AlignRight,
    AlignJustified,
    AlignNatural,
    LeftIndent,
    FirstIndent,
    RightIndent,
    SpaceBefore,
    SpaceAfter,
    TabStop,
    BarTab,
    TabRight,
    TabCenter,
    TabDecimal,
    ParagraphDefaultTab,
    LineSpacing,
    LineSpacingMultiple,
    LineLeading,
    LineMaximum,
    LineMinimum,
    // text
    Paragraph,
    Line,
    Tab,
    Character,
    Unicode,
    UnicodeSkip,
    Binary,
    // attachments
    Width,
    Height,
    PngBlip,
    JpegBlip,
    OtherBlip,
    PictureWidthGoal,
    PictureHeightGoal,
};

struct KeywordEntry {
    Keyword keyword;
    char16_t character = 0;
};

const std::unordered_map<std::string_view, KeywordEntry>& keywords()
{
    static const std::unordered_map<std::string_view, KeywordEntry> table = [] {
        std::unordered_map<std::string_view, KeywordEntry> map;
        const auto add = [&](std::string_view word, Keyword keyword, char16_t c = 0) {
            map.emplace(word, KeywordEntry { keyword, c });
        };
        add("rtf", Keyword::Rtf);
        add("ansicpg", Keyword::AnsiCodePage);
        add("deff", Keyword::DefaultFont);
        add("paperw", Keyword::PaperWidth);
        add("paperh", Keyword::PaperHeight);
        add("margl", Keyword::MarginLeft);
        add("margr", Keyword::MarginRight);
        add("margt", Keyword::MarginTop);
        add("margb", Keyword::MarginBottom);
        add("vieww", Keyword::ViewWidth);
        add("viewh", Keyword::ViewHeight);
        add("viewkind", Keyword::ViewKind);
        add("viewscale", Keyword::ViewScale);
        add("deftab", Keyword::DefaultTab);
        add("readonlydoc", Keyword::ReadOnly);
        add("fonttbl", Keyword::FontTable);
        add("colortbl", Keyword::ColorTable);
        add("expandedcolortbl", Keyword::ExpandedColorTable);
        add("field", Keyword::Field);
        add("fldinst", Keyword::FieldInstruction);
        add("fldrslt", Keyword::FieldResult);
        add("NeXTGraphic", Keyword::NeXTGraphic);
        add("pict", Keyword::Picture);
        add("shppict", Keyword::ShapePicture);
        for (std::string_view word : { "stylesheet", "info", "header", "headerl", "headerr",
                 "headerf", "footer", "footerl", "footerr", "footerf", "footnote", "annotation",
                 "object", "listtable", "listoverridetable", "xe", "tc", "txe", "rxe", "nonshppict",
                 "themedata", "colorschememapping", "latentstyles", "datastore", "xmlnstbl",
                 "rsidtbl", "generator", "pgdsctbl", "revtbl", "filetbl", "bkmkstart", "bkmkend",
                 "pn", "pntext", "mmathPr", "userprops", "docvar", "template", "comment", "author",
                 "title", "subject", "operator", "keywords", "company", "doccomm" })
            add(word, Keyword::SkippedDestination);
        add("f", Keyword::Font);
        add("fcharset", Keyword::FontCharset);
        add("red", Keyword::Red);
        add("green", Keyword::Green);
        add("blue", Keyword::Blue);
        add("cssrgb", Keyword::ColorSpaceRgb);
        add("csgenericrgb", Keyword::ColorSpaceRgb);
        add("csgray", Keyword::ColorSpaceGray);
        add("c", Keyword::ColorComponent);
        add("plain", Keyword::Plain);
        add("b", Keyword::Bold);
        add("i", Keyword::Italic);
        add("ul", Keyword::Underline);
        add("ulnone", Keyword::UnderlineNone);
        add("uld", Keyword::UnderlineDotted);
        add("uldb", Keyword::UnderlineDouble);
        add("uldash", Keyword::UnderlineDash);
        add("uldashd", Keyword::UnderlineDashDot);
        add("uldashdd", Keyword::UnderlineDashDotDot);
        add("ulth", Keyword::UnderlineThick);
        add("ulw", Keyword::UnderlineWord);
        add("ulwave", Keyword::UnderlineWave);
        add("ulc", Keyword::UnderlineColor);
        add("ulstyle", Keyword::UnderlineStyle);
        add("strike", Keyword::Strike);
        add("striked", Keyword::StrikeDouble);
        add("strikec", Keyword::StrikeColor);
        add("strikestyle", Keyword::StrikeStyle);
        add("cf", Keyword::ForegroundColor);
        add("cb", Keyword::BackgroundColor);
        add("highlight", Keyword::BackgroundColor);
        add("chcbpat", Keyword::BackgroundColor);
        add("super", Keyword::Super);
        add("sub", Keyword::Sub);
        add("nosupersub", Keyword::NoSuperSub);
        add("up", Keyword::Up);
        add("dn", Keyword::Down);
        add("fs", Keyword::FontSize);
        add("fsmilli", Keyword::FontSizeMilli);
        add("pard", Keyword::ParagraphDefault);
        add("ql", Keyword::AlignLeft);
        add("qc", Keyword::AlignCenter);
        add("qr", Keyword::AlignRight);
        add("qj", Keyword::AlignJustified);
        add("qnatural", Keyword::AlignNatural);
        add("li", Keyword::LeftIndent);
        add("fi", Keyword::FirstIndent);
        add("ri", Keyword::RightIndent);
        add("sb", Keyword::SpaceBefore);
        add("sa", Keyword::SpaceAfter);
        add("tx", Keyword::TabStop);
        add("tb", Keyword::BarTab);
        add("tqr", Keyword::TabRight);
        add("tqc", Keyword::TabCenter);
        add("tqdec", Keyword::TabDecimal);
        add("pardeftab", Keyword::ParagraphDefaultTab);
        add("sl", Keyword::LineSpacing);
        add("slmult", Keyword::LineSpacingMultiple);
        add("slleading", Keyword::LineLeading);
        add("slmaximum", Keyword::LineMaximum);
        add("slminimum", Keyword::LineMinimum);
        add("par", Keyword::Paragraph);
        add("sect", Keyword::Paragraph);
        add("row", Keyword::Paragraph);
        add("line", Keyword::Line);
        add("tab", Keyword::Tab);
        add("cell", Keyword::Tab);
        add("emdash", Keyword::Character, 0x2014);
        add("endash", Keyword::Character, 0x2013);
        add("bullet", Keyword::Character, 0x2022);
        add("lquote", Keyword::Character, 0x2018);
        add("rquote", Keyword::Character, 0x2019);
        add("ldblquote", Keyword::Character, 0x201C);
        add("rdblquote", Keyword::Character, 0x201D);
        add("emspace", Keyword::Character, 0x2003);
        add("enspace", Keyword::Character, 0x2002);
        add("qmspace", Keyword::Character, 0x2005);
        add("zwj", Keyword::Character, 0x200D);
        add("zwnj", Keyword::Character, 0x200C);
        add("u", Keyword::Unicode);
        add("uc", Keyword::UnicodeSkip);
        add("bin", Keyword::Binary);
        add("width", Keyword::Width);
        add("height", Keyword::Height);
        add("pngblip", Keyword::PngBlip);
        add("jpegblip", Keyword::JpegBlip);
        for (std::string_view word :
            { "wmetafile", "emfblip", "macpict", "dibitmap", "wbitmap", "pmmetafile" })
            add(word, Keyword::OtherBlip);
        add("picwgoal", Keyword::PictureWidthGoal);
        add("pichgoal", Keyword::PictureHeightGoal);
        return map;
    }();
    return table;
}

enum class Destination {
    Text,
    FontTable,
    ColorTable,
    ExpandedColorTable,
    FieldInstruction,
    Graphic,
    Picture,
    Placeholder, // what follows a \NeXTGraphic group inside its outer group
    Skip,
};

struct CharState {
    int font = -1;
    double size = 0; // points; 0 = not given
    bool bold = false;
    bool italic = false;
    int underline = 0;
    int underlineColor = -1;
    int strike = 0;
    int strikeColor = -1;
    int foreground = 0;
    int background = 0;
    int superscript = 0;
    double baselineOffset = 0;
    QString link;

    bool operator==(const CharState&) const = default;
};

struct ParaState {
    bool set = false;
    TextAlignment alignment = TextAlignment::Natural;
    int leftIndent = 0;
    int firstIndent = 0;
    int rightIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
    int lineSpacing = 0;
    bool lineMultiple = false;
    int leading = 0;
    int lineMaximum = 0;
    int lineMinimum = 0;
    int defaultTab = 0;
    TextTabType pendingTabType = TextTabType::Left;
    QList<TextTab> tabs;

    bool operator==(const ParaState&) const = default;

    ParagraphStyle style() const
    {
        ParagraphStyle style;
        style.alignment = alignment;
        style.headIndent = leftIndent / 20.0;
        style.firstLineHeadIndent = (double(leftIndent) + firstIndent) / 20.0;
        style.tailIndent = -double(rightIndent) / 20.0;
        style.paragraphSpacingBefore = spaceBefore / 20.0;
        style.paragraphSpacing = spaceAfter / 20.0;
        if (lineMultiple && lineSpacing > 0) {
            style.lineHeightMultiple = lineSpacing / 240.0;
        } else if (lineSpacing > 0) {
            style.minimumLineHeight = lineSpacing / 20.0;
        } else if (lineSpacing < 0) {
            style.minimumLineHeight = style.maximumLineHeight = -double(lineSpacing) / 20.0;
        }
        if (lineMinimum > 0)
            style.minimumLineHeight = lineMinimum / 20.0;
        if (lineMaximum > 0)
            style.maximumLineHeight = lineMaximum / 20.0;
        style.lineSpacing = leading / 20.0;
        style.defaultTabInterval = defaultTab / 20.0;
        style.tabStops = tabs;
        return style;
    }
};

struct Group {
    CharState chars;
    ParaState para;
    Destination destination = Destination::Text;
    int unicodeSkip = 1;
    bool opensField = false;
    bool opensAttachment = false;
};

struct FontEntry {
    QString family;
    bool bold = false;
    bool italic = false;
    int codePage = 0;
};

struct PictureState {
    enum class Kind { None, Png, Jpeg, Other } kind = Kind::None;
    QByteArray data;
    int pendingNibble = -1;
    int widthGoal = 0;
    int heightGoal = 0;
};

struct GraphicState {
    QByteArray name;
    int width = 0;
    int height = 0;
};

// The family and implied style of a font-table name such as "Helvetica-BoldOblique"; names
// of the system's UI font (starting with '.') stand for our system font.
FontEntry fontFromName(const QString& name)
{
    FontEntry entry;
    QString family = name.trimmed();
    const qsizetype dash = family.lastIndexOf(u'-');
    if (dash > 0) {
        const QString style = family.mid(dash + 1);
        static const QStringList styles
            = { QStringLiteral("Regular"), QStringLiteral("Roman"), QStringLiteral("Bold"),
                  QStringLiteral("Italic"), QStringLiteral("Oblique"), QStringLiteral("BoldItalic"),
                  QStringLiteral("BoldOblique"), QStringLiteral("Medium"), QStringLiteral("Book") };
        if (styles.contains(style)) {
            entry.bold = style.startsWith(u"Bold");
            entry.italic = style.endsWith(u"Italic") || style.endsWith(u"Oblique");
            family.truncate(dash);
        }
    }
    entry.family = family.startsWith(u'.') ? AttributedText::systemFont().family() : family;
    return entry;
}

QString hyperlinkTarget(const QString& instruction)
{
    QString text = instruction.trimmed();
    if (!text.startsWith(u"HYPERLINK", Qt::CaseInsensitive))
        return {};
    text = text.mid(9).trimmed();
    QString anchor;
    while (text.startsWith(u'\\')) {
        // Switches such as \l "anchor" or \o "tip" come before or after the target.
        const bool isAnchor = text.startsWith(u"\\l");
        text = text.mid(2).trimmed();
        QString argument;
        if (text.startsWith(u'"')) {
            const qsizetype end = text.indexOf(u'"', 1);
            argument = text.mid(1, end < 0 ? -1 : end - 1);
            text = end < 0 ? QString() : text.mid(end + 1).trimmed();
        }
        if (isAnchor)
            anchor = argument;
    }
    QString target;
    if (text.startsWith(u'"')) {
        const qsizetype end = text.indexOf(u'"', 1);
        target = text.mid(1, end < 0 ? -1 : end - 1);
    } else {
        target = text.section(u' ', 0, 0);
    }
    if (target.isEmpty() && !anchor.isEmpty())
        target = u'#' + anchor;
    return target;
}

class Parser {
public:
    Parser(QByteArrayView data, const QHash<QString, QByteArray>& files)
        : m_tokens(data),
          m_files(files),
          m_doc(AttributedText::makeDocument()),
          m_cursor(m_doc.get())
    { }

    std::unique_ptr<QTextDocument> run(Error* error);

private:
    Group& group() { return m_stack.back(); }
    bool fail(Error* error, const QString& reason);
    void handleWord(const RtfToken& token, Error* error, bool* failed);
    void handleSymbol(const RtfToken& token);
    void handleText(QByteArrayView text);
    void handleByte(unsigned char byte);
    void openGroup();
    void closeGroup();
    void setDestination(Destination destination) { group().destination = destination; }

    void appendChar(char16_t c);
    void put(QStringView text);
    void put(char16_t c) { put(QStringView(&c, 1)); }
    void appendUnicode(int value);
    void flushBytes();
    void flushText();
    void paragraphBreak();
    void applyBlockFormat(const ParaState& state);
    QTextCharFormat charFormat(const CharState& state);
    int currentCodePage();
    void insertAttachment(const TextAttachment& attachment);
    void finishGraphic();
    void finishPicture();
    void commitFont();
    void commitExpandedColor();
    QColor color(int index) const;

    RtfTokenizer m_tokens;
    const QHash<QString, QByteArray>& m_files;
    std::unique_ptr<QTextDocument> m_doc;
    QTextCursor m_cursor;
    std::vector<Group> m_stack;
    DocumentAttributes m_attributes;

    int m_ansiCodePage = 1252;
    int m_defaultFont = -1;
    QHash<int, FontEntry> m_fonts;
    int m_fontNumber = -1;
    int m_fontCharset = 0;
    QByteArray m_fontName;
    std::vector<QColor> m_colors;
    std::vector<QColor> m_expandedColors;
    int m_red = -1, m_green = -1, m_blue = -1;
    bool m_gray = false;
    std::vector<int> m_components;

    QString m_text;
    CharState m_textState;
    QTextCharFormat m_textFormat;
    bool m_textFormatValid = false;
    QByteArray m_bytes;
    bool m_expectTrailByte = false;
    char16_t m_highSurrogate = 0;
    int m_skip = 0;
    bool m_ignorable = false;
    ParaState m_blockState;
    bool m_blockStateApplied = false;

    std::vector<QString> m_fieldInstructions;
    GraphicState m_graphic;
    std::vector<TextAttachment> m_pendingAttachments;
    PictureState m_picture;
};

bool Parser::fail(Error* error, const QString& reason)
{
    return Error::set(error,
        Error(kCocoaErrorDomain, FileReadCorruptFileError,
            QStringLiteral("The rich text could not be read."), reason));
}

std::unique_ptr<QTextDocument> Parser::run(Error* error)
{
    m_stack.reserve(64);
    RtfToken token = m_tokens.next();
    const RtfToken header = m_tokens.next();
    if (token.type != RtfToken::Type::GroupOpen || header.type != RtfToken::Type::ControlWord
        || header.text != "rtf") {
        fail(error, QStringLiteral("The data does not start with an RTF header."));
        return nullptr;
    }
    m_stack.push_back(Group {});
    m_cursor.beginEditBlock();
    bool failed = false;
    while (!m_stack.empty() && !failed) {
        token = m_tokens.next();
        if (m_skip > 0 && token.type != RtfToken::Type::GroupOpen
            && token.type != RtfToken::Type::GroupClose && token.type != RtfToken::Type::End) {
            if (token.type == RtfToken::Type::Text) {
                const qsizetype skipped = std::min<qsizetype>(m_skip, token.text.size());
                m_skip -= int(skipped);
                token.text = token.text.sliced(skipped);
                if (token.text.isEmpty())
                    continue;
            } else {
                --m_skip;
                if (token.type == RtfToken::Type::ControlWord && token.text == "bin") {
                    QByteArrayView ignored;
                    if (!token.hasParameter || !m_tokens.takeBinary(token.parameter, &ignored)) {
                        fail(error, QStringLiteral("Binary data runs past the end."));
                        return nullptr;
                    }
                }
                continue;
            }
        }
        switch (token.type) {
        case RtfToken::Type::End:
            fail(error, QStringLiteral("The data ends inside a group."));
            return nullptr;
        case RtfToken::Type::GroupOpen:
            m_skip = 0;
            if (m_stack.size() >= size_t(RtfReader::MaximumNesting)) {
                fail(error, QStringLiteral("Groups are nested too deeply."));
                return nullptr;
            }
            openGroup();
            break;
        case RtfToken::Type::GroupClose:
            m_skip = 0;
            closeGroup();
            break;
        case RtfToken::Type::ControlWord:
            handleWord(token, error, &failed);
            break;
        case RtfToken::Type::ControlSymbol:
            handleSymbol(token);
            break;
        case RtfToken::Type::Text:
            handleText(token.text);
            break;
        }
    }
    if (failed)
        return nullptr;
    while (!m_tokens.atEnd()) {
        const RtfToken rest = m_tokens.next();
        if (rest.type == RtfToken::Type::End)
            break;
        const bool blank = rest.type == RtfToken::Type::Text
            && std::all_of(rest.text.begin(), rest.text.end(),
                [](char c) { return c == ' ' || c == '\t' || c == '\0'; });
        if (!blank) {
            fail(error, QStringLiteral("Data follows the end of the document."));
            return nullptr;
        }
    }
    m_cursor.endEditBlock();
    AttributedText::setDocumentAttributes(*m_doc, m_attributes);
    return std::move(m_doc);
}

void Parser::openGroup()
{
    flushBytes();
    m_ignorable = false;
    m_stack.push_back(m_stack.back());
    group().opensField = false;
    group().opensAttachment = false;
}

void Parser::closeGroup()
{
    flushBytes();
    m_ignorable = false;
    const Group closed = std::move(m_stack.back());
    m_stack.pop_back();
    switch (closed.destination) {
    case Destination::FontTable:
        if (!m_fontName.isEmpty())
            commitFont();
        break;
    case Destination::Graphic:
        if (m_stack.empty() || group().destination == Destination::Graphic)
            break;
        finishGraphic();
        break;
    case Destination::Picture:
        if (!m_stack.empty() && group().destination != Destination::Picture)
            finishPicture();
        break;
    default:
        break;
    }
    if (closed.opensField && !m_fieldInstructions.empty())
        m_fieldInstructions.pop_back();
    if (closed.opensAttachment && !m_pendingAttachments.empty()) {
        const TextAttachment attachment = m_pendingAttachments.back();
        m_pendingAttachments.pop_back();
        insertAttachment(attachment);
    }
    if (m_stack.empty()) {
        flushText();
        applyBlockFormat(closed.para);
    }
}

void Parser::finishGraphic()
{
    TextAttachment attachment;
    attachment.fileName = QString::fromUtf8(m_graphic.name).trimmed();
    attachment.contents = m_files.value(attachment.fileName);
    if (m_graphic.width > 0 && m_graphic.height > 0)
        attachment.size = QSizeF(m_graphic.width / 20.0, m_graphic.height / 20.0);
    m_graphic = {};
    // The enclosing group holds a placeholder character after this one; the attachment takes
    // its place when that group closes. At the top level there is no such group.
    if (m_stack.size() >= 2 && group().destination == Destination::Text) {
        m_pendingAttachments.push_back(attachment);
        group().opensAttachment = true;
        group().destination = Destination::Placeholder;
    } else {
        insertAttachment(attachment);
    }
}

void Parser::finishPicture()
{
    PictureState picture = std::move(m_picture);
    m_picture = {};
    if (group().destination != Destination::Text && group().destination != Destination::Placeholder)
        return;
    if (picture.kind != PictureState::Kind::Png && picture.kind != PictureState::Kind::Jpeg)
        return;
    if (picture.data.isEmpty())
        return;
    TextAttachment attachment;
    attachment.contents = picture.data;
    attachment.fileName = picture.kind == PictureState::Kind::Png ? QStringLiteral("image.png")
                                                                  : QStringLiteral("image.jpg");
    if (picture.widthGoal > 0 && picture.heightGoal > 0)
        attachment.size = QSizeF(picture.widthGoal / 20.0, picture.heightGoal / 20.0);
    if (group().destination == Destination::Text)
        insertAttachment(attachment);
}

void Parser::insertAttachment(const TextAttachment& attachment)
{
    flushText();
    m_cursor.setCharFormat(charFormat(group().chars));
    AttributedText::insertAttachment(m_cursor, attachment);
}

void Parser::commitFont()
{
    const int codePage = RtfCodePage::forCharset(m_fontCharset);
    QByteArray name = m_fontName.trimmed();
    if (name.endsWith(';'))
        name.chop(1);
    FontEntry entry = fontFromName(RtfCodePage::decode(codePage ? codePage : m_ansiCodePage, name));
    entry.codePage = codePage;
    if (m_fontNumber >= 0)
        m_fonts.insert(m_fontNumber, entry);
    m_fontName.clear();
    m_fontCharset = 0;
}

void Parser::commitExpandedColor()
{
    QColor result;
    const auto component = [&](size_t i) {
        return std::clamp(int(std::lround(m_components[i] * 65535.0 / 100000.0)), 0, 65535);
    };
    if (m_gray && !m_components.empty()) {
        const int white = component(0);
        const int alpha = m_components.size() > 1 ? component(1) : 65535;
        result = QColor::fromRgba64(white, white, white, alpha);
    } else if (!m_gray && m_components.size() >= 3) {
        const int alpha = m_components.size() > 3 ? component(3) : 65535;
        result = QColor::fromRgba64(component(0), component(1), component(2), alpha);
    }
    m_expandedColors.push_back(result);
    m_components.clear();
    m_gray = false;
}

QColor Parser::color(int index) const
{
    if (index < 0)
        return {};
    if (size_t(index) < m_expandedColors.size() && m_expandedColors[index].isValid())
        return m_expandedColors[index];
    if (size_t(index) < m_colors.size())
        return m_colors[index];
    return {};
}

int Parser::currentCodePage()
{
    const int font = group().chars.font;
    if (font >= 0) {
        const auto entry = m_fonts.constFind(font);
        if (entry != m_fonts.constEnd() && entry->codePage)
            return entry->codePage;
    }
    return m_ansiCodePage;
}

void Parser::handleByte(unsigned char byte)
{
    const Destination destination = group().destination;
    if (destination == Destination::Graphic) {
        m_graphic.name.append(char(byte));
        return;
    }
    if (destination == Destination::FontTable) {
        m_fontName.append(char(byte));
        return;
    }
    if (destination != Destination::Text && destination != Destination::FieldInstruction)
        return;
    const int codePage = currentCodePage();
    if (const RtfCodePage::Table* table = RtfCodePage::singleByteTable(codePage)) {
        flushBytes();
        appendChar((*table)[byte]);
        return;
    }
    m_bytes.append(char(byte));
    m_expectTrailByte = !m_expectTrailByte && byte >= 0x81;
}

void Parser::flushBytes()
{
    if (m_bytes.isEmpty())
        return;
    const QString text = RtfCodePage::decode(currentCodePage(), m_bytes);
    m_bytes.clear();
    m_expectTrailByte = false;
    for (QChar c : text)
        appendChar(c.unicode());
}

void Parser::appendChar(char16_t c)
{
    // NUL never belongs to the text (it would not survive being written back).
    if (c == 0)
        return;
    if (!m_bytes.isEmpty())
        flushBytes();
    if (QChar::isHighSurrogate(c)) {
        if (m_highSurrogate)
            put(0xFFFD);
        m_highSurrogate = c;
        return;
    }
    if (QChar::isLowSurrogate(c)) {
        if (!m_highSurrogate) {
            put(0xFFFD);
            return;
        }
        const char16_t pair[2] = { m_highSurrogate, c };
        m_highSurrogate = 0;
        put(QStringView(pair, 2));
        return;
    }
    if (m_highSurrogate) {
        m_highSurrogate = 0;
        put(0xFFFD);
    }
    put(c);
}

void Parser::put(QStringView text)
{
    switch (group().destination) {
    case Destination::Text:
        break;
    case Destination::FieldInstruction:
        if (!m_fieldInstructions.empty())
            m_fieldInstructions.back().append(text);
        return;
    case Destination::Graphic:
        m_graphic.name.append(text.toUtf8());
        return;
    default:
        return;
    }
    if (!m_textFormatValid || !(group().chars == m_textState)) {
        flushText();
        m_textState = group().chars;
        m_textFormatValid = false;
    }
    m_text.append(text);
}

void Parser::appendUnicode(int value)
{
    if (value < 0)
        value += 65536;
    if (value <= 0 || value > 0xFFFF)
        return;
    appendChar(char16_t(value));
}

QTextCharFormat Parser::charFormat(const CharState& state)
{
    QTextCharFormat format;
    bool bold = state.bold;
    bool italic = state.italic;
    bool hasFont = false;
    if (state.font >= 0) {
        const auto entry = m_fonts.constFind(state.font);
        if (entry != m_fonts.constEnd()) {
            format.setFontFamilies(QStringList { entry->family });
            bold = bold || entry->bold;
            italic = italic || entry->italic;
            hasFont = true;
        }
    }
    if (state.size > 0) {
        format.setFontPointSize(state.size);
        hasFont = true;
    }
    if (hasFont || bold)
        format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    if (hasFont || italic)
        format.setFontItalic(italic);
    if (const QColor c = color(state.foreground); state.foreground > 0 && c.isValid())
        format.setForeground(c);
    if (const QColor c = color(state.background); state.background > 0 && c.isValid())
        format.setBackground(c);
    if (state.underline) {
        format.setProperty(AttributedText::UnderlineMaskProperty, state.underline);
        format.setFontUnderline(true);
    }
    if (const QColor c = color(state.underlineColor); state.underlineColor > 0 && c.isValid())
        format.setUnderlineColor(c);
    if (state.strike) {
        format.setProperty(AttributedText::StrikethroughMaskProperty, state.strike);
        format.setFontStrikeOut(true);
    }
    if (const QColor c = color(state.strikeColor); state.strikeColor > 0 && c.isValid())
        format.setProperty(AttributedText::StrikethroughColorProperty, c);
    if (state.superscript > 0)
        format.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (state.superscript < 0)
        format.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    if (state.baselineOffset != 0)
        format.setProperty(AttributedText::BaselineOffsetProperty, state.baselineOffset);
    if (!state.link.isEmpty()) {
        format.setAnchor(true);
        format.setAnchorHref(state.link);
    }
    return format;
}

void Parser::flushText()
{
    if (m_highSurrogate) {
        m_highSurrogate = 0;
        m_text.append(QChar(0xFFFD));
    }
    if (m_text.isEmpty())
        return;
    if (!m_textFormatValid) {
        m_textFormat = charFormat(m_textState);
        m_textFormatValid = true;
    }
    m_cursor.insertText(m_text, m_textFormat);
    m_text.clear();
}

void Parser::applyBlockFormat(const ParaState& state)
{
    if (!state.set || (m_blockStateApplied && state == m_blockState))
        return;
    QTextBlockFormat format;
    AttributedText::setParagraphStyle(format, state.style());
    m_cursor.setBlockFormat(format);
    m_blockState = state;
    m_blockStateApplied = true;
}

void Parser::paragraphBreak()
{
    if (group().destination != Destination::Text)
        return;
    flushBytes();
    flushText();
    applyBlockFormat(group().para);
    if (!m_textFormatValid || !(group().chars == m_textState)) {
        m_textState = group().chars;
        m_textFormat = charFormat(m_textState);
        m_textFormatValid = true;
    }
    m_cursor.insertBlock(m_cursor.blockFormat(), m_textFormat);
}

void Parser::handleSymbol(const RtfToken& token)
{
    switch (token.symbol) {
    case '\'':
        if (token.parameter >= 0)
            handleByte(static_cast<unsigned char>(token.parameter));
        return;
    case '*':
        m_ignorable = true;
        return;
    case '\n':
    case '\r':
        paragraphBreak();
        return;
    case '~':
        appendChar(0x00A0);
        return;
    case '-':
        appendChar(0x00AD);
        return;
    case '_':
        appendChar(0x2011);
        return;
    case '\\':
    case '{':
    case '}':
        handleByte(static_cast<unsigned char>(token.symbol));
        return;
    case '\t':
        appendChar(u'\t');
        return;
    default:
        return;
    }
}

void Parser::handleText(QByteArrayView text)
{
    const Destination destination = group().destination;
    if (destination == Destination::Skip || destination == Destination::Placeholder)
        return;
    if (destination == Destination::ColorTable) {
        for (char c : text) {
            if (c == ';') {
                m_colors.push_back(m_red >= 0 || m_green >= 0 || m_blue >= 0
                        ? QColor(std::clamp(m_red, 0, 255), std::clamp(m_green, 0, 255),
                            std::clamp(m_blue, 0, 255))
                        : QColor());
                m_red = m_green = m_blue = -1;
            }
        }
        return;
    }
    if (destination == Destination::ExpandedColorTable) {
        for (char c : text) {
            if (c == ';')
                commitExpandedColor();
        }
        return;
    }
    if (destination == Destination::Picture) {
        for (char c : text) {
            int value = -1;
            if (c >= '0' && c <= '9')
                value = c - '0';
            else if (c >= 'a' && c <= 'f')
                value = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                value = c - 'A' + 10;
            if (value < 0)
                continue;
            if (m_picture.pendingNibble < 0) {
                m_picture.pendingNibble = value;
            } else {
                m_picture.data.append(char(m_picture.pendingNibble * 16 + value));
                m_picture.pendingNibble = -1;
            }
        }
        return;
    }
    if (destination == Destination::FontTable) {
        for (char c : text) {
            m_fontName.append(c);
            if (c == ';')
                commitFont();
        }
        return;
    }
    if (destination == Destination::Graphic) {
        m_graphic.name.append(text.data(), text.size());
        return;
    }
    // Text and field instructions: ASCII goes straight in; other bytes through the code page.
    qsizetype i = 0;
    while (i < text.size()) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x80 || (m_expectTrailByte && !m_bytes.isEmpty())) {
            handleByte(byte);
            ++i;
            continue;
        }
        if (byte < 0x20 && byte != '\t') {
            // Raw control bytes are not text in RTF.
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < text.size() && static_cast<unsigned char>(text[end]) < 0x80
            && (static_cast<unsigned char>(text[end]) >= 0x20 || text[end] == '\t'))
            ++end;
        if (destination == Destination::Text && !m_highSurrogate && m_bytes.isEmpty()) {
            if (!m_textFormatValid || !(group().chars == m_textState)) {
                flushText();
                m_textState = group().chars;
                m_textFormatValid = false;
            }
            m_text.append(QLatin1StringView(text.data() + i, end - i));
        } else {
            for (qsizetype k = i; k < end; ++k)
                appendChar(char16_t(static_cast<unsigned char>(text[k])));
        }
        i = end;
    }
}

void Parser::handleWord(const RtfToken& token, Error* error, bool* failed)
{
    const auto found = keywords().find(std::string_view(token.text.data(), token.text.size()));
    const KeywordEntry entry
        = found == keywords().end() ? KeywordEntry { Keyword::Unknown } : found->second;
    const bool ignorable = m_ignorable;
    m_ignorable = false;
    if (entry.keyword != Keyword::Unicode && entry.keyword != Keyword::Binary)
        flushBytes();
    const int value = token.parameter;
    const bool has = token.hasParameter;
    Group& g = group();
    CharState& chars = g.chars;
    ParaState& para = g.para;
    const Destination destination = g.destination;

    if (entry.keyword == Keyword::Binary) {
        QByteArrayView bytes;
        if (!has || !m_tokens.takeBinary(value, &bytes)) {
            fail(error, QStringLiteral("Binary data runs past the end."));
            *failed = true;
            return;
        }
        if (destination == Destination::Picture)
            m_picture.data.append(bytes.data(), bytes.size());
        return;
    }
    if (destination == Destination::Skip || destination == Destination::Placeholder)
        return;
    if (entry.keyword == Keyword::Unicode) {
        if (has) {
            appendUnicode(value);
            m_skip = g.unicodeSkip;
        }
        return;
    }
    if (entry.keyword == Keyword::UnicodeSkip) {
        g.unicodeSkip = std::clamp(value, 0, 16);
        return;
    }
    if (ignorable && entry.keyword != Keyword::ExpandedColorTable
        && entry.keyword != Keyword::FieldInstruction && entry.keyword != Keyword::ShapePicture
        && entry.keyword != Keyword::FontTable && entry.keyword != Keyword::ColorTable) {
        setDestination(Destination::Skip);
        return;
    }

    switch (entry.keyword) {
    case Keyword::Unknown:
    case Keyword::Rtf:
        return;
    case Keyword::AnsiCodePage:
        if (RtfCodePage::isKnown(value))
            m_ansiCodePage = value;
        return;
    case Keyword::DefaultFont:
        m_defaultFont = value;
        if (destination == Destination::Text && m_stack.size() == 1)
            chars.font = value;
        return;
    case Keyword::PaperWidth:
        m_attributes.paperSize.setWidth(value / 20.0);
        return;
    case Keyword::PaperHeight:
        m_attributes.paperSize.setHeight(value / 20.0);
        return;
    case Keyword::MarginLeft:
        m_attributes.margins.setLeft(value / 20.0);
        return;
    case Keyword::MarginRight:
        m_attributes.margins.setRight(value / 20.0);
        return;
    case Keyword::MarginTop:
        m_attributes.margins.setTop(value / 20.0);
        return;
    case Keyword::MarginBottom:
        m_attributes.margins.setBottom(value / 20.0);
        return;
    case Keyword::ViewWidth:
        m_attributes.viewSize.setWidth(value / 20.0);
        return;
    case Keyword::ViewHeight:
        m_attributes.viewSize.setHeight(value / 20.0);
        return;
    case Keyword::ViewKind:
        m_attributes.viewKind = value;
        return;
    case Keyword::ViewScale:
        m_attributes.viewScale = value;
        return;
    case Keyword::DefaultTab:
        m_attributes.defaultTabInterval = value / 20.0;
        return;
    case Keyword::ReadOnly:
        m_attributes.readOnly = !has || value != 0;
        return;
    case Keyword::FontTable:
        setDestination(Destination::FontTable);
        return;
    case Keyword::ColorTable:
        setDestination(Destination::ColorTable);
        m_colors.clear();
        return;
    case Keyword::ExpandedColorTable:
        setDestination(Destination::ExpandedColorTable);
        m_expandedColors.clear();
        return;
    case Keyword::SkippedDestination:
        setDestination(Destination::Skip);
        return;
    case Keyword::Field:
        if (destination == Destination::Text) {
            g.opensField = true;
            m_fieldInstructions.emplace_back();
        }
        return;
    case Keyword::FieldInstruction:
        setDestination(
            m_fieldInstructions.empty() ? Destination::Skip : Destination::FieldInstruction);
        return;
    case Keyword::FieldResult:
        setDestination(Destination::Text);
        if (!m_fieldInstructions.empty()) {
            const QString target = hyperlinkTarget(m_fieldInstructions.back());
            if (!target.isEmpty())
                chars.link = target;
        }
        return;
    case Keyword::NeXTGraphic:
        if (destination == Destination::Text) {
            m_graphic = {};
            setDestination(Destination::Graphic);
        } else {
            setDestination(Destination::Skip);
        }
        return;
    case Keyword::Picture:
        if (destination == Destination::Text) {
            m_picture = {};
            setDestination(Destination::Picture);
        } else {
            setDestination(Destination::Skip);
        }
        return;
    case Keyword::ShapePicture:
        return;
    default:
        break;
    }

    if (destination == Destination::FontTable) {
        if (entry.keyword == Keyword::Font) {
            if (!m_fontName.isEmpty())
                commitFont();
            m_fontNumber = value;
        } else if (entry.keyword == Keyword::FontCharset) {
            m_fontCharset = value;
        }
        return;
    }
    if (destination == Destination::ColorTable) {
        if (entry.keyword == Keyword::Red)
            m_red = value;
        else if (entry.keyword == Keyword::Green)
            m_green = value;
        else if (entry.keyword == Keyword::Blue)
            m_blue = value;
        return;
    }
    if (destination == Destination::ExpandedColorTable) {
        if (entry.keyword == Keyword::ColorSpaceGray)
            m_gray = true;
        else if (entry.keyword == Keyword::ColorSpaceRgb)
            m_gray = false;
        else if (entry.keyword == Keyword::ColorComponent && m_components.size() < 8)
            m_components.push_back(value);
        return;
    }
    if (destination == Destination::Graphic) {
        if (entry.keyword == Keyword::Width)
            m_graphic.width = value;
        else if (entry.keyword == Keyword::Height)
            m_graphic.height = value;
        return;
    }
    if (destination == Destination::Picture) {
        if (entry.keyword == Keyword::PngBlip)
            m_picture.kind = PictureState::Kind::Png;
        else if (entry.keyword == Keyword::JpegBlip)
            m_picture.kind = PictureState::Kind::Jpeg;
        else if (entry.keyword == Keyword::OtherBlip)
            m_picture.kind = PictureState::Kind::Other;
        else if (entry.keyword == Keyword::PictureWidthGoal)
            m_picture.widthGoal = value;
        else if (entry.keyword == Keyword::PictureHeightGoal)
            m_picture.heightGoal = value;
        return;
    }

    const bool on = !has || value != 0;
    switch (entry.keyword) {
    case Keyword::Font:
        chars.font = value;
        return;
    case Keyword::Plain: {
        const QString link = chars.link;
        chars = CharState {};
        chars.font = m_defaultFont;
        chars.size = 12;
        chars.link = link;
        return;
    }
    case Keyword::Bold:
        chars.bold = on;
        return;
    case Keyword::Italic:
        chars.italic = on;
        return;
    case Keyword::Underline:
        chars.underline = on ? 0x01 : 0;
        return;
    case Keyword::UnderlineNone:
        chars.underline = 0;
        return;
    case Keyword::UnderlineDotted:
        chars.underline = on ? 0x0101 : 0;
        return;
    case Keyword::UnderlineDouble:
        chars.underline = on ? 0x09 : 0;
        return;
    case Keyword::UnderlineDash:
        chars.underline = on ? 0x0201 : 0;
        return;
    case Keyword::UnderlineDashDot:
        chars.underline = on ? 0x0301 : 0;
        return;
    case Keyword::UnderlineDashDotDot:
        chars.underline = on ? 0x0401 : 0;
        return;
    case Keyword::UnderlineThick:
        chars.underline = on ? 0x02 : 0;
        return;
    case Keyword::UnderlineWord:
        chars.underline = on ? 0x8001 : 0;
        return;
    case Keyword::UnderlineWave:
        chars.underline = on ? 0x01 : 0;
        return;
    case Keyword::UnderlineColor:
        chars.underlineColor = value;
        return;
    case Keyword::UnderlineStyle:
        chars.underline = has ? value : 0x01;
        return;
    case Keyword::Strike:
        chars.strike = on ? 0x01 : 0;
        return;
    case Keyword::StrikeDouble:
        chars.strike = on ? 0x09 : 0;
        return;
    case Keyword::StrikeColor:
        chars.strikeColor = value;
        return;
    case Keyword::StrikeStyle:
        chars.strike = has ? value : 0x01;
        return;
    case Keyword::ForegroundColor:
        chars.foreground = value;
        return;
    case Keyword::BackgroundColor:
        chars.background = value;
        return;
    case Keyword::Super:
        chars.superscript = on ? 1 : 0;
        return;
    case Keyword::Sub:
        chars.superscript = on ? -1 : 0;
        return;
    case Keyword::NoSuperSub:
        chars.superscript = 0;
        return;
    case Keyword::Up:
        chars.baselineOffset = (has ? value : 6) / 2.0;
        return;
    case Keyword::Down:
        chars.baselineOffset = -double(has ? value : 6) / 2.0;
        return;
    case Keyword::FontSize:
        if (value > 0)
            chars.size = value / 2.0;
        return;
    case Keyword::FontSizeMilli:
        if (value > 0)
            chars.size = value / 1000.0;
        return;
    case Keyword::ParagraphDefault: {
        para = ParaState {};
        para.set = true;
        return;
    }
    case Keyword::AlignLeft:
        para.set = true;
        para.alignment = TextAlignment::Left;
        return;
    case Keyword::AlignCenter:
        para.set = true;
        para.alignment = TextAlignment::Center;
        return;
    case Keyword::AlignRight:
        para.set = true;
        para.alignment = TextAlignment::Right;
        return;
    case Keyword::AlignJustified:
        para.set = true;
        para.alignment = TextAlignment::Justified;
        return;
    case Keyword::AlignNatural:
        para.set = true;
        para.alignment = TextAlignment::Natural;
        return;
    case Keyword::LeftIndent:
        para.set = true;
        para.leftIndent = value;
        return;
    case Keyword::FirstIndent:
        para.set = true;
        para.firstIndent = value;
        return;
    case Keyword::RightIndent:
        para.set = true;
        para.rightIndent = value;
        return;
    case Keyword::SpaceBefore:
        para.set = true;
        para.spaceBefore = value;
        return;
    case Keyword::SpaceAfter:
        para.set = true;
        para.spaceAfter = value;
        return;
    case Keyword::TabStop:
    case Keyword::BarTab:
        para.set = true;
        if (para.tabs.size() < 256)
            para.tabs.append({ para.pendingTabType, value / 20.0 });
        para.pendingTabType = TextTabType::Left;
        return;
    case Keyword::TabRight:
        para.pendingTabType = TextTabType::Right;
        return;
    case Keyword::TabCenter:
        para.pendingTabType = TextTabType::Center;
        return;
    case Keyword::TabDecimal:
        para.pendingTabType = TextTabType::Decimal;
        return;
    case Keyword::ParagraphDefaultTab:
        para.set = true;
        para.defaultTab = value;
        return;
    case Keyword::LineSpacing:
        para.set = true;
        para.lineSpacing = value;
        return;
    case Keyword::LineSpacingMultiple:
        para.set = true;
        para.lineMultiple = on;
        return;
    case Keyword::LineLeading:
        para.set = true;
        para.leading = value;
        return;
    case Keyword::LineMaximum:
        para.set = true;
        para.lineMaximum = value;
        return;
    case Keyword::LineMinimum:
        para.set = true;
        para.lineMinimum = value;
        return;
    case Keyword::Paragraph:
        paragraphBreak();
        return;
    case Keyword::Line:
        appendChar(0x2028);
        return;
    case Keyword::Tab:
        appendChar(u'\t');
        return;
    case Keyword::Character:
        appendChar(entry.character);
        return;
    default:
        return;
    }
}

} // namespace

std::unique_ptr<QTextDocument> RtfReader::read(
    QByteArrayView rtf, const QHash<QString, QByteArray>& files, Error* error)
{
    Parser parser(rtf, files);
    return parser.run(error);
}

} // namespace platform

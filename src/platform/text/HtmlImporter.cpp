#include "HtmlImporter.h"

#include "HtmlNestingLimiter.h"

#include <QHash>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <vector>

namespace platform {

namespace {

// Noncharacters, which no page holds as text: one absent from the HTML marks where an image
// stood. U+FDD0 and U+FDD1 are left out: Qt's documents mark frames with them.
constexpr char16_t kFirstMark = 0xFDD2;
constexpr char16_t kLastMark = 0xFDEF;

QChar unusedMark(const QString& html)
{
    for (char16_t mark = kFirstMark; mark <= kLastMark; ++mark) {
        if (!html.contains(QChar(mark)))
            return QChar(mark);
    }
    return QChar();
}

bool startsWith(const QString& html, qsizetype at, QLatin1StringView prefix)
{
    return QStringView(html).mid(at, prefix.size()).compare(prefix, Qt::CaseInsensitive) == 0;
}

// Where the tag reaching `from` ends: its first ">" outside quoted attribute values.
qsizetype tagEnd(const QString& html, qsizetype from)
{
    QChar quote;
    for (qsizetype at = from; at < html.size(); ++at) {
        const QChar ch = html.at(at);
        if (!quote.isNull()) {
            if (ch == quote)
                quote = QChar();
        } else if (ch == QLatin1Char('"') || ch == QLatin1Char('\'')) {
            quote = ch;
        } else if (ch == QLatin1Char('>')) {
            return at;
        }
    }
    return -1;
}

// The HTML with each inline <img> tag replaced by `mark`, and the tags in order. Comments and
// the content of style and script elements are passed over, as the importer passes them.
// Floating images are left to the importer: they are no character of their paragraph.
QString markImages(const QString& html, QChar mark, QStringList& tags)
{
    QString marked;
    qsizetype copied = 0;
    const qsizetype length = html.size();
    for (qsizetype at = html.indexOf(QLatin1Char('<')); at >= 0;
         at = html.indexOf(QLatin1Char('<'), at + 1)) {
        if (startsWith(html, at, QLatin1StringView("<!--"))) {
            at = html.indexOf(QLatin1StringView("-->"), at + 4);
            if (at < 0)
                break;
            continue;
        }
        if (startsWith(html, at, QLatin1StringView("<style"))
            || startsWith(html, at, QLatin1StringView("<script"))) {
            const bool style = startsWith(html, at, QLatin1StringView("<style"));
            at = html.indexOf(style ? QLatin1StringView("</style") : QLatin1StringView("</script"),
                at, Qt::CaseInsensitive);
            if (at < 0)
                break;
            continue;
        }
        if (!startsWith(html, at, QLatin1StringView("<img")) || at + 4 >= length
            || html.at(at + 4).isLetterOrNumber())
            continue;
        const qsizetype end = tagEnd(html, at + 4);
        if (end < 0)
            break;
        const QString tag = html.mid(at, end + 1 - at);
        if (tag.contains(QLatin1StringView("float"), Qt::CaseInsensitive))
            continue;
        tags << tag;
        marked += QStringView(html).mid(copied, at - copied);
        marked += mark;
        copied = end + 1;
        at = end;
    }
    if (tags.isEmpty())
        return html;
    marked += QStringView(html).mid(copied);
    return marked;
}

// The character format Qt's importer gives the image a tag names, read from a document of
// that tag alone; an invalid format when it makes no image.
QTextCharFormat imageFormat(const QString& tag, const QUrl& baseUrl)
{
    QTextDocument single;
    single.setUndoRedoEnabled(false);
    single.setBaseUrl(baseUrl);
    single.setHtml(tag);
    for (QTextBlock::iterator it = single.begin().begin(); !it.atEnd(); ++it) {
        if (it.fragment().charFormat().isImageFormat())
            return it.fragment().charFormat();
    }
    return {};
}

struct Mark {
    int position;
    QTextCharFormat format;
};

std::vector<Mark> marksIn(const QTextDocument& document, QChar mark)
{
    std::vector<Mark> marks;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QString text = fragment.text();
            for (qsizetype i = text.indexOf(mark); i >= 0; i = text.indexOf(mark, i + 1))
                marks.push_back({ fragment.position() + int(i), fragment.charFormat() });
        }
    }
    return marks;
}

// Puts the images in where their marks are, each with its mark's character format (links,
// emphasis) under its own; false, changing nothing, when the marks do not match the tags.
bool replaceMarks(QTextDocument& document, QChar mark, const QStringList& tags)
{
    const std::vector<Mark> marks = marksIn(document, mark);
    if (marks.size() != size_t(tags.size()))
        return false;
    QHash<QString, QTextCharFormat> formats;
    std::vector<QTextCharFormat> images;
    images.reserve(marks.size());
    for (const QString& tag : tags) {
        auto known = formats.constFind(tag);
        if (known == formats.cend())
            known = formats.insert(tag, imageFormat(tag, document.baseUrl()));
        if (!known->isValid())
            return false;
        images.push_back(*known);
    }
    // One edit block: the cursor neither lays out nor reports anything until its end.
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (size_t i = 0; i < marks.size(); ++i) {
        QTextCharFormat format = marks[i].format;
        format.merge(images[i]);
        cursor.setPosition(marks[i].position);
        cursor.setPosition(marks[i].position + 1, QTextCursor::KeepAnchor);
        cursor.insertText(QString(QChar::ObjectReplacementCharacter), format);
    }
    cursor.endEditBlock();
    return true;
}

} // namespace

void HtmlImporter::setHtml(QTextDocument& document, const QString& html)
{
    const QString limited = HtmlNestingLimiter::limited(html);
    const QChar mark = unusedMark(limited);
    QStringList tags;
    const QString marked = mark.isNull() ? limited : markImages(limited, mark, tags);
    document.setHtml(marked);
    if (!tags.isEmpty() && !replaceMarks(document, mark, tags))
        document.setHtml(limited);
}

} // namespace platform

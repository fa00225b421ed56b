#include "HtmlImporter.h"

#include "HtmlNestingLimiter.h"

#include <QHash>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>

#include <optional>
#include <vector>

namespace platform {

namespace {

// Noncharacters, which no page holds as text: one absent from the HTML marks where an image
// stood. U+FDD0 and U+FDD1 are left out: Qt's documents mark frames with them.
constexpr char16_t kFirstMark = 0xFDD2;
constexpr char16_t kLastMark = 0xFDEF;

// A page holding every one of them is made to defeat the marks; it loses the first rather than
// have its images read in time in the square of their count.
QChar unusedMark(QString& html)
{
    for (char16_t mark = kFirstMark; mark <= kLastMark; ++mark) {
        if (!html.contains(QChar(mark)))
            return QChar(mark);
    }
    html.remove(QChar(kFirstMark));
    return QChar(kFirstMark);
}

// An image as Qt's importer makes it: its character format, without the object that places it,
// and how that object places it.
struct Image {
    QTextImageFormat format;
    QTextFrameFormat::Position position;
};

// The image Qt's importer makes of a tag, read from a document of that tag alone; none when it
// makes none (a hidden image).
std::optional<Image> imageOf(const QString& tag, QTextDocument& single)
{
    single.setHtml(tag);
    for (QTextBlock::iterator it = single.begin().begin(); !it.atEnd(); ++it) {
        const QTextCharFormat format = it.fragment().charFormat();
        if (!format.isImageFormat())
            continue;
        Image image { format.toImageFormat(), QTextFrameFormat::InFlow };
        if (const auto* frame = qobject_cast<const QTextFrame*>(single.objectForFormat(format)))
            image.position = frame->frameFormat().position();
        image.format.clearProperty(QTextFormat::ObjectIndex);
        return image;
    }
    return std::nullopt;
}

// The number of the image whose mark starts at `at` ("<mark><digits><mark>"), and where the
// mark ends; none when no mark of an image below `count` starts there.
std::optional<qsizetype> markedImage(
    QStringView text, qsizetype at, QChar mark, qsizetype count, qsizetype& end)
{
    end = at + 1;
    while (end < text.size() && text.at(end) >= u'0' && text.at(end) <= u'9')
        ++end;
    if (end == at + 1 || end >= text.size() || text.at(end) != mark)
        return std::nullopt;
    bool ok = false;
    const qsizetype number = text.mid(at + 1, end - at - 1).toLongLong(&ok);
    ++end;
    if (!ok || number >= count)
        return std::nullopt;
    return number;
}

struct PlacedMark {
    int position;
    int length;
    qsizetype image;
    QTextCharFormat format;
};

// Where the importer put the marks, each image's once; marks in hidden elements never arrive.
std::vector<PlacedMark> placedMarks(const QTextDocument& document, QChar mark, qsizetype count)
{
    std::vector<PlacedMark> placed;
    std::vector<bool> seen(size_t(count), false);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        QTextBlock::iterator fragment = block.begin();
        for (qsizetype at = text.indexOf(mark); at >= 0; at = text.indexOf(mark, at + 1)) {
            qsizetype end = 0;
            const std::optional<qsizetype> image = markedImage(text, at, mark, count, end);
            if (!image || seen[size_t(*image)])
                continue;
            seen[size_t(*image)] = true;
            const int position = block.position() + int(at);
            while (fragment.fragment().position() + fragment.fragment().length() <= position)
                ++fragment;
            placed.push_back({ position, int(end - at), *image, fragment.fragment().charFormat() });
            at = end - 1;
        }
    }
    return placed;
}

} // namespace

void HtmlImporter::setHtml(QTextDocument& document, const QString& html)
{
    QString page = html;
    const QChar mark = unusedMark(page);
    // Each image tag the importer would read becomes a numbered mark in an element of its own,
    // so that it sits in the tree where the image would; tags that make the same image share
    // the document that reads them. A hidden image is left out, as the importer leaves it.
    std::vector<Image> images;
    QHash<QString, std::optional<Image>> known;
    QTextDocument single;
    single.setUndoRedoEnabled(false);
    single.setBaseUrl(document.baseUrl());
    const auto markImage = [&](const QString& tag) {
        auto image = known.constFind(tag);
        if (image == known.cend())
            image = known.insert(tag, imageOf(tag, single));
        if (!*image)
            return QString();
        images.push_back(**image);
        return QStringLiteral("<span>") + mark + QString::number(images.size() - 1) + mark
            + QStringLiteral("</span>");
    };
    // Qt's importer strikes through only <s>; deleted text and the old element strike too.
    document.setDefaultStyleSheet(QStringLiteral("del, strike { text-decoration: line-through }"));
    document.setHtml(
        HtmlNestingLimiter::limited(page, HtmlNestingLimiter::kMaximumDepth, markImage));
    if (images.empty())
        return;
    const std::vector<PlacedMark> placed = placedMarks(document, mark, qsizetype(images.size()));
    // One edit block, from the end so that the positions still to come stay where they were:
    // the cursor neither lays out nor reports anything until its end.
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (auto it = placed.rbegin(); it != placed.rend(); ++it) {
        const Image& image = images[size_t(it->image)];
        QTextCharFormat format = it->format;
        format.merge(image.format);
        cursor.setPosition(it->position);
        cursor.setPosition(it->position + it->length, QTextCursor::KeepAnchor);
        cursor.insertImage(format.toImageFormat(), image.position);
    }
    cursor.endEditBlock();
}

} // namespace platform

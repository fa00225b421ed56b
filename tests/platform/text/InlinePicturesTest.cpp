#include "RichTextTestSupport.h"

#include "platform/text/HtmlImageLoader.h"
#include "platform/text/InlinePictureExtractor.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace platform;

namespace {

// A small PNG followed by `size` bytes in all, which image readers ignore after its end; `seed`
// tells pictures apart.
QByteArray picture(qsizetype size, int seed)
{
    QByteArray bytes = bxtest::pngBytes(QSize(2, 2), Qt::green);
    const qsizetype start = bytes.size();
    bytes.resize(size);
    for (qsizetype i = start; i < size; ++i)
        bytes[i] = char((i * 131 + seed * 7) % 251);
    return bytes;
}

QByteArray extract(HtmlImageLoader& loader, const QByteArray& page, qsizetype piece)
{
    InlinePictureExtractor extractor(loader);
    for (qsizetype at = 0; at < page.size(); at += piece)
        extractor.append(QByteArrayView(page).sliced(at, std::min(piece, page.size() - at)));
    return extractor.finish();
}

// The names the pictures taken out go by in the text, in order.
QStringList takenNames(const QByteArray& text)
{
    static const QRegularExpression name(QStringLiteral("base64,(picture[0-9a-f]+n[0-9]+)"),
        QRegularExpression::CaseInsensitiveOption);
    QStringList names;
    for (const QRegularExpressionMatch& match : name.globalMatch(QString::fromLatin1(text)))
        names << match.captured(1);
    return names;
}

} // namespace

// Long payloads leave the text wherever the pieces of the page break, and the loader gives
// their pictures back byte for byte; short ones, other URIs and the words around stay as they
// were, so putting the pictures back gives the page again.
TEST(InlinePictures, LargePicturesLeaveTheTextInAnyPiecesAndComeBackWhole)
{
    const QByteArray first = picture(60'000, 1);
    const QByteArray second = picture(90'001, 2);
    const QByteArray small = bxtest::pngBytes(QSize(1, 1), Qt::red);
    const QByteArray page
        = "Say data: or data:image/png;base64 and data:,text d\n![a](data:image/png;base64,"
        + first.toBase64() + ")\n<a href=x><img src=\"DATA:image/png;BASE64," + second.toBase64()
        + "\"></a> ![s](data:image/png;base64," + small.toBase64() + ") data:text/plain,"
        + QByteArray(70'000, 'x') + " end ![cut](data:image/png;base64," + first.toBase64();
    for (const qsizetype piece : { qsizetype(1), qsizetype(3), qsizetype(4093), page.size() }) {
        SCOPED_TRACE(piece);
        HtmlImageLoader loader { QUrl() };
        const QByteArray text = extract(loader, page, piece);
        const QStringList names = takenNames(text);
        ASSERT_EQ(names.size(), 3);
        EXPECT_LT(text.size(), 75'000);
        QByteArray restored = text;
        const QByteArray pictures[] = { first, second, first };
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE(i);
            const std::optional<TextAttachment> loaded
                = loader.load(QStringLiteral("data:image/png;base64,") + names[i]);
            ASSERT_TRUE(loaded);
            EXPECT_EQ(loaded->contents, pictures[i]);
            EXPECT_EQ(loaded->fileName, QStringLiteral("image.png"));
            restored.replace(names[i].toLatin1(), pictures[i].toBase64());
        }
        EXPECT_EQ(restored, page);
        EXPECT_TRUE(loader.leftOut().isEmpty());
    }
}

// A picture is dropped as soon as its bytes pass the room left, and counted for what it broke:
// its own bound, or the page's once held pictures fill it. A name that stood for a dropped
// picture, or for bytes that are no image, gives nothing.
TEST(InlinePictures, PicturesPastTheBoundsAreDroppedAsTheyArriveAndCounted)
{
    constexpr qint64 megabyte = 1024 * 1024;
    HtmlImageLoader loader(QUrl(), { megabyte, 2 * megabyte });
    const QByteArray fits = picture(900 * 1024, 1);
    const QByteArray page = "![](data:image/png;base64," + fits.toBase64()
        + ") ![](data:image/png;base64," + picture(megabyte + 1, 2).toBase64()
        + ") ![](data:image/png;base64," + fits.toBase64() + ") ![](data:image/png;base64,"
        + fits.toBase64() + ") ![](data:image/png;base64," + QByteArray(90'000, 'A') + ")";
    const QStringList names = takenNames(extract(loader, page, 65'536));
    ASSERT_EQ(names.size(), 5);
    const bool kept[] = { true, false, true, false, false };
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(
            loader.load(QStringLiteral("data:image/png;base64,") + names[i]).has_value(), kept[i]);
    }
    EXPECT_EQ(loader.leftOut(),
        QStringList({ QStringLiteral("A picture larger than 1 MB was left out."),
            QStringLiteral(
                "A picture past the 2 MB one note's pictures may take was left out.") }));
}

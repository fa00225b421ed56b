#include "RichTextTestSupport.h"
#include "support/InteropTools.h"

#include "platform/foundation/TypeIdentifier.h"
#include "platform/text/AttributedText.h"
#include "platform/text/HtmlImageLoader.h"
#include "platform/text/HtmlReader.h"
#include "platform/text/RtfdPackage.h"
#include "platform/text/TextDocumentReader.h"
#include "platform/text/TextFormatRegistry.h"
#include "platform/text/ZipArchive.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>

#include <sys/stat.h>

using namespace platform;

namespace {

void writeFile(const QString& path, const QByteArray& data, qint64 size = -1)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(data);
    // The rest is a hole in the file: big files cost the disk nothing.
    if (size >= 0)
        file.resize(size);
}

struct Picture {
    qsizetype position;
    TextAttachment attachment;
};

std::vector<Picture> picturesOf(const QTextDocument& doc)
{
    std::vector<Picture> pictures;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (AttributedText::isAttachment(it.fragment().charFormat())) {
                pictures.push_back({ it.fragment().position(),
                    AttributedText::attachment(doc, it.fragment().charFormat()) });
            }
        }
    }
    return pictures;
}

QSize imageSize(const QByteArray& bytes)
{
    return QImage::fromData(bytes).size();
}

// A note of two lines with a 40 x 30 picture in its first.
std::unique_ptr<QTextDocument> noteWithPicture()
{
    auto note = AttributedText::makeDocument();
    QTextCursor cursor(note.get());
    cursor.insertText(QStringLiteral("Look: "));
    AttributedText::insertAttachment(cursor,
        { bxtest::pngBytes(QSize(40, 30), Qt::blue), QStringLiteral("Pasted Graphic.png"), {} });
    cursor.insertText(QStringLiteral(" here\nThe end"));
    return note;
}

QString exportNote(const QTemporaryDir& dir, const QString& type, const QString& name)
{
    const std::optional<TextFormat> format = TextFormatRegistry::formatForType(type);
    EXPECT_TRUE(format) << type.toStdString();
    const QString path = dir.filePath(name);
    Error error;
    EXPECT_TRUE(format && format->write(*noteWithPicture(), {}, path, &error))
        << error.toString().toStdString();
    return path;
}

} // namespace

// Pictures written into a page and files beside it come in; what names no readable picture on
// this computer (a missing file, text, a pipe, the network) goes, leaving the text around it.
TEST(HtmlImages, PicturesComeInFromThePageAndFromBesideIt)
{
    QTemporaryDir dir;
    const QByteArray red = bxtest::pngBytes(QSize(4, 3), Qt::red);
    const QByteArray blue = bxtest::pngBytes(QSize(2, 2), Qt::blue);
    writeFile(dir.filePath(QStringLiteral("pic.png")), red);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    writeFile(dir.filePath(QStringLiteral("sub/pic two.png")), blue);
    writeFile(dir.filePath(QStringLiteral("notes.png")), "not a picture");
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("pipe.png"))), 0600), 0);
    const QString page
        = QStringLiteral("<p>a <img src=\"pic.png\" width=8 height=6> b "
                         "<img src=\"data:image/png;base64,%1\"> c "
                         "<img src=missing.png> d <img src=notes.png> e "
                         "<img src=pipe.png> f <img src=\"http://example.org/x.png\">"
                         " g <a href=\"https://example.org/\">"
                         "<img src=\"sub/pic%20two.png\"></a></p>")
              .arg(QString::fromLatin1(blue.toBase64()));
    HtmlReader::Options options;
    options.baseUrl = QUrl::fromLocalFile(dir.path() + QLatin1Char('/'));
    const std::optional<HtmlReader::Result> read = HtmlReader::read(page.toUtf8(), options);
    ASSERT_TRUE(read);
    EXPECT_EQ(AttributedText::string(*read->document).toStdU16String(),
        u"a \uFFFC b \uFFFC c  d  e  f  g \uFFFC");
    const std::vector<Picture> pictures = picturesOf(*read->document);
    ASSERT_EQ(pictures.size(), 3u);
    EXPECT_EQ(pictures[0].attachment.contents, red);
    EXPECT_EQ(pictures[0].attachment.fileName, QStringLiteral("pic.png"));
    EXPECT_EQ(pictures[0].attachment.size, QSizeF(6, 4.5));
    EXPECT_EQ(pictures[1].attachment.contents, blue);
    EXPECT_EQ(pictures[1].attachment.fileName, QStringLiteral("image.png"));
    EXPECT_EQ(pictures[2].attachment.contents, blue);
    EXPECT_EQ(pictures[2].attachment.fileName, QStringLiteral("pic two.png"));
    EXPECT_EQ(AttributedText::attribute(
                  *read->document, AttributedText::LinkAttributeName, pictures[2].position)
                  .toUrl(),
        QUrl(QStringLiteral("https://example.org/")));

    // Kept with the note's rich text, the pictures are there when it is read again.
    Error error;
    const std::unique_ptr<QTextDocument> kept
        = RtfdPackage::fromFlatData(RtfdPackage::fromDocument(*read->document).flatData(), &error)
              ->document(&error);
    ASSERT_TRUE(kept) << error.toString().toStdString();
    const std::vector<Picture> keptPictures = picturesOf(*kept);
    ASSERT_EQ(keptPictures.size(), 3u);
    EXPECT_EQ(keptPictures[0].attachment.contents, red);

    // Without a folder to look in, a page brings only what it holds itself.
    const std::optional<HtmlReader::Result> alone = HtmlReader::read(page.toUtf8(), {});
    ASSERT_TRUE(alone);
    ASSERT_EQ(picturesOf(*alone->document).size(), 1u);
    EXPECT_EQ(picturesOf(*alone->document)[0].attachment.contents, blue);
}

// A page takes pictures only from itself and from its own folder tree: every way of naming a
// file outside it (steps up, escaped or not, absolute paths, file: URLs of each form, links
// that lead out) brings nothing, while links that stay inside still bring theirs.
TEST(HtmlImages, NoPictureComesFromOutsideThePagesFolder)
{
    QTemporaryDir dir;
    const QString page = dir.filePath(QStringLiteral("site/page"));
    ASSERT_TRUE(QDir().mkpath(page + QStringLiteral("/images")));
    const QByteArray outside = bxtest::pngBytes(QSize(3, 3), Qt::red);
    const QByteArray inside = bxtest::pngBytes(QSize(2, 2), Qt::blue);
    writeFile(dir.filePath(QStringLiteral("outside.png")), outside);
    writeFile(dir.filePath(QStringLiteral("site/beside.png")), outside);
    writeFile(page + QStringLiteral("/images/in.png"), inside);
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("outside.png")),
        page + QStringLiteral("/images/out-link.png")));
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("site")), page + QStringLiteral("/up")));
    ASSERT_TRUE(QFile::link(
        page + QStringLiteral("/images/in.png"), page + QStringLiteral("/in-link.png")));
    const QString outsidePath = dir.filePath(QStringLiteral("outside.png"));
    const QStringList refused { QStringLiteral("../beside.png"),
        QStringLiteral("../../outside.png"), QStringLiteral("images/../../beside.png"),
        QStringLiteral("%2e%2e/beside.png"), QStringLiteral("images/%2E%2E/%2E%2E/beside.png"),
        outsidePath, QStringLiteral("file://") + outsidePath, QStringLiteral("file:") + outsidePath,
        QStringLiteral("file:///") + outsidePath.mid(1),
        QStringLiteral("file://localhost") + outsidePath, QStringLiteral("file:../beside.png"),
        QStringLiteral("file:images/in.png"), QStringLiteral("//localhost") + outsidePath,
        QStringLiteral("images/out-link.png"), QStringLiteral("up/beside.png") };
    HtmlReader::Options options;
    options.baseUrl = QUrl::fromLocalFile(page + QLatin1Char('/'));
    for (const QString& source : refused) {
        SCOPED_TRACE(source.toStdString());
        const auto read = HtmlReader::read(
            QStringLiteral("<p>a<img src=\"%1\">b</p>").arg(source).toUtf8(), options);
        ASSERT_TRUE(read);
        EXPECT_TRUE(picturesOf(*read->document).empty());
        EXPECT_EQ(AttributedText::string(*read->document), QStringLiteral("ab"));
    }
    for (const QString& source : { QStringLiteral("images/in.png"),
             QStringLiteral("./images/in.png"), QStringLiteral("in-link.png") }) {
        SCOPED_TRACE(source.toStdString());
        const auto read = HtmlReader::read(
            QStringLiteral("<p><img src=\"%1\"></p>").arg(source).toUtf8(), options);
        ASSERT_TRUE(read);
        ASSERT_EQ(picturesOf(*read->document).size(), 1u);
        EXPECT_EQ(picturesOf(*read->document)[0].attachment.contents, inside);
    }
}

// Each picture is at most 64 MB, and a page's pictures together at most 256 MB, a picture
// shown twice counting twice as the note keeps it twice: a file past the bound is not read.
TEST(HtmlImages, LoadingStaysWithinItsBounds)
{
    QTemporaryDir dir;
    const QByteArray start = bxtest::pngBytes(QSize(1, 1), Qt::green);
    writeFile(
        dir.filePath(QStringLiteral("largest.png")), start, HtmlImageLoader::maximumImageBytes);
    writeFile(
        dir.filePath(QStringLiteral("larger.png")), start, HtmlImageLoader::maximumImageBytes + 1);
    HtmlImageLoader loader(QUrl::fromLocalFile(dir.path() + QLatin1Char('/')));
    EXPECT_FALSE(loader.load(QStringLiteral("larger.png")));
    const QString small
        = QStringLiteral("data:image/png;base64,") + QString::fromLatin1(start.toBase64());
    for (int shown = 1; shown <= 4; ++shown) {
        SCOPED_TRACE(shown);
        const std::optional<TextAttachment> largest = loader.load(QStringLiteral("largest.png"));
        ASSERT_TRUE(largest);
        EXPECT_EQ(largest->contents.size(), HtmlImageLoader::maximumImageBytes);
    }
    EXPECT_FALSE(loader.load(QStringLiteral("largest.png")));
    EXPECT_FALSE(loader.load(small));
    EXPECT_TRUE(HtmlImageLoader({}).load(small));
    // Each picture left out is counted for the bound it passed, in words for the user.
    EXPECT_EQ(loader.leftOut(),
        QStringList({ QStringLiteral("A picture larger than 64 MB was left out."),
            QStringLiteral("2 pictures past the 256 MB one note's pictures may take were left "
                           "out.") }));
}

// Pictures written into a page in long URIs come in whole through the page's reader, in a link
// as well; the page's own text never holds them.
TEST(HtmlImages, LongPicturesWrittenIntoAPageComeInWhole)
{
    QByteArray large = bxtest::pngBytes(QSize(3, 2), Qt::red);
    large += QByteArray(200'000, 'z');
    const QByteArray small = bxtest::pngBytes(QSize(1, 1), Qt::blue);
    const QByteArray page = "<p>a <img src=\"data:image/png;base64," + large.toBase64()
        + "\"> b <a href=\"https://example.org/\"><img src='data:image/png;base64,"
        + large.toBase64() + "'></a> c <img src=data:image/png;base64," + small.toBase64()
        + "></p>";
    const std::optional<HtmlReader::Result> read = HtmlReader::read(page, {});
    ASSERT_TRUE(read);
    EXPECT_EQ(
        AttributedText::string(*read->document).toStdU16String(), u"a \uFFFC b \uFFFC c \uFFFC");
    const std::vector<Picture> pictures = picturesOf(*read->document);
    ASSERT_EQ(pictures.size(), 3u);
    EXPECT_EQ(pictures[0].attachment.contents, large);
    EXPECT_EQ(pictures[1].attachment.contents, large);
    EXPECT_EQ(pictures[2].attachment.contents, small);
    EXPECT_EQ(AttributedText::attribute(
                  *read->document, AttributedText::LinkAttributeName, pictures[1].position)
                  .toUrl(),
        QUrl(QStringLiteral("https://example.org/")));
    EXPECT_TRUE(read->leftOut.isEmpty());
}

// The pages LibreOffice (pictures in files beside the page) and pandoc (pictures inside the
// page) make of a note's Word export bring the note's picture back.
TEST(HtmlImages, PagesOtherProgramsWriteBringTheirPictures)
{
    QTemporaryDir dir;
    const QString docx = exportNote(dir, TypeIdentifier::OfficeOpenXmlDocument, u"note.docx"_qs);
    struct Writer {
        QString program;
        QStringList arguments;
        QString page;
    };
    const QString profile = QUrl::fromLocalFile(dir.filePath(u"profile"_qs)).toString();
    const Writer writers[] = {
        { u"soffice"_qs,
            { u"-env:UserInstallation="_qs + profile, u"--headless"_qs, u"--convert-to"_qs,
                u"html"_qs, u"--outdir"_qs, dir.filePath(u"office"_qs), docx },
            dir.filePath(u"office/note.html"_qs) },
        { u"pandoc"_qs,
            { docx, u"--standalone"_qs, u"--self-contained"_qs, u"--metadata"_qs, u"title=Note"_qs,
                u"-o"_qs, dir.filePath(u"pandoc.html"_qs) },
            dir.filePath(u"pandoc.html"_qs) },
    };
    for (const Writer& writer : writers) {
        SCOPED_TRACE(writer.program.toStdString());
        if (!bxtest::haveTool(writer.program)) {
            std::cout << writer.program.toStdString() << " is not installed: not checked\n";
            continue;
        }
        QString failure;
        ASSERT_TRUE(bxtest::runTool(writer.program, writer.arguments, &failure))
            << failure.toStdString();
        Error error;
        const auto read = TextDocumentReader::readFile(writer.page, {}, &error);
        ASSERT_TRUE(read) << error.toString().toStdString();
        EXPECT_TRUE(read->document->toPlainText().contains(u"Look:"_qs));
        const std::vector<Picture> pictures = picturesOf(*read->document);
        ASSERT_EQ(pictures.size(), 1u);
        EXPECT_EQ(imageSize(pictures[0].attachment.contents), QSize(40, 30));
    }
}

// An HTML export carries the note's pictures inside the page, so that it shows them wherever
// it goes: in a browser, in LibreOffice, in pandoc, and read back here.
TEST(HtmlImages, ExportedPagesCarryTheirPicturesInside)
{
    QTemporaryDir dir;
    const QString page = exportNote(dir, TypeIdentifier::Html, u"note.html"_qs);
    QFile file(page);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray html = file.readAll();
    EXPECT_TRUE(html.contains("<img src=\"data:image/png;base64,")) << html.constData();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList { u"note.html"_qs });

    const std::optional<HtmlReader::Result> read = HtmlReader::read(html, {});
    ASSERT_TRUE(read);
    ASSERT_EQ(picturesOf(*read->document).size(), 1u);
    EXPECT_EQ(imageSize(picturesOf(*read->document)[0].attachment.contents), QSize(40, 30));

    if (bxtest::haveTool(u"soffice"_qs)) {
        const QString profile = QUrl::fromLocalFile(dir.filePath(u"profile"_qs)).toString();
        QString failure;
        ASSERT_TRUE(bxtest::runTool(u"soffice"_qs,
            { u"-env:UserInstallation="_qs + profile, u"--headless"_qs, u"--convert-to"_qs,
                u"odt:writer8"_qs, u"--outdir"_qs, dir.filePath(u"office"_qs), page },
            &failure))
            << failure.toStdString();
        QFile odt(dir.filePath(u"office/note.odt"_qs));
        ASSERT_TRUE(odt.open(QIODevice::ReadOnly));
        const std::optional<ZipArchive> package = ZipArchive::open(odt.readAll());
        ASSERT_TRUE(package);
        const QStringList entries = package->entryNames();
        EXPECT_TRUE(std::any_of(entries.cbegin(), entries.cend(), [](const QString& entry) {
            return entry.startsWith(u"Pictures/");
        })) << entries.join(u' ').toStdString();
    }
    if (bxtest::haveTool(u"pandoc"_qs)) {
        const QString json = QString::fromUtf8(
            bxtest::runTool(u"pandoc"_qs, { u"-t"_qs, u"json"_qs, page }).value_or(QByteArray()));
        EXPECT_TRUE(json.contains(u"\"t\":\"Image\""_qs)) << json.toStdString();
        EXPECT_TRUE(json.contains(u"data:image/png;base64,"_qs));
    }
}

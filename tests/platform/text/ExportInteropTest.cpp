#include "support/InteropTools.h"

#include "platform/foundation/TypeIdentifier.h"
#include "platform/text/AttributedText.h"
#include "platform/text/TextDocumentReader.h"
#include "platform/text/TextFormatRegistry.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

using namespace platform;

namespace {

const QString kText = QStringLiteral("Bold, italic and red.\nPrice € 5 ✓ done");

std::unique_ptr<QTextDocument> note()
{
    auto doc = AttributedText::makeDocument();
    QTextCursor cursor(doc.get());
    QFont bold = AttributedText::systemFont();
    bold.setBold(true);
    QFont italic = AttributedText::systemFont();
    italic.setItalic(true);
    const auto run = [&](const QString& text, const QVariantMap& attributes) {
        cursor.insertText(text, AttributedText::characterFormat(attributes));
    };
    run(QStringLiteral("Bold"), { { AttributedText::FontAttributeName, bold } });
    run(QStringLiteral(", "), {});
    run(QStringLiteral("italic"), { { AttributedText::FontAttributeName, italic } });
    run(QStringLiteral(" and "), {});
    run(QStringLiteral("red"),
        { { AttributedText::ForegroundColorAttributeName, QColor(Qt::red) } });
    run(QStringLiteral("."), {});
    cursor.insertBlock();
    run(QStringLiteral("Price € 5 ✓ done"), {});
    return doc;
}

std::unique_ptr<QTextDocument> noteWithPicture()
{
    auto doc = note();
    QTextCursor cursor(doc.get());
    cursor.setPosition(4);
    AttributedText::insertAttachment(
        cursor, { QByteArray("\x89PNG"), QStringLiteral("a.png"), {} });
    return doc;
}

QString exported(const QTemporaryDir& dir, const QString& type, const QString& name,
    TextEncoding::Value encoding = TextEncoding::UTF8StringEncoding, bool picture = false)
{
    const std::optional<TextFormat> format = TextFormatRegistry::formatForType(type);
    EXPECT_TRUE(format) << type.toStdString();
    if (!format)
        return {};
    TextFormat::WriteOptions options;
    options.encoding = encoding;
    options.allowLossy = true;
    const QString path = dir.filePath(name);
    Error error;
    EXPECT_TRUE(format->write(picture ? *noteWithPicture() : *note(), options, path, &error))
        << error.toString().toStdString();
    return path;
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(ExportInterop, EveryReadableFormatKeepsTextAndMainAttributes)
{
    struct Case {
        QString type;
        const char* name;
        bool rich;
    };
    const Case cases[] = {
        { TypeIdentifier::Rtf, "note.rtf", true },
        { TypeIdentifier::Html, "note.html", true },
        { TypeIdentifier::WebArchive, "note.webarchive", true },
        { TypeIdentifier::WordDocument, "note.doc", true },
        { TypeIdentifier::PlainText, "note.txt", false },
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Error error;
        const auto read = TextDocumentReader::readFile(
            exported(dir, c.type, QString::fromLatin1(c.name)), {}, &error);
        ASSERT_TRUE(read) << error.toString().toStdString();
        EXPECT_EQ(AttributedText::string(*read->document), kText);
        if (!c.rich)
            continue;
        const QTextDocument& doc = *read->document;
        const auto font = [&](qsizetype at) {
            return AttributedText::attribute(doc, AttributedText::FontAttributeName, at)
                .value<QFont>();
        };
        EXPECT_TRUE(font(0).bold());
        EXPECT_FALSE(font(4).bold());
        EXPECT_TRUE(font(kText.indexOf(u"italic")).italic());
        EXPECT_EQ(AttributedText::attribute(
                      doc, AttributedText::ForegroundColorAttributeName, kText.indexOf(u"red"))
                      .value<QColor>(),
            QColor(Qt::red));
    }
}

TEST(ExportInterop, IconvReadsPlainTextInTheChosenEncoding)
{
    if (!bxtest::haveTool(QStringLiteral("iconv")))
        GTEST_SKIP() << "iconv missing";
    struct Case {
        QString type;
        TextEncoding::Value encoding;
        const char* iconvName;
        QString expected;
    };
    const QString lossy = QStringLiteral("Bold, italic and red.\nPrice € 5 ? done");
    const Case cases[] = {
        { TypeIdentifier::PlainText, TextEncoding::UTF16StringEncoding, "UTF-16", kText },
        { TypeIdentifier::PlainText, TextEncoding::WindowsCP1252StringEncoding, "WINDOWS-1252",
            lossy },
        { TypeIdentifier::TraditionalPlainText, TextEncoding::UTF8StringEncoding, "MACINTOSH",
            lossy },
    };
    QTemporaryDir dir;
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.iconvName);
        // The legacy form leaves pictures out.
        const bool picture = c.type == TypeIdentifier::TraditionalPlainText;
        const QString path
            = exported(dir, c.type, QStringLiteral("note%1.txt").arg(++n), c.encoding, picture);
        const std::optional<QByteArray> utf8 = bxtest::runTool(QStringLiteral("iconv"),
            { QStringLiteral("-f"), QLatin1String(c.iconvName), QStringLiteral("-t"),
                QStringLiteral("UTF-8"), path });
        ASSERT_TRUE(utf8);
        EXPECT_EQ(QString::fromUtf8(*utf8), c.expected);
    }
    const QByteArray windows = contents(dir.filePath(QStringLiteral("note2.txt")));
    EXPECT_TRUE(windows.contains("Price \x80 5 ? done"));
}

TEST(ExportInterop, UnrtfReadsTheRtfExport)
{
    if (!bxtest::haveTool(QStringLiteral("unrtf")))
        GTEST_SKIP() << "unrtf missing (scripts/install-deps)";
    QTemporaryDir dir;
    const QString path = exported(dir, TypeIdentifier::Rtf, QStringLiteral("note.rtf"));
    const QString text = QString::fromUtf8(
        bxtest::runTool(QStringLiteral("unrtf"), { QStringLiteral("--text"), path })
            .value_or(QByteArray()));
    EXPECT_TRUE(text.contains(QStringLiteral("Bold, italic and red."))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Price"))) << text.toStdString();
    const QString html = QString::fromUtf8(
        bxtest::runTool(QStringLiteral("unrtf"), { QStringLiteral("--html"), path })
            .value_or(QByteArray()));
    EXPECT_TRUE(html.contains(QStringLiteral("<b><font color=\"#000000\">Bold</font></b>")))
        << html.toStdString();
    EXPECT_TRUE(html.contains(QStringLiteral("<i>italic</i>"))) << html.toStdString();
    EXPECT_TRUE(html.contains(QStringLiteral("<font color=\"#ff0000\">red</font>")))
        << html.toStdString();
}

#include "RichTextTestSupport.h"
#include "support/InteropTools.h"

#include "platform/foundation/TypeIdentifier.h"
#include "platform/text/AttributedText.h"
#include "platform/text/TextFormatRegistry.h"
#include "platform/text/TextListMarkers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include <gtest/gtest.h>

using namespace platform;

namespace {

struct Export {
    QString type;
    const char* name;
    // What the reader makes of it, when that differs from the lists written.
    const char* quirk = nullptr;
};

const char* const kLists
    = "Groceries B( apples B( green ) pears ) Steps O( first O( sub ) second )";

QString exportNote(const QTemporaryDir& dir, const Export& e)
{
    const std::optional<TextFormat> format = TextFormatRegistry::formatForType(e.type);
    EXPECT_TRUE(format) << e.type.toStdString();
    if (!format)
        return {};
    const QString path = dir.filePath(QString::fromLatin1(e.name));
    Error error;
    EXPECT_TRUE(format->write(*bxtest::nestedListsNote(), {}, path, &error))
        << error.toString().toStdString();
    return path;
}

TEST(ListInterop, PandocReadsExportedListsAsLists)
{
    if (!bxtest::haveTool(u"pandoc"_qs))
        GTEST_SKIP() << "pandoc is not installed (scripts/install-deps installs it)";
    const Export exports[] = {
        { TypeIdentifier::Html, "note.html" },
        // Pandoc's RTF reader starts a new list after a nested one and takes the paragraph
        // break before the list's end for a line break.
        { TypeIdentifier::Rtf, "note.rtf",
            "Groceries B( apples B( green ) ) B( pears Steps ) O( first O( sub ) ) O( second )" },
        { TypeIdentifier::OfficeOpenXmlDocument, "note.docx" },
        { TypeIdentifier::OpenDocumentText, "note.odt" },
    };
    QTemporaryDir dir;
    for (const Export& e : exports) {
        SCOPED_TRACE(e.name);
        const QString path = exportNote(dir, e);
        QString failure;
        const std::optional<QString> outline = bxtest::pandocOutline(path, {}, &failure);
        ASSERT_TRUE(outline && !outline->isEmpty()) << failure.toStdString();
        EXPECT_EQ(outline->toStdString(), e.quirk ? e.quirk : kLists);
    }
}

// LibreOffice's text conversion writes list markers it knows as lists, indented by level.
TEST(ListInterop, LibreOfficeReadsExportedListsAsLists)
{
    if (!bxtest::haveTool(u"soffice"_qs))
        GTEST_SKIP() << "LibreOffice is not installed (scripts/install-deps installs "
                        "libreoffice-writer-nogui)";
    const Export exports[] = {
        { TypeIdentifier::Html, "note.html" },
        { TypeIdentifier::Rtf, "note.rtf" },
        { TypeIdentifier::OfficeOpenXmlDocument, "note.docx" },
        { TypeIdentifier::OpenDocumentText, "note.odt" },
        { TypeIdentifier::WordDocument, "note.doc" },
        // Its Word 2003 XML import shows one level more than the level text names, so "%1."
        // reads as "%0%.1."; its own Word 2003 XML export of these lists reads back the same.
        { TypeIdentifier::WordXml, "note.xml",
            "Groceries\n    \u2022 apples\n        \u25E6 green\n    \u2022 pears\nSteps\n"
            "    %0%.1. first\n        1.1. sub\n    %0%.2. second" },
    };
    QTemporaryDir dir;
    const QString profile = QUrl::fromLocalFile(dir.filePath(u"profile"_qs)).toString();
    for (const Export& e : exports) {
        SCOPED_TRACE(e.name);
        const QString path = exportNote(dir, e);
        const QString out = dir.filePath(u"out-"_qs + QString::fromLatin1(e.name));
        QString failure;
        const std::optional<QByteArray> converted = bxtest::runTool(u"soffice"_qs,
            { u"-env:UserInstallation="_qs + profile, u"--headless"_qs, u"--convert-to"_qs,
                u"txt:Text (encoded):UTF8"_qs, u"--outdir"_qs, out, path },
            &failure);
        ASSERT_TRUE(converted) << failure.toStdString();
        QFile text(QDir(out).filePath(QFileInfo(path).completeBaseName() + u".txt"_qs));
        ASSERT_TRUE(text.open(QIODevice::ReadOnly)) << failure.toStdString();
        QString lines = QString::fromUtf8(text.readAll());
        lines.remove(QChar(0xFEFF));
        lines.remove(u'\r');
        EXPECT_EQ(lines.trimmed().toStdString(),
            e.quirk ? e.quirk
                    : "Groceries\n    \u2022 apples\n        \u25E6 green\n    \u2022 pears\n"
                      "Steps\n    1. first\n        1. sub\n    2. second");
    }
}

} // namespace

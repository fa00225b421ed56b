#include "RichTextTestSupport.h"
#include "support/TestEnvironment.h"

#include "platform/text/AttributedText.h"
#include "platform/text/HtmlReader.h"
#include "platform/text/RichTextData.h"
#include "platform/text/RtfReader.h"
#include "platform/text/RtfWriter.h"
#include "platform/text/RtfdPackage.h"
#include "platform/text/TextListMarkers.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include <thread>

#include <gtest/gtest.h>

using namespace platform;

namespace {

class RtfCorpusRoundTrip : public testing::TestWithParam<const char*> { };

TEST_P(RtfCorpusRoundTrip, KeepsEveryAttribute)
{
    const QString name = QString::fromLatin1(GetParam());
    Error error;
    std::unique_ptr<QTextDocument> first;
    if (name.endsWith(u".rtfd")) {
        const auto package
            = RtfdPackage::readFolder(QStringLiteral(BX_TEST_DATA_DIR "/") + name, &error);
        ASSERT_TRUE(package) << error.toString().toStdString();
        first = package->document(&error);
    } else {
        first = RtfReader::read(bxtest::readTestFile(name), {}, &error);
    }
    ASSERT_TRUE(first) << error.toString().toStdString();

    // Through the stored form and back, twice: the second write must equal the first.
    const QByteArray written = RichTextData::RTFData(*first);
    const auto second = RichTextData::attributedStringWithRTFData(written, &error);
    ASSERT_TRUE(second) << error.toString().toStdString();
    bxtest::expectSameAttributedText(*first, *second);
    // A file without document attributes gets the default page and view.
    if (AttributedText::documentAttributes(*first) != DocumentAttributes {}) {
        EXPECT_EQ(AttributedText::documentAttributes(*first),
            AttributedText::documentAttributes(*second));
    }
    EXPECT_EQ(RichTextData::RTFData(*second), written);
}

INSTANTIATE_TEST_SUITE_P(Corpus, RtfCorpusRoundTrip,
    testing::Values("basic.rtf", "nonlatin.rtf", "colours.rtf", "tabs.rtf", "paragraphs.rtf",
        "links.rtf", "lists.rtf", "pict.rtf", "images.rtfd"),
    [](const auto& paramInfo) {
        std::string name = paramInfo.param;
        for (char& c : name) {
            if (!isalnum(static_cast<unsigned char>(c)))
                c = '_';
        }
        return name;
    });

} // namespace

namespace {

// Every attribute of the set, laid over its own word, survives RTF -> document -> RTF.
TEST(RtfRoundTrip, EveryAttributeOnItsOwnRun)
{
    using A = AttributedText;
    QFont menlo(u"Menlo"_qs);
    menlo.setPointSizeF(11.5);
    menlo.setItalic(true);
    QFont boldSystem = A::systemFont();
    boldSystem.setBold(true);
    ParagraphStyle style;
    style.alignment = TextAlignment::Right;
    style.lineHeightMultiple = 1.5;
    style.headIndent = 10;
    style.firstLineHeadIndent = 20;
    style.tailIndent = -30;
    style.paragraphSpacingBefore = 2;
    style.paragraphSpacing = 8;
    style.defaultTabInterval = 14;
    style.tabStops = { { TextTabType::Center, 50 }, { TextTabType::Decimal, 150.25 } };
    ParagraphStyle exact;
    exact.minimumLineHeight = exact.maximumLineHeight = 18;
    const std::vector<std::pair<QString, QVariant>> attributes = {
        { A::FontAttributeName, menlo },
        { A::FontAttributeName, boldSystem },
        { A::ForegroundColorAttributeName, QColor(1, 2, 3) },
        { A::BackgroundColorAttributeName, QColor(250, 128, 0, 100) },
        { A::UnderlineStyleAttributeName, 0x8209 },
        { A::UnderlineColorAttributeName, QColor(0, 0, 255) },
        { A::StrikethroughStyleAttributeName, 2 },
        { A::StrikethroughColorAttributeName, QColor(0, 255, 0) },
        { A::LinkAttributeName, QUrl(u"https://example.org/ä?x=1#y"_qs) },
        { A::BaselineOffsetAttributeName, -4.5 },
        { A::SuperscriptAttributeName, 1 },
    };
    auto doc = A::makeDocument();
    QTextCursor cursor(doc.get());
    for (qsizetype i = 0; i < qsizetype(attributes.size()); ++i)
        cursor.insertText(u"word%1 "_qs.arg(i, 2, 10, QChar(u'0')));
    cursor.insertText(u"\nright aligned\nexact height"_qs);
    for (qsizetype i = 0; i < qsizetype(attributes.size()); ++i)
        A::addAttribute(*doc, attributes[i].first, attributes[i].second, { i * 7, 6 });
    const qsizetype second = A::string(*doc).indexOf(u"right");
    A::addAttribute(
        *doc, A::ParagraphStyleAttributeName, QVariant::fromValue(style), { second, 1 });
    A::addAttribute(*doc, A::ParagraphStyleAttributeName, QVariant::fromValue(exact),
        { A::length(*doc) - 1, 1 });

    const auto first = RtfReader::read(RtfWriter::write(*doc));
    ASSERT_TRUE(first);
    for (qsizetype i = 0; i < qsizetype(attributes.size()); ++i) {
        SCOPED_TRACE(attributes[i].first.toStdString());
        EXPECT_EQ(A::attribute(*first, attributes[i].first, i * 7 + 1), attributes[i].second);
    }
    EXPECT_EQ(A::attribute(*first, A::ParagraphStyleAttributeName, second).value<ParagraphStyle>(),
        style);
    EXPECT_EQ(A::attribute(*first, A::ParagraphStyleAttributeName, A::length(*first) - 1)
                  .value<ParagraphStyle>(),
        exact);
    const auto again = RtfReader::read(RtfWriter::write(*first));
    ASSERT_TRUE(again);
    bxtest::expectSameAttributedText(*first, *again);
}

// Imports read and write rich text on worker threads; the results match the main thread's.
TEST(RtfRoundTrip, WorksOnWorkerThreads)
{
    const QByteArray rtf = bxtest::readTestFile(u"colours.rtf"_qs);
    const auto reference = RtfReader::read(rtf);
    ASSERT_TRUE(reference);
    const QByteArray expected = RichTextData::RTFData(*reference);
    std::vector<QByteArray> results(4);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < results.size(); ++i) {
        threads.emplace_back([&, i] {
            for (int round = 0; round < 20; ++round) {
                const auto doc = RichTextData::attributedStringWithRTFData(rtf);
                results[i] = doc ? RichTextData::RTFData(*doc) : QByteArray();
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (const QByteArray& result : results)
        EXPECT_EQ(result, expected);
}

TEST(RtfRoundTrip, CodePagesOfOlderFiles)
{
    struct Case {
        const char* rtf;
        QString text;
    };
    const std::vector<Case> cases = {
        { "{\\rtf1\\ansi\\ansicpg1250 \\'9ee\\'9a\\'e8}", u"žešč"_qs },
        { "{\\rtf1\\ansi\\ansicpg1253 \\'e1\\'e2\\'e3}", u"αβγ"_qs },
        { "{\\rtf1\\ansi\\ansicpg1254 \\'f0\\'fe}", u"ğş"_qs },
        { "{\\rtf1\\mac\\ansicpg10000 \\'8e\\'a5}", u"é•"_qs },
        { "{\\rtf1{\\fonttbl\\f0\\fcharset204 Arial;}\\f0 \\'c0\\'e1}", u"Аб"_qs },
        { "{\\rtf1{\\fonttbl\\f0\\fcharset134 SimSun;}\\f0 \\'c4\\'e3\\'ba\\'c3}", u"你好"_qs },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rtf);
        const auto doc = RtfReader::read(c.rtf);
        ASSERT_TRUE(doc);
        EXPECT_EQ(AttributedText::string(*doc), c.text);
        // Written back in our own code page, the text stays the same.
        const auto again = RtfReader::read(RtfWriter::write(*doc));
        ASSERT_TRUE(again);
        EXPECT_EQ(AttributedText::string(*again), c.text);
    }
}

// Empty paragraphs keep the look typing in them takes, and the text written again is the same.
TEST(RtfRoundTrip, EmptyParagraphsKeepTheirLook)
{
    const std::vector<std::vector<bxtest::TypedLine>> cases = {
        { { u"Big"_qs, 18, true }, { {}, 18, true }, { u"small"_qs, 12 } },
        { { u"Big"_qs, 18, true }, { {}, 18, true }, { {}, 24 }, { u"small"_qs, 12 } },
        { { {}, 18, true }, { {}, 24 }, { {}, 9 } },
        { { u"Big"_qs, 18, true }, { {}, 24 } },
        { { {}, 18 }, { {}, 24, true } },
        { { {}, 18, true } },
        { { {}, 18 }, { u"x"_qs, 12 }, { {}, 12 } },
    };
    for (const auto& lines : cases) {
        const auto doc = bxtest::typedLines(lines);
        const std::string looks = bxtest::describeParagraphLooks(*doc);
        SCOPED_TRACE(looks);
        const QByteArray written = RtfWriter::write(*doc);
        const auto read = RtfReader::read(written);
        ASSERT_TRUE(read);
        EXPECT_EQ(bxtest::describeParagraphLooks(*read), looks) << written.toStdString();
        EXPECT_EQ(RtfWriter::write(*read).toStdString(), written.toStdString());
    }
}

// Lists keep their kind, nesting, grouping and numbering through RTF and back, and our RTF
// reads the same a second time.
TEST(RtfRoundTrip, ListsKeepTheirStructure)
{
    struct Case {
        const char* what;
        const char* html;
        const char* lists;
    };
    const std::vector<Case> cases = {
        { "bullets with a nested level",
            "<ul><li>a<ul><li>b</li><li>c</li></ul></li><li>d</li></ul><p>after</p>",
            "\t\u2022\ta[{disc}] | \t\u2022\tb[{disc}>{disc}] | \t\u2022\tc[{disc}>{disc}] | "
            "\t\u2022\td[{disc}] | after" },
        { "numbered sub-lists restart under each item",
            "<ol><li>a<ol><li>x</li><li>y</li></ol></li><li>b<ol><li>z</li></ol></li></ol>",
            "\t1.\ta[{decimal}.] | \t1.\tx[{decimal}.>{decimal}.] | "
            "\t2.\ty[{decimal}.>{decimal}.] | \t2.\tb[{decimal}.] | "
            "\t1.\tz[{decimal}.>{decimal}.]" },
        { "adjacent lists of different kinds stay apart",
            "<ul><li>dot</li></ul><ol><li>one</li><li>two</li></ol>",
            "\t\u2022\tdot[{disc}] | \t1.\tone[{decimal}.] | \t2.\ttwo[{decimal}.]" },
        { "styles of markers",
            "<ul type=square><li>s</li></ul><ol type=a><li>x</li></ol>"
            "<ol type=I><li>r</li></ol><ul type=circle><li>c</li></ul>",
            "\t\u25AA\ts[{square}] | \ta.\tx[{lower-alpha}.] | \tI.\tr[{upper-roman}.] | "
            "\t\u25E6\tc[{circle}]" },
        { "a list after a paragraph is a list of its own",
            "<ol><li>a</li></ol><p>between</p><ol><li>b</li></ol>",
            "\t1.\ta[{decimal}.] | between | \t1.\tb[{decimal}.]" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto html = HtmlReader::fromHtml(QString::fromUtf8(c.html));
        ASSERT_EQ(bxtest::describeLists(*html), c.lists);
        const QByteArray rtf = RtfWriter::write(*html);
        const auto first = RtfReader::read(rtf);
        ASSERT_TRUE(first);
        EXPECT_EQ(bxtest::describeLists(*first), c.lists) << rtf.toStdString();
        const auto second = RtfReader::read(RtfWriter::write(*first));
        ASSERT_TRUE(second);
        EXPECT_EQ(bxtest::describeLists(*second), c.lists);
        bxtest::expectSameAttributedText(*first, *second);
        // Items stand their text at their level's indent.
        for (QTextBlock block = first->begin(); block.isValid(); block = block.next()) {
            const qsizetype lists = TextListMarkers::itemLists(block).size();
            EXPECT_EQ(AttributedText::paragraphStyle(block.blockFormat()).headIndent,
                lists * TextListMarkers::TextLocation)
                << block.text().toStdString();
        }
    }
}

// A paragraph that keeps an item's style but lost its marker run (the user deleted into it) is
// no item any more: RTF must not hand it the list of the item before it.
TEST(RtfRoundTrip, AParagraphWithABrokenMarkerStaysPlain)
{
    struct Case {
        const char* what;
        int block;
        int from;
        int length;
        const char* lists;
    };
    const std::vector<Case> cases = {
        { "leading tab deleted", 1, 0, 1, "\t\u2022\ta[{disc}] | \u2022\tb | \t\u2022\tc[{disc}]" },
        { "marker deleted in the last item", 2, 1, 1,
            "\t\u2022\ta[{disc}] | \t\u2022\tb[{disc}] | \t\tc" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto doc = AttributedText::makeDocument();
        doc->setPlainText(QStringLiteral("a\nb\nc"));
        // As the list panel makes them: the items share one paragraph format.
        TextListMarkers::apply(*doc, 0, 4, QTextListFormat::ListDisc);
        QTextCursor cursor(doc->findBlockByNumber(c.block));
        cursor.setPosition(cursor.position() + c.from);
        cursor.setPosition(cursor.position() + c.length, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        ASSERT_EQ(bxtest::describeLists(*doc), c.lists);
        const QByteArray rtf = RtfWriter::write(*doc);
        const auto read = RtfReader::read(rtf);
        ASSERT_TRUE(read);
        EXPECT_EQ(bxtest::describeLists(*read), c.lists) << rtf.toStdString();
    }
}

} // namespace

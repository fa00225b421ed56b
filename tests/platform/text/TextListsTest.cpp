#include "RichTextTestSupport.h"

#include "platform/text/AttributedText.h"
#include "platform/text/HtmlReader.h"
#include "platform/text/HtmlWriter.h"
#include "platform/text/RtfReader.h"
#include "platform/text/RtfWriter.h"
#include "platform/text/TextListConversion.h"
#include "platform/text/TextListEditing.h"
#include "platform/text/TextListMarkers.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <gtest/gtest.h>

using namespace platform;

namespace {

ParagraphStyle styleAt(const QTextDocument& doc, int paragraph)
{
    return AttributedText::paragraphStyle(doc.findBlockByNumber(paragraph).blockFormat());
}

QList<double> tabLocations(const ParagraphStyle& style, int count)
{
    QList<double> locations;
    for (const TextTab& tab : style.tabStops.mid(0, count))
        locations << tab.location;
    return locations;
}

// A document of plain paragraphs, those named in `items` made items of a `style` list.
std::unique_ptr<QTextDocument> listDocument(
    const QString& text, QTextListFormat::Style style, int first, int last)
{
    auto doc = AttributedText::makeDocument();
    QTextCursor(doc.get()).insertText(text);
    TextListMarkers::apply(*doc, doc->findBlockByNumber(first).position(),
        doc->findBlockByNumber(last).position(), style);
    return doc;
}

// A list as stored notes keep it reads to its marker runs and the indents that stand them,
// and goes back out as the same list groups.
TEST(TextLists, StoredRtfListReadsToMarkerRunsAndWritesTheSameGroups)
{
    const auto doc = RtfReader::read(bxtest::readTestFile(u"lists.rtf"_qs));
    ASSERT_TRUE(doc);
    EXPECT_EQ(bxtest::describeLists(*doc),
        "\t\u2022\tFirst item[{disc}] | \t\u2022\tSecond item[{disc}] | After the list");
    const ParagraphStyle item = styleAt(*doc, 0);
    EXPECT_EQ(item.headIndent, 36);
    EXPECT_EQ(item.firstLineHeadIndent, 0);
    EXPECT_EQ(tabLocations(item, 3), (QList<double> { 11, 36 }));

    const QByteArray rtf = RtfWriter::write(*doc);
    for (const char* part : { "{\\*\\levelmarker \\{disc\\}}",
             "{\\*\\listoverridetable{\\listoverride\\listid1\\listoverridecount0\\ls1}}",
             "\\pard\\tx220\\tx720\\li720\\fi-720\\sl312\\slmult1", "\\ls1\\ilvl0",
             "{\\listtext\t\\'95\t}First item\\\n{\\listtext\t\\'95\t}Second" }) {
        SCOPED_TRACE(part);
        EXPECT_TRUE(rtf.contains(part)) << rtf.toStdString();
    }
    EXPECT_EQ(rtf.count("\\ls1"), 2) << "the list table's and the first item's";
    const auto again = RtfReader::read(rtf);
    ASSERT_TRUE(again);
    bxtest::expectSameAttributedText(*doc, *again);
}

// Other writers put the marker without its leading tab, or a bare \listtext, and their own
// indents; their items get the marker runs and indents of ours.
TEST(TextLists, OtherWritersRtfListsGetMarkerRuns)
{
    const QByteArray rtf
        = "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Liberation Sans;}{\\f5\\fnil\\fcharset2 "
          "OpenSymbol;}}"
          "{\\*\\listtable{\\list\\listtemplateid1{\\listlevel\\levelnfc23\\leveljc0"
          "\\levelstartat1{\\leveltext \\'01\\u8226 ?;}{\\levelnumbers;}\\f5\\fi-360\\li720}"
          "{\\listlevel\\levelnfc23{\\leveltext \\'01\\u9702 ?;}{\\levelnumbers;}\\f5\\fi-360"
          "\\li1080}\\listid1}"
          "{\\list\\listtemplateid2{\\listlevel\\levelnfc0{\\leveltext \\'02\\'00.;}"
          "{\\levelnumbers\\'01;}\\fi-360\\li720}\\listid2}}"
          "{\\*\\listoverridetable{\\listoverride\\listid1\\listoverridecount0\\ls1}"
          "{\\listoverride\\listid2\\listoverridecount0\\ls2}}\n"
          "\\pard\\plain \\f0{\\listtext\\pard\\plain \\f5 \\u8226\\'95\\tab}\\ilvl0\\ls1 "
          "\\li720\\fi-360 Day one\\par\n"
          "\\pard\\plain {\\listtext\\pard\\plain \\f5 \\u9702\\'3f\\tab}\\ilvl1\\ls1 "
          "\\li1080\\fi-360 Morning\\par\n"
          "\\pard\\plain {\\listtext\\pard\\plain 1.\\tab}\\ilvl0\\ls2 \\li720\\fi-360 First\\par\n"
          "\\pard\\plain {\\listtext}\\ilvl0\\ls2 \\li720\\fi-360 Second\\par\n"
          "\\pard\\plain After}";
    const auto doc = RtfReader::read(rtf);
    ASSERT_TRUE(doc);
    EXPECT_EQ(bxtest::describeLists(*doc),
        "\t\u2022\tDay one[{disc}] | \t\u25E6\tMorning[{disc}>{circle}] | "
        "\t1.\tFirst[{decimal}.] | \t2.\tSecond[{decimal}.] | After");
    for (int paragraph : { 0, 1 }) {
        SCOPED_TRACE(paragraph);
        const ParagraphStyle item = styleAt(*doc, paragraph);
        EXPECT_EQ(item.headIndent, 36 * (paragraph + 1));
        EXPECT_EQ(item.firstLineHeadIndent, 0);
        EXPECT_EQ(tabLocations(item, 2),
            (QList<double> { 36.0 * (paragraph + 1) - 25, 36.0 * (paragraph + 1) }));
    }
    EXPECT_EQ(styleAt(*doc, 4).headIndent, 0);

    const auto office = RtfReader::read(bxtest::readTestFile(u"office-lists.rtf"_qs));
    ASSERT_TRUE(office);
    EXPECT_EQ(bxtest::describeLists(*office),
        "Groceries | \t\u2022\tapples[{disc}] | \t\u2022\tgreen[{disc}>{disc}] | "
        "\t\u2022\tpears[{disc}] | Steps | \t1.\tfirst[{decimal}.] | "
        "\t1.\tsub[{decimal}.>{decimal}.] | \t2.\tsecond[{decimal}.] | ");
}

// Return, Tab, Shift+Tab, Backspace and Delete about items, each from a fresh three-item list
// with the cursor at `position` of `paragraph`.
// Asking for what the paragraphs already are changes nothing at all, so a view records no
// step for it: "None" on plain (even indented) paragraphs, the same marker on level-one items.
// A nested item asked for its outer marker still moves out.
TEST(TextLists, AskingForWhatTheParagraphsAreChangesNothing)
{
    struct Case {
        const char* what;
        QTextListFormat::Style made;
        int madeLast; // the last paragraph made an item, -1: none
        QTextListFormat::Style asked;
        bool changes;
    };
    const Case cases[] {
        { "none on plain paragraphs", QTextListFormat::ListStyleUndefined, -1,
            QTextListFormat::ListStyleUndefined, false },
        { "the same bullets", QTextListFormat::ListDisc, 1, QTextListFormat::ListDisc, false },
        { "the same numbers", QTextListFormat::ListDecimal, 1, QTextListFormat::ListDecimal,
            false },
        { "other numbers", QTextListFormat::ListDecimal, 1, QTextListFormat::ListUpperRoman, true },
        { "none on items", QTextListFormat::ListDisc, 1, QTextListFormat::ListStyleUndefined,
            true },
    };
    for (const Case& tested : cases) {
        SCOPED_TRACE(tested.what);
        auto doc = listDocument(u"one\ntwo\nthree"_qs, tested.made, 0, tested.madeLast);
        // An indented plain paragraph keeps its indent.
        const QTextBlock last = doc->findBlockByNumber(2);
        ParagraphStyle indented = styleAt(*doc, 2);
        indented.headIndent = indented.firstLineHeadIndent = 20;
        QTextBlockFormat format = last.blockFormat();
        AttributedText::setParagraphStyle(format, indented);
        QTextCursor(last).setBlockFormat(format);
        const std::string before = bxtest::describeLists(*doc);

        // A document reports its changes once it has a layout.
        doc->documentLayout();
        int changes = 0;
        QObject::connect(
            doc.get(), &QTextDocument::contentsChange, [&changes](int, int, int) { ++changes; });
        const int end = tested.madeLast < 0 ? doc->characterCount() - 1
                                            : doc->findBlockByNumber(tested.madeLast).position();
        TextListMarkers::apply(*doc, 0, end, tested.asked);
        EXPECT_EQ(changes > 0, tested.changes) << bxtest::describeLists(*doc);
        if (!tested.changes) {
            EXPECT_EQ(bxtest::describeLists(*doc), before);
        }
        EXPECT_EQ(styleAt(*doc, 2).headIndent, 20);
    }
    auto nested = listDocument(u"one\ntwo"_qs, QTextListFormat::ListDisc, 0, 1);
    QTextCursor second(nested->findBlockByNumber(1));
    TextListEditing::changeLevel(second, 1);
    ASSERT_EQ(
        bxtest::describeLists(*nested), "\t\u2022\tone[{disc}] | \t\u25e6\ttwo[{disc}>{circle}]");
    TextListMarkers::apply(*nested, nested->findBlockByNumber(1).position(),
        nested->findBlockByNumber(1).position(), QTextListFormat::ListDisc);
    EXPECT_EQ(bxtest::describeLists(*nested), "\t\u2022\tone[{disc}] | \t\u2022\ttwo[{disc}]");
}

TEST(TextLists, EditingKeysContinueNestEndAndRemoveItems)
{
    enum class Key { Return, Tab, ShiftTab, Backspace, Delete };
    struct Case {
        const char* what;
        QTextListFormat::Style style;
        int paragraph;
        int position; // -1: the end of the paragraph
        std::vector<Key> keys;
        bool handled;
        const char* lists;
        int cursorInBlock;
    };
    const std::vector<Case> cases {
        { "return continues and numbers on", QTextListFormat::ListDecimal, 0, -1, { Key::Return },
            true,
            "\t1.\tone[{decimal}.] | \t2.\t[{decimal}.] | \t3.\ttwo[{decimal}.] | "
            "\t4.\tthree[{decimal}.] | after",
            4 },
        { "return inside the text splits the item", QTextListFormat::ListDisc, 1, 4,
            { Key::Return }, true,
            "\t\u2022\tone[{disc}] | \t\u2022\tt[{disc}] | \t\u2022\two[{disc}] | "
            "\t\u2022\tthree[{disc}] | after",
            3 },
        { "return on an empty item ends the list", QTextListFormat::ListDecimal, 2, -1,
            { Key::Return, Key::Return }, true,
            "\t1.\tone[{decimal}.] | \t2.\ttwo[{decimal}.] | \t3.\tthree[{decimal}.] |  | after",
            0 },
        { "tab at the start nests and numbers anew", QTextListFormat::ListDecimal, 1, 4,
            { Key::Tab }, true,
            "\t1.\tone[{decimal}.] | \t1.\ttwo[{decimal}.>{decimal}.] | "
            "\t2.\tthree[{decimal}.] | after",
            4 },
        { "nested bullets change their shape", QTextListFormat::ListDisc, 1, 0,
            { Key::Tab, Key::Tab }, true,
            "\t\u2022\tone[{disc}] | \t\u25AA\ttwo[{disc}>{circle}>{square}] | "
            "\t\u2022\tthree[{disc}] | after",
            3 },
        { "shift+tab undoes tab", QTextListFormat::ListDecimal, 1, 4, { Key::Tab, Key::ShiftTab },
            true, "\t1.\tone[{decimal}.] | \t2.\ttwo[{decimal}.] | \t3.\tthree[{decimal}.] | after",
            4 },
        { "tab inside the text is a tab", QTextListFormat::ListDecimal, 1, 5, { Key::Tab }, false,
            "", 0 },
        { "backspace at the start removes the marker", QTextListFormat::ListDecimal, 1, 4,
            { Key::Backspace }, true,
            "\t1.\tone[{decimal}.] | two | \t1.\tthree[{decimal}.] | after", 0 },
        { "backspace in the text deletes", QTextListFormat::ListDecimal, 1, 5, { Key::Backspace },
            false, "", 0 },
        { "return after the list is a return", QTextListFormat::ListDecimal, 3, -1, { Key::Return },
            false, "", 0 },
        { "delete before an item joins its text", QTextListFormat::ListDecimal, 0, -1,
            { Key::Delete }, true, "\t1.\tonetwo[{decimal}.] | \t2.\tthree[{decimal}.] | after",
            7 },
        { "delete on an empty line before an item takes the line", QTextListFormat::ListDecimal, 1,
            -1, { Key::Backspace, Key::Backspace, Key::Backspace, Key::Backspace, Key::Delete },
            true, "\t1.\tone[{decimal}.] | \t2.\tthree[{decimal}.] | after", 4 },
        { "delete inside the text deletes", QTextListFormat::ListDecimal, 0, 4, { Key::Delete },
            false, "", 0 },
        { "delete at the list's end deletes", QTextListFormat::ListDecimal, 2, -1, { Key::Delete },
            false, "", 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto doc = listDocument(u"one\ntwo\nthree\nafter"_qs, c.style, 0, 2);
        const QTextBlock block = doc->findBlockByNumber(c.paragraph);
        QTextCursor cursor(block);
        cursor.setPosition(block.position() + (c.position < 0 ? block.length() - 1 : c.position));
        bool handled = true;
        for (Key key : c.keys) {
            switch (key) {
            case Key::Return:
                handled = TextListEditing::insertParagraph(cursor);
                break;
            case Key::Tab:
                handled = TextListEditing::changeLevel(cursor, 1);
                break;
            case Key::ShiftTab:
                handled = TextListEditing::changeLevel(cursor, -1);
                break;
            case Key::Backspace:
                handled = TextListEditing::deleteBackward(cursor);
                if (!handled)
                    cursor.deletePreviousChar();
                break;
            case Key::Delete:
                handled = TextListEditing::deleteForward(cursor);
                break;
            }
        }
        EXPECT_EQ(handled, c.handled);
        if (!c.handled)
            continue;
        EXPECT_EQ(bxtest::describeLists(*doc), c.lists);
        EXPECT_EQ(cursor.positionInBlock(), c.cursorInBlock);
    }
}

// A caret moved into a marker goes to the item's text, or going left from there to the line
// before; a selection keeps its anchor.
TEST(TextLists, ACaretNeverRestsInsideAMarker)
{
    struct Case {
        const char* what;
        int anchor;
        int position;
        int from;
        bool backward;
        bool placed;
        int expectedAnchor;
        int expectedPosition;
    };
    // "after\n" then "\t•\tone": the item's text starts at 9.
    const Case cases[] = {
        { "home to the paragraph's start", 6, 6, 12, false, true, 9, 9 },
        { "a click on the marker", 7, 7, 7, false, true, 9, 9 },
        { "left from the text's start", 8, 8, 9, true, true, 5, 5 },
        { "left from further in stops at the text", 8, 8, 11, true, true, 9, 9 },
        { "shift+home keeps the anchor", 12, 6, 12, false, true, 12, 9 },
        { "shift+left from the text's start", 9, 8, 9, true, true, 9, 5 },
        { "in the text", 10, 10, 11, true, false, 10, 10 },
        { "outside a list", 2, 2, 3, true, false, 2, 2 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto doc = listDocument(u"after\none"_qs, QTextListFormat::ListDisc, 1, 1);
        QTextCursor cursor(doc.get());
        cursor.setPosition(c.anchor);
        cursor.setPosition(c.position, QTextCursor::KeepAnchor);
        EXPECT_EQ(TextListEditing::placeCaret(cursor, c.from, c.backward), c.placed);
        EXPECT_EQ(cursor.anchor(), c.expectedAnchor);
        EXPECT_EQ(cursor.position(), c.expectedPosition);
    }
}

// After a list ends, text is typed in the look of the items' text, not the marker's.
TEST(TextLists, TypingAfterAListTakesTheTextsLook)
{
    auto doc = listDocument(u"one"_qs, QTextListFormat::ListDisc, 0, 0);
    QTextCharFormat large;
    large.setFontPointSize(20);
    QTextCursor text(doc.get());
    text.setPosition(3);
    text.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    text.mergeCharFormat(large);
    QTextCursor cursor(doc.get());
    cursor.movePosition(QTextCursor::End);
    ASSERT_TRUE(TextListEditing::insertParagraph(cursor));
    ASSERT_TRUE(TextListEditing::insertParagraph(cursor));
    cursor.insertText(u"plain"_qs);
    EXPECT_EQ(bxtest::describeLists(*doc), "\t\u2022\tone[{disc}] | plain");
    QTextCursor typed(doc->lastBlock());
    typed.movePosition(QTextCursor::EndOfBlock);
    EXPECT_EQ(typed.charFormat().fontPointSize(), 20);
}

// Formats read and written through Qt's lists meet the items as stored text keeps them: the
// marker runs and indents come off on the way to Qt's lists and back on the way from them.
TEST(TextLists, QtListsConvertBothWays)
{
    auto doc = listDocument(
        u"before\nfruit\napple\npear\nveg\nafter"_qs, QTextListFormat::ListDecimal, 1, 4);
    QTextCursor nest(doc->findBlockByNumber(2));
    nest.movePosition(QTextCursor::NextCharacter, QTextCursor::MoveAnchor, 4);
    ASSERT_TRUE(TextListEditing::changeLevel(nest, 1));
    nest.setPosition(doc->findBlockByNumber(3).position() + 4);
    ASSERT_TRUE(TextListEditing::changeLevel(nest, 1));
    const std::string expected
        = "before | \t1.\tfruit[{decimal}.] | "
          "\t1.\tapple[{decimal}.>{decimal}.] | "
          "\t2.\tpear[{decimal}.>{decimal}.] | \t2.\tveg[{decimal}.] | after";
    ASSERT_EQ(bxtest::describeLists(*doc), expected);

    auto qt = TextListConversion::toQtLists(*doc);
    EXPECT_EQ(AttributedText::string(*qt), u"before\nfruit\napple\npear\nveg\nafter"_qs);
    const QTextBlock fruit = qt->findBlockByNumber(1);
    const QTextBlock apple = qt->findBlockByNumber(2);
    ASSERT_TRUE(fruit.textList() && apple.textList());
    EXPECT_EQ(fruit.textList(), qt->findBlockByNumber(4).textList());
    EXPECT_EQ(apple.textList(), qt->findBlockByNumber(3).textList());
    EXPECT_EQ(apple.textList()->format().indent(), 2);
    EXPECT_EQ(styleAt(*qt, 1).headIndent, 0);
    EXPECT_FALSE(qt->findBlockByNumber(5).textList());

    TextListConversion::fromQtLists(*qt);
    EXPECT_EQ(bxtest::describeLists(*qt), expected);
    EXPECT_EQ(styleAt(*qt, 2).headIndent, 72);
}

// Lists of a page come in numbered, each list counting its own items and a nested list
// starting anew under each item, however its items interleave with another list's.
TEST(TextLists, EachListOfAPageIsNumberedOnItsOwn)
{
    const auto read = HtmlReader::read("<ol><li>a<ol><li>a1<li>a2</ol><li>b<ol><li>b1</ol></ol>"
                                       "<p>between<ol><li>c<li>d</ol><ul><li>e<li>f</ul>",
        {});
    ASSERT_TRUE(read.has_value());
    QStringList paragraphs;
    for (QTextBlock block = read->document->begin(); block.isValid(); block = block.next()) {
        EXPECT_FALSE(block.textList());
        paragraphs << block.text().trimmed().replace(u'\t', u' ');
    }
    EXPECT_EQ(paragraphs.join(u'|').toStdString(),
        "1. a|1. a1|2. a2|2. b|1. b1|between|1. c|2. d|\u2022 e|\u2022 f");
}

// Writers read a copy of the note in which items belong to Qt lists: it keeps the pictures'
// bytes and the document's settings, and a list of any length stays one list.
TEST(TextLists, WritersCopyKeepsPicturesSettingsAndWholeLists)
{
    auto doc = listDocument(u"one\ntwo\nthree"_qs, QTextListFormat::ListDecimal, 0, 2);
    doc->setDefaultFont(QFont(QStringLiteral("Courier"), 17));
    QTextCursor cursor(doc->lastBlock());
    cursor.movePosition(QTextCursor::EndOfBlock);
    AttributedText::insertAttachment(cursor, { QByteArray("picture bytes"), u"p.png"_qs, {} });

    const auto copy = TextListConversion::toQtLists(*doc);
    EXPECT_EQ(copy->defaultFont().pointSize(), 17);
    QTextCursor picture(copy->lastBlock());
    picture.movePosition(QTextCursor::EndOfBlock);
    ASSERT_TRUE(AttributedText::isAttachment(picture.charFormat()));
    EXPECT_EQ(AttributedText::attachment(*copy, picture.charFormat()).contents,
        QByteArray("picture bytes"));
    const QTextList* list = copy->begin().textList();
    ASSERT_TRUE(list);
    EXPECT_EQ(copy->findBlockByNumber(1).textList(), list);
    EXPECT_EQ(copy->findBlockByNumber(2).textList(), list);
}

TEST(TextLists, HtmlWriterWritesItemsAsListElements)
{
    auto doc = listDocument(u"apples\npears\nthen"_qs, QTextListFormat::ListDisc, 0, 1);
    const QString html = HtmlWriter::toHtml(*doc, {});
    EXPECT_TRUE(html.contains(u"<ul>"_qs)) << html.toStdString();
    EXPECT_TRUE(html.contains(u"apples</li>"_qs)) << html.toStdString();
    EXPECT_FALSE(html.contains(u"\u2022"_qs)) << html.toStdString();
}

} // namespace

#include "NotesFileTestSupport.h"

#include "document/transfer/MarkdownImporter.h"

#include "document/BXDefaults.h"

#include "platform/testing/FakeScheduler.h"
#include "platform/text/AttributedText.h"
#include "platform/text/HtmlReader.h"
#include "platform/text/RichTextTestSupport.h"
#include "platform/text/RtfTokenizer.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

using namespace notesfiletest;
using platform::AttributedText;

namespace {

// Rich text set on a note, stored in a notes file, saved, closed and reopened.
class NoteRichTextStorageTest : public ::testing::Test {
protected:
    void SetUp() override { BXDefaults::registerDefaults(); }

    std::unique_ptr<QTextDocument> throughStorage(const QTextDocument& text)
    {
        const QUrl url = packageURL(folder, QStringLiteral("Text%1.brindlex").arg(++files));
        {
            NotesFile document;
            BXNote::NotePtr note
                = BXNote::newNoteInManagedObjectContext(document.managedObjectContext(), {}, {});
            note->setAttributedString(text);
            const platform::Error error = save(document, url, platform::SaveOperation::Save);
            EXPECT_TRUE(error.isNull()) << qPrintable(error.toString());
            document.close();
        }
        platform::Error error;
        const std::unique_ptr<NotesFile> reopened = open(url, &error);
        EXPECT_TRUE(reopened) << qPrintable(error.toString());
        if (!reopened)
            return nullptr;
        const auto notes = reopened->managedObjectContext()->fetchObjects(
            platform::FetchRequest(BXNote::entityName()), nullptr);
        EXPECT_TRUE(notes && notes->size() == 1);
        if (!notes || notes->size() != 1)
            return nullptr;
        return static_cast<BXNote*>(notes->first().get())->attributedString();
    }

    platform::FakeScheduler scheduler;
    QString folder = bxtest::makeTempFolder();
    int files = 0;
};

TEST_F(NoteRichTextStorageTest, ListsFromHtmlMarkdownOrTypedStayLists)
{
    const char* twoLevels = "\t\u2022\tone[{disc}] | \t\u2022\tinner[{disc}>{disc}] | "
                            "\t\u2022\tinner two[{disc}>{disc}] | \t\u2022\ttwo[{disc}] | after";
    auto typed = AttributedText::makeDocument();
    QTextCursor(typed.get()).insertText(u"one\ninner\ninner two\ntwo\nafter"_qs);
    const QStringList outer { u"{disc}"_qs };
    const QList<QStringList> levels { outer, outer + outer, outer + outer, outer };
    for (int paragraph = 0; paragraph < levels.size(); ++paragraph)
        platform::TextListMarkers::setLists(typed->findBlockByNumber(paragraph), levels[paragraph]);
    struct Case {
        const char* what;
        std::unique_ptr<QTextDocument> text;
        const char* lists;
    };
    Case cases[] = {
        { "bullets from HTML",
            platform::HtmlReader::fromHtml(u"<ul><li>one<ul><li>inner</li><li>inner two</li>"
                                           "</ul></li><li>two</li></ul><p>after</p>"_qs),
            twoLevels },
        { "numbers from HTML",
            platform::HtmlReader::fromHtml(
                u"<ol><li>one<ol><li>inner</li></ol></li><li>two<ol><li>again</li></ol></li>"
                "</ol>"_qs),
            "\t1.\tone[{decimal}.] | \t1.\tinner[{decimal}.>{decimal}.] | "
            "\t2.\ttwo[{decimal}.] | \t1.\tagain[{decimal}.>{decimal}.]" },
        { "bullets from Markdown",
            MarkdownImporter::attributedStringFromMarkdown(
                u"- one\n  - inner\n  - inner two\n- two\n\nafter"_qs,
                platform::AttributedText::systemFont()),
            "\t\u2022\tone[{disc}] | \t\u2022\tinner[{disc}>{disc}] | "
            "\t\u2022\tinner two[{disc}>{disc}] | \t\u2022\ttwo[{disc}] | after" },
        { "typed", std::move(typed), twoLevels },
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(bxtest::describeLists(*c.text), c.lists);
        const auto back = throughStorage(*c.text);
        ASSERT_TRUE(back);
        EXPECT_EQ(bxtest::describeLists(*back), c.lists);
    }
}

TEST_F(NoteRichTextStorageTest, HeadingsKeepTheirSizesAndHtmlLinesStay)
{
    const auto html = platform::HtmlReader::fromHtml(
        u"<h1>Title</h1><h2>Part</h2><h3>Section</h3><p><u>under</u> <s>struck</s> plain</p>"_qs);
    const auto back = throughStorage(*html);
    ASSERT_TRUE(back);
    const QString text = AttributedText::string(*back);
    ASSERT_EQ(text, AttributedText::string(*html));
    const double system = AttributedText::systemFont().pointSizeF();
    struct Case {
        QString word;
        double size;
        int underline;
        int strike;
    };
    const Case cases[] = {
        { u"Title"_qs, system * 2.0, 0, 0 },
        { u"Part"_qs, system * 1.5, 0, 0 },
        { u"Section"_qs, system * 1.2, 0, 0 },
        { u"under"_qs, system, 1, 0 },
        { u"struck"_qs, system, 0, 1 },
        { u"plain"_qs, system, 0, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word.toStdString());
        const qsizetype at = text.indexOf(c.word);
        const QVariantMap stored = AttributedText::attributes(*back, at);
        EXPECT_NEAR(stored.value(AttributedText::FontAttributeName).value<QFont>().pointSizeF(),
            c.size, 0.001);
        EXPECT_EQ(stored.value(AttributedText::UnderlineStyleAttributeName).toInt(), c.underline);
        EXPECT_EQ(stored.value(AttributedText::StrikethroughStyleAttributeName).toInt(), c.strike);
        // What the attribute functions said of the imported text is what was stored.
        const QVariantMap imported = AttributedText::attributes(*html, at);
        for (const QString& name : { AttributedText::UnderlineStyleAttributeName,
                 AttributedText::StrikethroughStyleAttributeName })
            EXPECT_EQ(imported.value(name), stored.value(name)) << name.toStdString();
        if (c.size != system) {
            EXPECT_EQ(imported.value(AttributedText::FontAttributeName).value<QFont>().pointSizeF(),
                stored.value(AttributedText::FontAttributeName).value<QFont>().pointSizeF());
        }
    }
}

// The text of RTF as read by a reader that, unlike ours, sets the \uc skip count back to 1 at
// every \pard. Skips destinations and the font and colour tables; \'hh counts as one byte.
QString readResettingSkipCountAtPard(QByteArrayView rtf)
{
    using platform::RtfToken;
    struct Group {
        int skipCount = 1;
        bool ignored = false;
    };
    std::vector<Group> groups { Group {} };
    platform::RtfTokenizer tokens(rtf);
    QString text;
    int skip = 0;
    for (RtfToken token = tokens.next(); token.type != RtfToken::Type::End && !groups.empty();
         token = tokens.next()) {
        Group& group = groups.back();
        switch (token.type) {
        case RtfToken::Type::GroupOpen:
            groups.push_back(group);
            skip = 0;
            break;
        case RtfToken::Type::GroupClose:
            groups.pop_back();
            skip = 0;
            break;
        case RtfToken::Type::ControlSymbol:
            if (token.symbol == '*')
                group.ignored = true;
            else if (skip > 0)
                --skip;
            else if (group.ignored)
                break;
            else if (token.symbol == '\n')
                text += u'\n';
            else if (token.symbol == '\'')
                text += QChar(char16_t(token.parameter));
            break;
        case RtfToken::Type::ControlWord:
            if (skip > 0) {
                --skip;
            } else if (token.text == "fonttbl" || token.text == "colortbl") {
                group.ignored = true;
            } else if (token.text == "pard") {
                group.skipCount = 1;
            } else if (token.text == "uc") {
                group.skipCount = token.parameter;
            } else if (token.text == "u" && !group.ignored) {
                text += QChar(char16_t(token.parameter));
                skip = group.skipCount;
            } else if (token.text == "par" && !group.ignored) {
                text += u'\n';
            }
            break;
        case RtfToken::Type::Text: {
            const qsizetype skipped = std::min<qsizetype>(skip, token.text.size());
            skip -= int(skipped);
            if (!group.ignored)
                text += QString::fromLatin1(token.text.sliced(skipped));
            break;
        }
        case RtfToken::Type::End:
            break;
        }
    }
    return text;
}

TEST_F(NoteRichTextStorageTest, EscapedTextKeepsItsSpacesForReadersResettingTheSkipCountAtPard)
{
    // The test reader does drop a character after an escape when the count was stated once
    // before a \pard.
    EXPECT_EQ(readResettingSkipCountAtPard("{\\rtf1\\uc0\\pard \\u1055 \\u1088  x}"), u"П x"_qs);

    const QString text
        = u"Привет мир 你好 世界 😀 🎉 done\nВторой абзац 第二 🙂 end"_qs;
    auto rich = AttributedText::makeDocument();
    rich->setPlainText(text);
    platform::ParagraphStyle centred = AttributedText::defaultParagraphStyle();
    centred.alignment = platform::TextAlignment::Center;
    AttributedText::addAttribute(*rich, AttributedText::ParagraphStyleAttributeName,
        QVariant::fromValue(centred), { text.indexOf(u'\n') + 1, 1 });
    NotesFile document;
    BXNote::NotePtr note
        = BXNote::newNoteInManagedObjectContext(document.managedObjectContext(), {}, {});
    note->setAttributedString(*rich);
    const QByteArray rtf = note->noteStyles();
    ASSERT_GE(rtf.count("\\pard"), 2) << rtf.toStdString();
    EXPECT_EQ(readResettingSkipCountAtPard(rtf), text) << rtf.toStdString();
}

} // namespace

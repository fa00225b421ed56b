#include "platform/appkit/textview/MimeDataInsertion.h"
#include "platform/appkit/textview/TextEditCommands.h"
#include "platform/appkit/textview/TextInsertionTarget.h"
#include "platform/text/AttributedText.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextCursor>
#include <QTextDocument>

using namespace platform;

namespace {

// A text the insertions go into, recording how each arrived.
class RecordingTarget : public TextInsertionTarget {
public:
    bool acceptsInsertion() const override { return accepts; }
    void insertAsUserEdit(const QString& actionName,
        const std::function<void(QTextCursor& cursor)>& insert, bool showCaret) override
    {
        QTextCursor cursor(document.get());
        cursor.movePosition(QTextCursor::End);
        insert(cursor);
        edits << actionName;
        caretShown = showCaret;
    }
    bool insertPlainText(const QString& text, const QString& actionName) override
    {
        plainText << text;
        edits << actionName;
        return true;
    }

    std::unique_ptr<QTextDocument> document = AttributedText::makeDocument();
    bool accepts = true;
    bool caretShown = false;
    QStringList edits;
    QStringList plainText;
};

QImage smallImage()
{
    QImage image(4, 3, QImage::Format_ARGB32);
    image.fill(Qt::blue);
    return image;
}

} // namespace

TEST(MimeDataInsertion, AnImageGoesBeforeRtfRtfBeforeHtmlAndHtmlBeforePlainText)
{
    struct Case {
        const char* name;
        bool image;
        QByteArray rtf;
        QString html;
        QString text;
        bool inserted;
        QString documentText;
        QStringList plainText;
    };
    const QString picture(QChar::ObjectReplacementCharacter);
    const QByteArray rtf("{\\rtf1\\ansi {\\b styled}}");
    const Case cases[] = {
        { "all four", true, rtf, QStringLiteral("<b>rich</b>"), QStringLiteral("plain"), true,
            picture, {} },
        { "rtf, html and plain", false, rtf, QStringLiteral("<b>rich</b>"), QStringLiteral("plain"),
            true, QStringLiteral("styled"), {} },
        // Damaged RTF is passed over for the next form.
        { "damaged rtf", false, QByteArray("{\\rtf1 {\\b unclosed"), QStringLiteral("<b>rich</b>"),
            QStringLiteral("plain"), true, QStringLiteral("rich"), {} },
        { "html and plain", false, {}, QStringLiteral("<b>rich</b>"), QStringLiteral("plain"), true,
            QStringLiteral("rich"), {} },
        { "plain only", false, {}, {}, QStringLiteral("plain"), true, {},
            { QStringLiteral("plain") } },
        // Rich text that reads as nothing is not taken for its plain form.
        { "empty rich text", false, {}, QStringLiteral("<p></p>"), QStringLiteral("plain"), false,
            {}, {} },
        { "nothing usable", false, {}, {}, {}, false, {}, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingTarget target;
        QMimeData data;
        if (c.image)
            data.setImageData(smallImage());
        if (!c.rtf.isEmpty())
            data.setData(QStringLiteral("text/rtf"), c.rtf);
        if (!c.html.isEmpty())
            data.setHtml(c.html);
        if (!c.text.isEmpty())
            data.setText(c.text);
        EXPECT_EQ(
            MimeDataInsertion(target).insertMimeData(&data, QStringLiteral("Paste")), c.inserted);
        EXPECT_EQ(AttributedText::string(*target.document), c.documentText);
        EXPECT_EQ(target.plainText, c.plainText);
        EXPECT_EQ(target.edits.size(), c.inserted ? 1 : 0);
    }
}

TEST(MimeDataInsertion, AnImageBecomesAPngAttachmentOnlyWhereTheTextTakesIt)
{
    RecordingTarget target;
    MimeDataInsertion insertion(target);
    ASSERT_TRUE(insertion.insertImage(smallImage(), QStringLiteral("Drop")));
    EXPECT_EQ(target.edits, QStringList { QStringLiteral("Drop") });
    EXPECT_FALSE(target.caretShown);
    const TextAttachment attachment
        = AttributedText::attribute(*target.document, AttributedText::AttachmentAttributeName, 0)
              .value<TextAttachment>();
    EXPECT_EQ(attachment.fileName, QStringLiteral("image.png"));
    EXPECT_EQ(QImage::fromData(attachment.contents, "PNG").size(), QSize(4, 3));

    target.accepts = false;
    EXPECT_FALSE(insertion.insertImage(smallImage(), QStringLiteral("Drop")));
    EXPECT_FALSE(insertion.insertImage(QImage(), QStringLiteral("Drop")));
    EXPECT_EQ(target.edits.size(), 1);
}

TEST(TextEditCommands, EditItemsFollowEditabilityAndTheSelection)
{
    bool editable = false;
    bool selected = false;
    bool ruler = false;
    TextEditCommands commands({ [&] { return editable; }, [&] { return selected; }, [] {},
        [](QKeyEvent&) {}, [&] { return ruler; }, [&](bool visible) { ruler = visible; } });
    struct Case {
        bool editable;
        bool selected;
        bool paste;
        bool cut;
        bool copy;
    };
    const Case cases[] = {
        { false, false, false, false, false },
        { false, true, false, false, true },
        { true, false, true, false, false },
        { true, true, true, true, true },
    };
    const auto enabled = [&](const char* action) {
        Command command { QString::fromLatin1(action), 0, {}, std::nullopt };
        return commands.validate(command).value_or(false);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(
            testing::Message() << "editable " << c.editable << ", selected " << c.selected);
        editable = c.editable;
        selected = c.selected;
        EXPECT_EQ(enabled("paste:"), c.paste);
        EXPECT_EQ(enabled("cut:"), c.cut);
        EXPECT_EQ(enabled("copy:"), c.copy);
        EXPECT_TRUE(enabled("selectAll:"));
    }
    EXPECT_FALSE(commands.respondsTo(QStringLiteral("bold:")));
    Command other { QStringLiteral("bold:"), 0, {}, std::nullopt };
    EXPECT_FALSE(commands.validate(other).has_value());
}

TEST(TextEditCommands, KeyedItemsPressTheirKeysAndTheRulerItemToggles)
{
    QList<QKeySequence::StandardKey> pressed;
    int pastes = 0;
    bool ruler = false;
    TextEditCommands commands({ [] { return true; }, [] { return true; }, [&] { ++pastes; },
        [&](QKeyEvent& event) {
            for (auto key : { QKeySequence::Cut, QKeySequence::Copy, QKeySequence::SelectAll }) {
                if (event.matches(key))
                    pressed << key;
            }
        },
        [&] { return ruler; }, [&](bool visible) { ruler = visible; } });
    for (const char* action : { "cut:", "copy:", "selectAll:", "paste:" })
        commands.perform(Command { QString::fromLatin1(action), 0, {}, std::nullopt });
    EXPECT_EQ(pressed,
        (QList<QKeySequence::StandardKey> {
            QKeySequence::Cut, QKeySequence::Copy, QKeySequence::SelectAll }));
    EXPECT_EQ(pastes, 1);

    Command toggle { QStringLiteral("toggleRuler:"), 0, {}, std::nullopt };
    ASSERT_TRUE(commands.validate(toggle).value_or(false));
    EXPECT_EQ(toggle.checked, false);
    commands.perform(toggle);
    EXPECT_TRUE(ruler);
    ASSERT_TRUE(commands.validate(toggle).value_or(false));
    EXPECT_EQ(toggle.checked, true);
    commands.perform(toggle);
    EXPECT_FALSE(ruler);
}

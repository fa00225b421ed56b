#include "platform/text/SharedTextStorage.h"
#include "platform/foundation/UndoManager.h"
#include "platform/testing/FakeScheduler.h"
#include "platform/text/AttributedText.h"
#include "platform/text/RtfReader.h"
#include "platform/text/RtfWriter.h"
#include "platform/text/TextListEditing.h"
#include "platform/text/TextListMarkers.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <random>

using namespace platform;

namespace {

// RTF with the files it names: what a note stores, so "equal" here means equal as stored.
QByteArray stored(const QTextDocument& doc)
{
    QList<QPair<QString, QByteArray>> files;
    QByteArray bytes = RtfWriter::write(doc, &files);
    for (const auto& [name, data] : files)
        bytes += "\n--" + name.toUtf8() + ':' + data.toBase64();
    return bytes;
}

// Each paragraph's lists, empty for none.
QStringList listsOf(const QTextDocument& doc)
{
    QStringList lists;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next())
        lists << TextListMarkers::itemLists(block).join(u'/');
    return lists;
}

std::unique_ptr<QTextDocument> storageWith(const QString& text)
{
    auto doc = AttributedText::makeDocument();
    QTextCursor(doc.get()).insertText(text);
    return doc;
}

TextAttachment pngAttachment(int seed)
{
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(QColor::fromHsv(seed * 37 % 360, 200, 200));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return { png, QStringLiteral("picture%1.png").arg(seed), QSizeF(4, 3) };
}

class SharedTextStorageTest : public ::testing::Test {
protected:
    FakeScheduler scheduler;
    UndoManager undoManager;
};

// The user's edits in two views of one note, their undos and redos, in random order: after
// every step both views and the storage hold the same text, the storage's lists survive being
// stored, and undoing everything brings back the original.
TEST_F(SharedTextStorageTest, RandomEditsInTwoViewsKeepMirrorsAndStorageEqual)
{
    for (unsigned seed : { 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u }) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        auto storage = storageWith(QStringLiteral("Hello world\nA second paragraph\nthird"));
        const QByteArray original = stored(*storage);
        SharedTextStorage* shared = SharedTextStorage::of(storage.get());
        auto provider = [this] { return &undoManager; };
        std::unique_ptr<QTextDocument> mirrors[2]
            = { shared->makeMirror(provider), shared->makeMirror(provider) };
        std::mt19937 random(seed);
        const auto pick = [&](int below) { return int(random() % unsigned(std::max(below, 1))); };

        for (int step = 0; step < 120; ++step) {
            QTextDocument* mirror = mirrors[pick(2)].get();
            const int length = int(AttributedText::length(*mirror));
            const int at = pick(length + 1);
            const int span = std::min(pick(6) + 1, length - at);
            const int kind = pick(12);
            SCOPED_TRACE(testing::Message() << "step " << step << " kind " << kind);
            const auto edit = [&](bool typing, const std::function<void(QTextCursor&)>& change) {
                shared->performUserEdit(mirror, QStringLiteral("Edit"), typing, [&] {
                    QTextCursor cursor(mirror);
                    cursor.setPosition(at);
                    change(cursor);
                });
            };
            switch (kind) {
            case 0:
            case 1:
                edit(kind == 0, [&](QTextCursor& c) { c.insertText(QStringLiteral("xy")); });
                break;
            case 2:
                edit(pick(2), [&](QTextCursor& c) {
                    c.setPosition(at + span, QTextCursor::KeepAnchor);
                    c.removeSelectedText();
                });
                break;
            case 3:
                edit(false, [&](QTextCursor& c) {
                    c.setPosition(at + span, QTextCursor::KeepAnchor);
                    QTextCharFormat format;
                    format.setFontWeight(pick(2) ? QFont::Bold : QFont::Normal);
                    format.setForeground(QColor::fromHsv(pick(360), 255, 200));
                    c.mergeCharFormat(format);
                });
                break;
            case 4:
                edit(false, [&](QTextCursor& c) {
                    ParagraphStyle style = AttributedText::defaultParagraphStyle();
                    style.alignment = pick(2) ? TextAlignment::Center : TextAlignment::Right;
                    style.headIndent = pick(30);
                    QTextBlockFormat format = c.blockFormat();
                    AttributedText::setParagraphStyle(format, style);
                    c.setBlockFormat(format);
                });
                break;
            case 5:
                edit(false, [&](QTextCursor& c) {
                    AttributedText::insertAttachment(c, pngAttachment(step));
                });
                break;
            case 6:
                edit(true, [&](QTextCursor& c) { c.insertBlock(); });
                break;
            case 9:
                edit(false, [&](QTextCursor&) {
                    static const QTextListFormat::Style styles[]
                        = { QTextListFormat::ListStyleUndefined, QTextListFormat::ListDisc,
                              QTextListFormat::ListDecimal };
                    TextListMarkers::apply(*mirror, at, at + span, styles[pick(3)]);
                });
                break;
            case 10:
                edit(true, [&](QTextCursor& c) {
                    if (!TextListEditing::insertParagraph(c))
                        c.insertBlock();
                });
                break;
            case 11:
                edit(true, [&](QTextCursor& c) {
                    // Backspace, or Tab nesting an item.
                    if (pick(2) != 0)
                        TextListEditing::changeLevel(c, 1);
                    else if (!TextListEditing::deleteBackward(c))
                        c.deletePreviousChar();
                });
                break;
            case 7:
                scheduler.runUntilIdle();
                if (undoManager.canUndo())
                    undoManager.undo();
                break;
            default:
                scheduler.runUntilIdle();
                if (undoManager.canRedo())
                    undoManager.redo();
                break;
            }
            if (pick(3) == 0)
                scheduler.runUntilIdle();
            const QByteArray expected = stored(*storage);
            ASSERT_EQ(AttributedText::string(*mirrors[0]), AttributedText::string(*storage));
            ASSERT_EQ(stored(*mirrors[0]), expected);
            ASSERT_EQ(stored(*mirrors[1]), expected);
            const auto reread = RtfReader::read(RtfWriter::write(*storage));
            ASSERT_TRUE(reread);
            ASSERT_EQ(listsOf(*reread), listsOf(*storage));
        }
        scheduler.runUntilIdle();
        while (undoManager.canUndo())
            undoManager.undo();
        EXPECT_EQ(stored(*storage), original);
        EXPECT_EQ(stored(*mirrors[1]), original);
        undoManager.removeAllActions();
    }
}

TEST_F(SharedTextStorageTest, TypingAndDeletingCoalesceIntoOneUndoStep)
{
    auto storage = storageWith(QStringLiteral("ab"));
    SharedTextStorage* shared = SharedTextStorage::of(storage.get());
    auto mirror = shared->makeMirror([this] { return &undoManager; });
    QTextCursor cursor(mirror.get());
    cursor.setPosition(1);
    for (QChar c : QStringLiteral("Hello")) {
        shared->performUserEdit(
            mirror.get(), QStringLiteral("Typing"), true, [&] { cursor.insertText(QString(c)); });
        scheduler.runUntilIdle();
    }
    EXPECT_EQ(AttributedText::string(*storage), QStringLiteral("aHellob"));
    EXPECT_TRUE(shared->isCoalescingTyping(mirror.get()));
    EXPECT_EQ(undoManager.undoActionName(), QStringLiteral("Typing"));
    undoManager.undo();
    EXPECT_EQ(AttributedText::string(*storage), QStringLiteral("ab"));
    EXPECT_EQ(AttributedText::string(*mirror), QStringLiteral("ab"));
    EXPECT_FALSE(undoManager.canUndo());
    undoManager.redo();
    EXPECT_EQ(AttributedText::string(*mirror), QStringLiteral("aHellob"));

    // Backspaces gather too, and a broken run starts a new step.
    cursor.setPosition(6);
    for (int i = 0; i < 3; ++i) {
        shared->performUserEdit(
            mirror.get(), QStringLiteral("Typing"), true, [&] { cursor.deletePreviousChar(); });
        scheduler.runUntilIdle();
    }
    EXPECT_EQ(AttributedText::string(*storage), QStringLiteral("aHeb"));
    shared->breakCoalescing(mirror.get());
    shared->performUserEdit(mirror.get(), QStringLiteral("Typing"), true,
        [&] { cursor.insertText(QStringLiteral("!")); });
    scheduler.runUntilIdle();
    undoManager.undo();
    EXPECT_EQ(AttributedText::string(*storage), QStringLiteral("aHeb"));
    undoManager.undo();
    EXPECT_EQ(AttributedText::string(*storage), QStringLiteral("aHellob"));
}

TEST_F(SharedTextStorageTest, OnlyUserEditsReachTheStorage)
{
    auto storage = storageWith(QStringLiteral("plain"));
    SharedTextStorage* shared = SharedTextStorage::of(storage.get());
    EXPECT_EQ(SharedTextStorage::of(storage.get()), shared);
    auto mirror = shared->makeMirror([this] { return &undoManager; });
    int edits = 0;
    QObject::connect(shared, &SharedTextStorage::userEdited, [&] { ++edits; });

    // A change outside a user edit (the views' own marking, say) stays in its mirror.
    QTextCursor cursor(mirror.get());
    cursor.setPosition(0);
    cursor.setPosition(5, QTextCursor::KeepAnchor);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    cursor.mergeCharFormat(bold);
    EXPECT_FALSE(
        AttributedText::attributes(*storage, 0).contains(AttributedText::FontAttributeName));
    EXPECT_EQ(edits, 0);
    EXPECT_FALSE(undoManager.canUndo());
}

TEST_F(SharedTextStorageTest, DirectStorageChangesReachMirrorsAndDropRecords)
{
    auto storage = storageWith(QStringLiteral("one"));
    SharedTextStorage* shared = SharedTextStorage::of(storage.get());
    auto mirror = shared->makeMirror([this] { return &undoManager; });
    shared->performUserEdit(mirror.get(), QStringLiteral("Typing"), true,
        [&] { QTextCursor(mirror.get()).insertText(QStringLiteral("x")); });
    ASSERT_TRUE(undoManager.canUndo());

    auto replacement = storageWith(QStringLiteral("all new text"));
    AttributedText::replaceCharacters(
        *storage, { 0, AttributedText::length(*storage) }, *replacement);
    EXPECT_EQ(AttributedText::string(*mirror), QStringLiteral("all new text"));
    EXPECT_FALSE(undoManager.canUndo());
}

// An empty document still has a paragraph, and its style (a ruler's indent) is part of the note.
TEST_F(SharedTextStorageTest, ParagraphStyleAndLookOfAnEmptyDocumentReachEveryView)
{
    QTextBlockFormat indented;
    indented.setLeftMargin(20);
    const auto margin
        = [](QTextDocument& doc) { return doc.firstBlock().blockFormat().leftMargin(); };

    auto storage = AttributedText::makeDocument();
    SharedTextStorage* shared = SharedTextStorage::of(storage.get());
    QTextCursor(storage.get()).setBlockFormat(indented);
    QTextCharFormat large;
    large.setFontPointSize(17);
    QTextCursor(storage.get()).setBlockCharFormat(large);
    auto shown = shared->makeMirror([this] { return &undoManager; });
    EXPECT_EQ(margin(*shown), 20);
    // So is the look typing takes there.
    EXPECT_EQ(QTextCursor(shown.get()).charFormat().fontPointSize(), 17);

    // Set in one view, it reaches the storage and a view made before and after.
    auto empty = AttributedText::makeDocument();
    shared = SharedTextStorage::of(empty.get());
    auto first = shared->makeMirror([this] { return &undoManager; });
    auto second = shared->makeMirror([this] { return &undoManager; });
    shared->performUserEdit(first.get(), QStringLiteral("Paragraph Style"), false,
        [&] { QTextCursor(first.get()).setBlockFormat(indented); });
    EXPECT_EQ(margin(*empty), 20);
    EXPECT_EQ(margin(*second), 20);
    EXPECT_EQ(margin(*shared->makeMirror({})), 20);
}

TEST_F(SharedTextStorageTest, AnEditInAnotherViewDropsTheOtherManagersRecords)
{
    UndoManager noteWindowManager;
    auto storage = storageWith(QStringLiteral("text"));
    SharedTextStorage* shared = SharedTextStorage::of(storage.get());
    auto mainMirror = shared->makeMirror([this] { return &undoManager; });
    auto noteMirror = shared->makeMirror([&] { return &noteWindowManager; });
    shared->performUserEdit(mainMirror.get(), QStringLiteral("Typing"), true,
        [&] { QTextCursor(mainMirror.get()).insertText(QStringLiteral("a")); });
    ASSERT_TRUE(undoManager.canUndo());
    shared->performUserEdit(noteMirror.get(), QStringLiteral("Typing"), true,
        [&] { QTextCursor(noteMirror.get()).insertText(QStringLiteral("b")); });
    EXPECT_FALSE(undoManager.canUndo());
    EXPECT_TRUE(noteWindowManager.canUndo());
    EXPECT_EQ(AttributedText::string(*mainMirror), QStringLiteral("batext"));

    // A view that goes away is forgotten.
    noteMirror.reset();
    EXPECT_EQ(shared->mirrors(), QList<QTextDocument*> { mainMirror.get() });
}

} // namespace

#include "platform/appkit/Stepper.h"
#include "platform/appkit/TextView.h"
#include "platform/appkit/TextViewDelegate.h"
#include "platform/appkit/TokenField.h"
#include "platform/appkit/TokenFieldDelegate.h"
#include "platform/appkit/accessibility/AccessibleTextEvents.h"
#include "platform/appkit/accessibility/AccessibleWidgets.h"
#include "platform/foundation/UndoManager.h"
#include "platform/text/AttributedText.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTextCursor>
#include <QVBoxLayout>

using namespace platform;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace {

// What assistive technology was told, one line per event.
QStringList* g_told = nullptr;

void record(QAccessibleEvent* event)
{
    if (!g_told)
        return;
    switch (event->type()) {
    case QAccessible::TextInserted: {
        auto* inserted = static_cast<QAccessibleTextInsertEvent*>(event);
        *g_told << QStringLiteral("insert %1 %2")
                       .arg(inserted->changePosition())
                       .arg(inserted->textInserted());
        break;
    }
    case QAccessible::TextRemoved: {
        auto* removed = static_cast<QAccessibleTextRemoveEvent*>(event);
        *g_told << QStringLiteral("remove %1 %2")
                       .arg(removed->changePosition())
                       .arg(removed->textRemoved());
        break;
    }
    case QAccessible::TextUpdated: {
        auto* updated = static_cast<QAccessibleTextUpdateEvent*>(event);
        *g_told << QStringLiteral("update %1 %2>%3")
                       .arg(updated->changePosition())
                       .arg(updated->textRemoved(), updated->textInserted());
        break;
    }
    case QAccessible::TextSelectionChanged: {
        auto* selection = static_cast<QAccessibleTextSelectionEvent*>(event);
        *g_told << QStringLiteral("select %1-%2")
                       .arg(selection->selectionStart())
                       .arg(selection->selectionEnd());
        break;
    }
    case QAccessible::TextCaretMoved:
        *g_told << QStringLiteral("caret %1")
                       .arg(static_cast<QAccessibleTextCursorEvent*>(event)->cursorPosition());
        break;
    default:
        break;
    }
}

// Assistive technology listening for the scope's life, its events recorded in `told`.
struct Listening {
    Listening()
    {
        g_told = &told;
        previous = AccessibleTextEvents::setSink(record);
        QAccessible::setActive(true);
    }
    ~Listening()
    {
        QAccessible::setActive(false);
        AccessibleTextEvents::setSink(previous);
        g_told = nullptr;
    }
    // The events told since the last call.
    QStringList take() { return std::exchange(told, {}); }

    QStringList told;
    AccessibleTextEvents::Sink previous = nullptr;
};

class UndoDelegate : public TextViewDelegate {
public:
    UndoManager* undoManagerForTextView(TextView*) override { return &undoManager; }
    UndoManager undoManager;
};

// A text view over a note holding an emoji (two UTF-16 units) and a picture (U+FFFC).
class AccessibleTextViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AccessibleWidgets::install();
        storage = AttributedText::makeDocument();
        QTextCursor cursor(storage.get());
        cursor.insertText(QStringLiteral("Hi \U0001F600 go"));
        AttributedText::insertAttachment(
            cursor, { "png bytes", QStringLiteral("a.png"), { 20, 10 } });
        cursor.insertText(QStringLiteral(" now. Then more.\nNext"));
        window.resize(420, 300);
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        view = new TextView(&window);
        layout->addWidget(view);
        view->setDelegate(&delegate);
        view->setTextStorage(storage.get());
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        accessible = QAccessible::queryAccessibleInterface(view);
        ASSERT_NE(accessible, nullptr);
        text = accessible->textInterface();
        editable = accessible->editableTextInterface();
        ASSERT_NE(text, nullptr);
        ASSERT_NE(editable, nullptr);
    }

    QString stored() const { return AttributedText::string(*storage); }

    UndoDelegate delegate;
    std::unique_ptr<QTextDocument> storage;
    QWidget window;
    TextView* view = nullptr;
    QAccessibleInterface* accessible = nullptr;
    QAccessibleTextInterface* text = nullptr;
    QAccessibleEditableTextInterface* editable = nullptr;
};

} // namespace

TEST_F(AccessibleTextViewTest, IsAnEditableTextWhoseOffsetsAreUtf16Units)
{
    EXPECT_EQ(accessible->role(), QAccessible::EditableText);
    EXPECT_TRUE(accessible->state().editable);
    EXPECT_TRUE(accessible->state().multiLine);
    EXPECT_EQ(text->characterCount(), 30);
    EXPECT_EQ(text->text(0, 30), stored());
    EXPECT_EQ(text->text(3, 5), QStringLiteral("\U0001F600"));
    EXPECT_EQ(text->text(8, 9), QString(QChar::ObjectReplacementCharacter));
    EXPECT_EQ(text->text(24, 27), QStringLiteral(".\nN"));
    // Out of range asks read what there is.
    EXPECT_EQ(text->text(26, 99), QStringLiteral("Next"));
    EXPECT_EQ(text->text(-5, 2), QStringLiteral("Hi"));
}

TEST_F(AccessibleTextViewTest, TextAtAnOffsetKeepsCharactersWordsParagraphsAndLinesWhole)
{
    const QString all = stored();
    const QString firstParagraph = all.left(26);
    const struct {
        int offset;
        QAccessible::TextBoundaryType boundary;
        QString expected;
        int start;
        int end;
    } cases[] = {
        { 0, QAccessible::CharBoundary, QStringLiteral("H"), 0, 1 },
        { 3, QAccessible::CharBoundary, QStringLiteral("\U0001F600"), 3, 5 },
        // Inside the emoji's pair of units: the whole emoji.
        { 4, QAccessible::CharBoundary, QStringLiteral("\U0001F600"), 3, 5 },
        { 8, QAccessible::CharBoundary, QString(QChar::ObjectReplacementCharacter), 8, 9 },
        { 30, QAccessible::CharBoundary, QString(), -1, -1 },
        { 6, QAccessible::WordBoundary, QStringLiteral("go"), 6, 8 },
        { 11, QAccessible::WordBoundary, QStringLiteral("now"), 10, 13 },
        { 28, QAccessible::WordBoundary, QStringLiteral("Next"), 26, 30 },
        { 31, QAccessible::WordBoundary, QString(), -1, -1 },
        { -1, QAccessible::WordBoundary, QString(), -1, -1 },
        { 2, QAccessible::ParagraphBoundary, firstParagraph, 0, 26 },
        { 27, QAccessible::ParagraphBoundary, QStringLiteral("Next"), 26, 30 },
        // The view is wide enough for each paragraph to be one line.
        { 12, QAccessible::LineBoundary, firstParagraph, 0, 26 },
        { 25, QAccessible::LineBoundary, firstParagraph, 0, 26 },
        { 30, QAccessible::LineBoundary, QStringLiteral("Next"), 26, 30 },
        { 31, QAccessible::LineBoundary, QString(), -1, -1 },
        { 5, QAccessible::NoBoundary, all, 0, 30 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(
            QStringLiteral("offset %1 boundary %2").arg(c.offset).arg(c.boundary).toStdString());
        int start = -2;
        int end = -2;
        EXPECT_EQ(text->textAtOffset(c.offset, c.boundary, &start, &end), c.expected);
        EXPECT_EQ(start, c.start);
        EXPECT_EQ(end, c.end);
    }

    int start = -2;
    int end = -2;
    EXPECT_EQ(text->textAfterOffset(3, QAccessible::LineBoundary, &start, &end), u"Next"_qs);
    EXPECT_EQ(std::pair(start, end), std::pair(26, 30));
    EXPECT_EQ(text->textBeforeOffset(28, QAccessible::LineBoundary, &start, &end), firstParagraph);
    EXPECT_EQ(std::pair(start, end), std::pair(0, 26));
    EXPECT_EQ(text->textBeforeOffset(3, QAccessible::LineBoundary, &start, &end), QString());
    EXPECT_EQ(text->textAfterOffset(28, QAccessible::LineBoundary, &start, &end), QString());
}

TEST_F(AccessibleTextViewTest, LinesAreTheWrappedLinesTheViewShows)
{
    const QString paragraph = QStringLiteral("one two three four five six seven eight nine ten "
                                             "eleven twelve thirteen fourteen fifteen");
    QTextCursor cursor(storage.get());
    cursor.select(QTextCursor::Document);
    cursor.insertText(paragraph);
    window.resize(120, 300);
    QCoreApplication::processEvents();

    // Walking line after line reads the paragraph once, in more than one line.
    QString read;
    int lines = 0;
    int start = -1;
    int end = -1;
    QString line = text->textAtOffset(0, QAccessible::LineBoundary, &start, &end);
    while (!line.isEmpty() && lines < 100) {
        EXPECT_EQ(start, int(read.size()));
        read += line;
        ++lines;
        const int previousStart = start;
        line = text->textAfterOffset(start, QAccessible::LineBoundary, &start, &end);
        if (!line.isEmpty()) {
            int backStart = -1;
            int backEnd = -1;
            text->textBeforeOffset(start, QAccessible::LineBoundary, &backStart, &backEnd);
            EXPECT_EQ(backStart, previousStart);
        }
    }
    EXPECT_EQ(read, paragraph);
    EXPECT_GT(lines, 1);
}

TEST_F(AccessibleTextViewTest, CaretAndSelectionReadAndMoveTheViews)
{
    EXPECT_TRUE(view->setSelectedRange({ 6, 2 }));
    EXPECT_EQ(text->selectionCount(), 1);
    int start = -1;
    int end = -1;
    text->selection(0, &start, &end);
    EXPECT_EQ(std::pair(start, end), std::pair(6, 8));
    EXPECT_EQ(text->cursorPosition(), 8);

    text->setSelection(0, 13, 10);
    EXPECT_EQ(view->selectedRange(), (TextRange { 10, 3 }));
    text->removeSelection(0);
    EXPECT_EQ(text->selectionCount(), 0);
    text->setCursorPosition(99);
    EXPECT_EQ(view->selectedRange(), (TextRange { 30, 0 }));
    EXPECT_EQ(text->cursorPosition(), 30);
}

TEST_F(AccessibleTextViewTest, EditsThroughTheInterfaceAreTypingThatUndoes)
{
    editable->insertText(26, QStringLiteral("The "));
    EXPECT_EQ(stored().mid(26), QStringLiteral("The Next"));
    EXPECT_EQ(delegate.undoManager.undoMenuItemTitle(), QStringLiteral("Undo Typing"));
    editable->replaceText(10, 13, QStringLiteral("later"));
    EXPECT_EQ(stored().mid(9, 7), QStringLiteral(" later."));
    editable->deleteText(0, 3);
    EXPECT_TRUE(stored().startsWith(QStringLiteral("\U0001F600 go")));
    // The picture stays a picture where it was not touched.
    EXPECT_EQ(stored().at(5), QChar::ObjectReplacementCharacter);

    delegate.undoManager.undo();
    delegate.undoManager.undo();
    delegate.undoManager.undo();
    EXPECT_EQ(stored(), QStringLiteral("Hi \U0001F600 go\uFFFC now. Then more.\nNext"));

    view->setEditable(false);
    EXPECT_FALSE(accessible->state().editable);
    editable->insertText(0, QStringLiteral("No"));
    EXPECT_TRUE(stored().startsWith(QStringLiteral("Hi")));
}

TEST_F(AccessibleTextViewTest, ChangesAreToldOnlyWhileSomethingListens)
{
    {
        Listening listening;
        view->setFocus();
        QApplication::setActiveWindow(&window);
        view->setSelectedRange({ 30, 0 });
        EXPECT_EQ(listening.take(), QStringList { u"caret 30"_qs });
        QTest::keyClicks(view, QStringLiteral("!?"));
        EXPECT_EQ(listening.take(),
            (QStringList { u"insert 30 !"_qs, u"caret 31"_qs, u"insert 31 ?"_qs, u"caret 32"_qs }));
        QTest::keyClick(view, Qt::Key_Backspace);
        EXPECT_EQ(listening.take(), (QStringList { u"remove 31 ?"_qs, u"caret 31"_qs }));
        QTest::keyClick(view, Qt::Key_Left, Qt::ShiftModifier);
        EXPECT_EQ(listening.take(), (QStringList { u"select 30-31"_qs, u"caret 30"_qs }));
        // Restyling changes no text.
        view->changeCharacterFormats(
            QStringLiteral("Bold"), [](QTextCharFormat& format) { format.setFontWeight(700); });
        EXPECT_EQ(listening.take(), QStringList());
        QTest::keyClicks(view, QStringLiteral("."));
        EXPECT_EQ(listening.take(),
            (QStringList { u"update 30 !>."_qs, u"select 31-31"_qs, u"caret 31"_qs }));
        // Another note shown: its text in place of the last one's.
        auto other = AttributedText::makeDocument();
        QTextCursor(other.get()).insertText(QStringLiteral("Next one."));
        view->setTextStorage(other.get());
        const QStringList told = listening.take();
        ASSERT_FALSE(told.isEmpty());
        // Only what differs is told: both end in a full stop.
        EXPECT_EQ(
            told.first(), u"update 0 Hi \U0001F600 go\uFFFC now. Then more.\nNext>Next one"_qs);
        view->setTextStorage(storage.get());
    }
    g_told = nullptr;
    QTest::keyClicks(view, QStringLiteral("x"));
    QStringList none;
    g_told = &none;
    QTest::keyClicks(view, QStringLiteral("y"));
    EXPECT_TRUE(none.isEmpty());
    g_told = nullptr;
}

namespace {

// Names stand for themselves; "stop" refuses to begin an edit.
class PlainDelegate : public TokenFieldDelegate {
public:
    bool textShouldBeginEditing(TokenField*) override { return allowBegin; }
    bool allowBegin = true;
};

struct TokenFieldFixture {
    TokenFieldFixture()
    {
        AccessibleWidgets::install();
        window.resize(420, 60);
        auto* layout = new QVBoxLayout(&window);
        field = new TokenField(&window);
        layout->addWidget(field);
        field->setDelegate(&delegate);
        field->setObjectValue({ QStringLiteral("work"), QStringLiteral("home") });
        window.show();
        accessible = QAccessible::queryAccessibleInterface(field);
        text = accessible->textInterface();
        editable = accessible->editableTextInterface();
    }

    QWidget window;
    PlainDelegate delegate;
    TokenField* field;
    QAccessibleInterface* accessible;
    QAccessibleTextInterface* text;
    QAccessibleEditableTextInterface* editable;
};

} // namespace

TEST(AccessibleTokenField, ReadsTokensAsANamedListFollowedByTheTypedText)
{
    TokenFieldFixture f;
    ASSERT_NE(f.text, nullptr);
    ASSERT_NE(f.editable, nullptr);
    EXPECT_EQ(f.accessible->role(), QAccessible::EditableText);
    EXPECT_EQ(f.text->text(0, f.text->characterCount()), QStringLiteral("work, home, "));
    EXPECT_EQ(f.text->cursorPosition(), 12);

    f.field->setFocus();
    QTest::keyClicks(f.field, QStringLiteral("ga"));
    EXPECT_EQ(f.text->text(0, 99), QStringLiteral("work, home, ga"));
    EXPECT_EQ(f.text->cursorPosition(), 14);
    int start = -1;
    int end = -1;
    EXPECT_EQ(f.text->textAtOffset(7, QAccessible::WordBoundary, &start, &end), u"home"_qs);

    // A range that touches a token takes all of it.
    const struct {
        int from;
        int to;
        int anchor;
        int caret;
    } ranges[] = { { 1, 2, 0, 1 }, { 6, 6, 1, 1 }, { 5, 7, 0, 2 }, { 12, 13, 2, 3 } };
    for (const auto& r : ranges) {
        SCOPED_TRACE(testing::Message() << r.from << "-" << r.to);
        f.text->setSelection(0, r.from, r.to);
        EXPECT_EQ(f.field->anchorPosition(), r.anchor);
        EXPECT_EQ(f.field->caretPosition(), r.caret);
    }
}

TEST(AccessibleTokenField, EditsRunAsTypingDoes)
{
    TokenFieldFixture f;
    QSignalSpy told(f.field, &TokenField::action);
    f.editable->deleteText(2, 3);
    EXPECT_EQ(f.field->objectValue(), (QVariantList { QStringLiteral("home") }));
    f.editable->insertText(0, QStringLiteral("garden,sea"));
    // Text always follows the tokens; a comma makes a token of what came before.
    EXPECT_EQ(f.field->objectValue(),
        (QVariantList { QStringLiteral("home"), QStringLiteral("garden"), QStringLiteral("sea") }));
    EXPECT_EQ(f.field->editingText(), QStringLiteral("sea"));
    f.editable->replaceText(14, 17, QStringLiteral("lake"));
    EXPECT_EQ(f.field->editingText(), QStringLiteral("lake"));

    f.field->abandonEditing();
    f.delegate.allowBegin = false;
    f.editable->insertText(0, QStringLiteral("refused"));
    EXPECT_EQ(f.field->editingText(), QString());
}

TEST(AccessibleTokenField, TellsWhatTypingChanged)
{
    TokenFieldFixture f;
    Listening listening;
    f.field->setFocus();
    QTest::keyClicks(f.field, QStringLiteral("ab"));
    EXPECT_EQ(listening.take(),
        (QStringList { u"insert 12 a"_qs, u"caret 13"_qs, u"insert 13 b"_qs, u"caret 14"_qs }));
    QTest::keyClick(f.field, Qt::Key_Home);
    QTest::keyClick(f.field, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(listening.take(), (QStringList { u"caret 0"_qs, u"select 0-6"_qs, u"caret 6"_qs }));
    QTest::keyClick(f.field, Qt::Key_Delete);
    EXPECT_EQ(
        listening.take(), (QStringList { u"remove 0 work, "_qs, u"select 0-0"_qs, u"caret 0"_qs }));
}

TEST(AccessibleStepper, IsASpinBoxWhoseValueSetThroughItIsTheUsersStep)
{
    AccessibleWidgets::install();
    Stepper stepper;
    stepper.setMinimum(6);
    stepper.setMaximum(144);
    stepper.setValue(12);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&stepper);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::SpinBox);
    QAccessibleValueInterface* value = accessible->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->currentValue().toDouble(), 12);
    EXPECT_EQ(value->maximumValue().toDouble(), 144);
    QSignalSpy stepped(&stepper, &Stepper::stepped);
    value->setCurrentValue(200);
    EXPECT_EQ(stepper.value(), 144);
    ASSERT_EQ(stepped.count(), 1);
    value->setCurrentValue(144);
    EXPECT_EQ(stepped.count(), 1);
    for (int child = 0; child < accessible->childCount(); ++child)
        EXPECT_FALSE(accessible->child(child)->text(QAccessible::Name).isEmpty());
}

TEST(AccessibleWidgets, APlainTopLevelWidgetIsAWindowNamedByItsTitle)
{
    AccessibleWidgets::install();
    QWidget window;
    window.setWindowTitle(QStringLiteral("Recent Documents"));
    auto* inside = new QWidget(&window);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&window);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::Window);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Recent Documents"));
    EXPECT_NE(QAccessible::queryAccessibleInterface(inside)->role(), QAccessible::Window);
}

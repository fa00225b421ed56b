#include "MainWindowFixture.h"

#include "mainwindow/search/BXMainWindowSearch.h"
#include "mainwindow/search/BXSearchField.h"

#include "lists/sidebar/BXCategoriesArrayController.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "ui/BXGlobalConstants.h"
#include "ui/BXMessagePopoverController.h"

#include "platform/appkit/PopupWidget.h"
#include "platform/foundation/Log.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <utility>

using platform::TextRange;

namespace {

class BXMainWindowSearchTest : public MainWindowFixture {
protected:
    BXMainWindowSearch* search() const { return controller->search(); }
    BXSearchField* field() const { return search()->searchField(); }

    // What the user sees: the field's text typed anew, the list filtered.
    void type(const QString& text)
    {
        field()->clear();
        QTest::keyClicks(field(), text);
        settle();
    }

    QStringList listed() const
    {
        QStringList titles;
        for (const platform::ManagedObjectPtr& object :
            controller->notesController()->arrangedObjects())
            titles << std::static_pointer_cast<BXNote>(object)->noteTitle();
        return titles;
    }

    static QString popoverText()
    {
        const BXMessagePopoverController* shared = BXGlobalConstants::messagePopoverController();
        return shared && shared->popover() && shared->popover()->isVisible()
            ? shared->messageView()->text()
            : QString();
    }

    void show(const QString& title, TextRange selection)
    {
        select({ noteTitled(title) });
        ASSERT_EQ(textView->textStorage(), noteTitled(title)->textStorage());
        ASSERT_TRUE(textView->setSelectedRange(selection));
    }

    void findAgain(bool backward) { search()->continueSearch(backward ? 0 : 1); }
};

TEST_F(BXMainWindowSearchTest, TheFieldFiltersByWordsAndByAnExpressionOnAThirdLine)
{
    makeFile({ QStringLiteral("Groceries\nMilk\neggs"),
        QStringLiteral("Trip\nPacking list\nbudget   review 2024"), QStringLiteral("Ideas") });
    openWindow();

    type(QStringLiteral("MILK"));
    EXPECT_EQ(listed(), QStringList { QStringLiteral("Groceries") });
    type(QStringLiteral("budget\\s+re.iew"));
    EXPECT_TRUE(listed().isEmpty()) << "words mode takes the text literally";

    QAction* expression = field()->itemWithTag(BXSearchField::kRegularExpressionTag);
    expression->trigger();
    settle();
    EXPECT_EQ(search()->searchMode(), BXMainWindowSearch::kRegularExpressionMode);
    EXPECT_EQ(field()->hint(), expression->text());
    EXPECT_TRUE(expression->isChecked());
    EXPECT_FALSE(field()->itemWithTag(BXSearchField::kWordsTag)->isChecked());
    EXPECT_EQ(listed(), QStringList { QStringLiteral("Trip") });

    // The mode already set changes nothing, not even the filter.
    const platform::PredicateRef filter = controller->notesController()->filterPredicate();
    search()->changeSearchMode(BXMainWindowSearch::kRegularExpressionMode);
    EXPECT_EQ(controller->notesController()->filterPredicate(), filter);
    // The text stays as typed.
    type(QStringLiteral("--"));
    EXPECT_EQ(field()->text(), QStringLiteral("--"));
}

TEST_F(BXMainWindowSearchTest, BadOrTooSlowExpressionsAreExplainedAndTheListKeepsItsFilter)
{
    makeFile({ QStringLiteral("Trip\nbudget review"), QStringLiteral("Budget plan"),
        QStringLiteral("Slow\n") + QString(40, QLatin1Char('a')), QStringLiteral("Ideas") });
    openWindow();
    search()->changeSearchMode(BXMainWindowSearch::kRegularExpressionMode);
    type(QStringLiteral("budget"));
    const QStringList budgets = listed();
    ASSERT_EQ(budgets.size(), 2);

    const struct {
        QString pattern;
        QString message;
    } cases[] = {
        { QStringLiteral("budget ("),
            QStringLiteral("Regex search error: The value \u201Cbudget (\u201D is invalid.\n"
                           "Example: \u201Cbudget \u201D") },
        { QStringLiteral("(a|aa)*b"),
            QStringLiteral("Regex search error: The regular expression \"(a|aa)*b\" took too "
                           "long to match.\nExample: \u201Ca|aa|b\u201D") },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern.toStdString());
        const int beeps = input.beepCount();
        search()->setSearchString(c.pattern);
        EXPECT_FALSE(search()->filterNotes(c.pattern, true));
        EXPECT_EQ(input.beepCount(), beeps + 1);
        EXPECT_EQ(listed(), budgets);
        EXPECT_EQ(popoverText(), c.message);
    }

    // Fixed: the list follows and the message goes.
    type(QStringLiteral("plan"));
    EXPECT_EQ(listed(), QStringList { QStringLiteral("Budget plan") });
    EXPECT_TRUE(popoverText().isEmpty());
}

TEST_F(BXMainWindowSearchTest, TheScopeChosenDuringASearchComesBackAndAnEmptySearchGoesToZero)
{
    makeFile({ QStringLiteral("Alpha"), QStringLiteral("Beta") });
    openWindow();
    QSignalSpy scopes(search(), &BXMainWindowSearch::searchScopeChanged);
    type(QStringLiteral("al"));
    search()->setSearchScope(1);
    EXPECT_EQ(search()->storedSearchScope(), 1u);

    type(QString());
    EXPECT_EQ(search()->searchScope(), 0u);
    EXPECT_EQ(controller->categoriesController()->searchScope(), 0u);
    EXPECT_EQ(search()->storedSearchScope(), 1u);
    EXPECT_EQ(listed().size(), 2);

    type(QStringLiteral("be"));
    EXPECT_EQ(search()->searchScope(), 1u);
    EXPECT_EQ(listed(), QStringList { QStringLiteral("Beta") });
    EXPECT_EQ(scopes.size(), 3);

    controller->resetSearchIgnoringString(false);
    EXPECT_TRUE(field()->text().isEmpty());
    EXPECT_EQ(search()->searchScope(), 0u);
    EXPECT_EQ(search()->storedSearchScope(), 0u);
    EXPECT_EQ(listed().size(), 2);
}

TEST_F(BXMainWindowSearchTest, TextTypedWhileAFilterRunsEndsUpAsTheFilter)
{
    makeFile({ QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma") });
    openWindow();
    // A key that arrives while the list is being filtered.
    bool typedDuring = false;
    QObject::connect(controller->notesController(),
        &platform::ArrayController::filterPredicateChanged, search(), [&] {
            if (!std::exchange(typedDuring, true))
                field()->setText(QStringLiteral("gam"));
        });
    QTest::keyClicks(field(), QStringLiteral("a"));
    settle();
    EXPECT_TRUE(typedDuring);
    EXPECT_EQ(listed(), QStringList { QStringLiteral("Gamma") });
    EXPECT_FALSE(search()->searchInProgress());
}

// The matchers themselves are tested on their own; here the mode picks one of them.
TEST(BXMainWindowSearch, OneSearchInOneTextByWordsOrByExpression)
{
    const struct {
        QString pattern;
        int mode;
        TextRange range;
        bool backward;
        std::optional<TextRange> expected;
    } cases[] = {
        { u"dog cat"_qs, 1, { 0, 19 }, true, TextRange { 16, 3 } },
        { u"d.g|c.t"_qs, 1, { 0, 19 }, false, std::nullopt },
        { u"D.G|C.T"_qs, 2, { 0, 19 }, true, TextRange { 16, 3 } },
        { u"^cat"_qs, 2, { 4, 3 }, false, std::nullopt },
        { u"cat"_qs, 1, { 0, -1 }, false, std::nullopt },
        { QString(), 2, { 0, 19 }, false, std::nullopt },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern.toStdString());
        EXPECT_EQ(BXMainWindowSearch::findString(
                      c.pattern, u"the cat and the dog"_qs, c.mode, c.range, c.backward),
            c.expected);
    }
    platform::LogCapture log;
    platform::Error error;
    EXPECT_EQ(
        BXMainWindowSearch::findString(u"("_qs, u"("_qs, 2, { 0, 1 }, false, &error), std::nullopt);
    EXPECT_FALSE(error.isNull());
    EXPECT_TRUE(log.contains(QStringLiteral("Regex error: ")));
}

TEST_F(BXMainWindowSearchTest, FindNextAndPreviousStartAtTheSelectionsEdgesAndWrapInTheNote)
{
    makeFile({ QStringLiteral("abab"), QStringLiteral("zzz") });
    openWindow();
    search()->setSearchString(QStringLiteral("ab"));
    QSignalSpy turns(search(), &BXMainWindowSearch::turnedAround);
    const struct {
        const char* why;
        TextRange selection;
        bool backward;
        TextRange expected;
        bool turned;
    } cases[] = {
        { "next after the first", { 0, 2 }, false, { 2, 2 }, false },
        { "next after the last wraps", { 2, 2 }, false, { 0, 2 }, true },
        { "previous before the last", { 2, 2 }, true, { 0, 2 }, false },
        { "previous before the first wraps", { 0, 2 }, true, { 2, 2 }, true },
        { "previous from the caret at 0 wraps", { 0, 0 }, true, { 2, 2 }, true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        show(QStringLiteral("abab"), c.selection);
        turns.clear();
        const int beeps = input.beepCount();
        findAgain(c.backward);
        settle();
        EXPECT_EQ(textView->selectedRange(), c.expected);
        EXPECT_EQ(turns.size(), c.turned ? 1 : 0);
        if (c.turned) {
            EXPECT_EQ(turns.first(), (QVariantList { c.backward, true }));
        }
        EXPECT_EQ(input.beepCount(), beeps);
    }

    // Without going on or wrapping, the end of the note beeps.
    search()->setSearchStyle(0);
    show(QStringLiteral("abab"), { 2, 2 });
    const int beeps = input.beepCount();
    EXPECT_FALSE(search()->findStringInNotes(u"ab"_qs, false, false, false, false, false));
    EXPECT_EQ(input.beepCount(), beeps + 1);
    EXPECT_FALSE(search()->findStringInNotes(u"ab"_qs, false, false, false, false, true));
    EXPECT_EQ(input.beepCount(), beeps + 1) << "quiet";
    EXPECT_EQ(textView->selectedRange(), (TextRange { 2, 2 }));
}

TEST_F(BXMainWindowSearchTest, FindWalksPastTheEndIntoTheFirstNoteAndSelectsTheMatchThere)
{
    makeFile({ QStringLiteral("First note\nneedle here"), QStringLiteral("Second note") });
    openWindow();
    search()->setSearchString(QStringLiteral("needle"));
    show(QStringLiteral("Second note"), { 0, 0 });
    ASSERT_EQ(controller->notesController()->selectionIndex(), 1);
    QSignalSpy turns(search(), &BXMainWindowSearch::turnedAround);

    findAgain(false);
    EXPECT_EQ(search()->storedMatchedRange(), (TextRange { 11, 6 }));
    ASSERT_EQ(turns.size(), 1);
    EXPECT_EQ(turns.first(), (QVariantList { false, false }));
    settle();
    EXPECT_EQ(controller->selectedNote(), noteTitled(QStringLiteral("First note")));
    EXPECT_EQ(textView->textStorage(), noteTitled(QStringLiteral("First note"))->textStorage());
    EXPECT_EQ(textView->selectedRange(), (TextRange { 11, 6 }));
    EXPECT_EQ(search()->storedMatchedRange(), std::nullopt);

    // Showing a note during a search selects its first match.
    select({ noteTitled(QStringLiteral("Second note")) });
    search()->setSearchString(QStringLiteral("note"));
    select({ noteTitled(QStringLiteral("First note")) });
    EXPECT_EQ(textView->selectedRange(), (TextRange { 6, 4 }));
}

TEST_F(BXMainWindowSearchTest, InvalidAndTimedOutExpressionsEndTheFindWithTheMessage)
{
    makeFile({ QStringLiteral("Alpha"), QStringLiteral("Slow\n") + QString(40, QLatin1Char('a')),
        QStringLiteral("Zeta b") });
    openWindow();
    search()->setSearchMode(BXMainWindowSearch::kRegularExpressionMode);
    for (const QString& pattern : { QStringLiteral("("), QStringLiteral("(a|aa)*b") }) {
        SCOPED_TRACE(pattern.toStdString());
        show(QStringLiteral("Alpha"), { 0, 0 });
        search()->setSearchString(pattern);
        platform::LogCapture log;
        const int beeps = input.beepCount();
        findAgain(false);
        settle();
        EXPECT_EQ(input.beepCount(), beeps + 1);
        EXPECT_TRUE(popoverText().startsWith(QStringLiteral("Regex search error: ")));
        EXPECT_TRUE(log.contains(QStringLiteral("Regex error: ")));
        // The walk stopped at the slow note: the note after it, which matches, is not reached.
        EXPECT_EQ(controller->selectedNote(), noteTitled(QStringLiteral("Alpha")));
    }
    EXPECT_TRUE(popoverText().contains(QStringLiteral("took too long")));
}

TEST_F(BXMainWindowSearchTest, TheStoredSearchComesBackIntoTheFieldAndFiltersTheList)
{
    makeFile({ QStringLiteral("Apples"), QStringLiteral("Pears") });
    openWindow();
    search()->changeSearchMode(BXMainWindowSearch::kRegularExpressionMode);
    type(QStringLiteral("P.ars"));
    closeWindow();

    openWindow();
    EXPECT_TRUE(controller->preferencesInited());
    EXPECT_EQ(search()->searchMode(), BXMainWindowSearch::kRegularExpressionMode);
    EXPECT_EQ(search()->searchStyle(), 3u);
    EXPECT_EQ(field()->text(), QStringLiteral("P.ars"));
    EXPECT_TRUE(field()->itemWithTag(BXSearchField::kRegularExpressionTag)->isChecked());
    EXPECT_EQ(field()->hint(), field()->itemWithTag(BXSearchField::kRegularExpressionTag)->text());
    EXPECT_EQ(listed(), QStringList { QStringLiteral("Pears") });
}

TEST_F(BXMainWindowSearchTest, TextsAreReadOnlyOnceASearchNeedsThemAndNotKept)
{
    // More notes than one batch of texts read holds; the word sits in several batches.
    QStringList texts;
    for (int i = 0; i < 1001; ++i)
        texts << QStringLiteral("Note %1\n%2").arg(i).arg(
            i % 500 == 0 ? QStringLiteral("a QUOKKA here") : QStringLiteral("nothing"));
    makeFile(texts);
    openWindow();
    const auto textsRead = [this] {
        return std::count_if(controller->notesController()->content().begin(),
            controller->notesController()->content().end(),
            [](const platform::ManagedObjectPtr& note) {
                return note->isValueLoaded(BXNote::NoteTextKey);
            });
    };
    // The toolbar's checks have run: only the note shown has its text in memory.
    EXPECT_LE(textsRead(), 1);
    type(QStringLiteral("quokka"));
    QStringList found = listed();
    found.sort();
    EXPECT_EQ(found, QStringList({ u"Note 0"_qs, u"Note 1000"_qs, u"Note 500"_qs }));
    // The search keeps what it folded of them, not the texts: only the note shown has its text.
    EXPECT_LE(textsRead(), 1);
    type(QStringLiteral(" here"));
    EXPECT_EQ(listed().size(), 3);
    EXPECT_LE(textsRead(), 1);
}

} // namespace

TEST_F(BXMainWindowSearchTest, AnExpressionTheListRefusedIsReportedOnceAsItIsTyped)
{
    makeFile({ QStringLiteral("Alpha"), QStringLiteral("Beta") });
    openWindow();
    search()->setSearchMode(BXMainWindowSearch::kRegularExpressionMode);
    field()->setFocus();
    platform::LogCapture log;
    for (const QString& typed : { QStringLiteral("a{"), QStringLiteral("x**") }) {
        SCOPED_TRACE(typed.toStdString());
        field()->clear();
        settle();
        const int beeps = input.beepCount();
        for (const QChar c : typed) {
            QTest::keyClicks(field(), QString(c));
            settle();
        }
        EXPECT_EQ(input.beepCount(), beeps + 1);
        EXPECT_TRUE(popoverText().startsWith(QStringLiteral("Regex search error: ")));
    }
    EXPECT_FALSE(log.contains(QStringLiteral("Regex error")));
}

#include "SidebarFixture.h"

#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/sidebar/BXCategoriesOutlineModel.h"
#include "lists/sidebar/BXOutlineView.h"
#include "lists/tags/BXAddCategoryPopover.h"
#include "lists/tags/BXAddCategoryPopoverViewController.h"
#include "lists/tags/BXAddCategoryPopoverViewControllerDelegate.h"
#include "lists/tags/BXCategoryToken.h"
#include "lists/tags/BXTagsController.h"
#include "lists/tags/BXTagsControllerDelegate.h"

#include "document/model/BXCategory.h"
#include "document/model/BXNote.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/TokenField.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/Log.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

using namespace platform;

namespace {

class Registrar final : public BXTagsControllerDelegate {
public:
    void objectDidBeginEditing(Editor* editor) override { open.append(editor); }
    void objectDidEndEditing(Editor* editor) override { open.removeAll(editor); }
    QList<Editor*> open;
};

// Stands between the field and the tag editor and refuses to end the edit.
class RefusingDelegate final : public TokenFieldDelegate {
public:
    explicit RefusingDelegate(BXTagsController& tags) : m_tags(tags) { }
    bool textShouldBeginEditing(TokenField* field) override
    {
        return m_tags.textShouldBeginEditing(field);
    }
    bool textShouldEndEditing(TokenField*) override { return false; }

private:
    BXTagsController& m_tags;
};

} // namespace

// A tag editor on a window's field, over the sidebar and notes list of a real store.
class TagsControllerTest : public SidebarFixture {
protected:
    void SetUp() override
    {
        SidebarFixture::SetUp();
        outline = std::make_unique<BXOutlineView>();
        controller->setOutlineView(outline.get());
        notes = std::make_unique<BXNotesArrayController>();
        notes->setManagedObjectContext(context.get());
        controller->setNotesList(notes.get());
        work = makeCategory(QStringLiteral("Work"), 1);
        home = makeCategory(QStringLiteral("Home"), 2);
        first = makeNote(QStringLiteral("First"), { work });
        second = makeNote(QStringLiteral("Second"), { home });
        context->processPendingChanges();
        turn();
        undo.removeAllActions();
        select(allNotes());

        window.resize(480, 90);
        auto* layout = new QVBoxLayout(&window);
        field = new TokenField(&window);
        other = new QLineEdit(&window);
        layout->addWidget(field);
        layout->addWidget(other);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QApplication::setActiveWindow(&window);

        tags = std::make_unique<BXTagsController>();
        tags->setTokenField(field);
        tags->setDelegate(&registrar);
        tags->setCategoriesController(controller.get());
        tags->setNotesController(notes.get());
        tags->awakeFromNib();
        tags->refreshContents();
    }
    void TearDown() override
    {
        tags.reset();
        if (controller)
            controller->setOutlineView(nullptr);
        outline.reset();
        SidebarFixture::TearDown();
        notes.reset();
    }

    void select(const ManagedObjectPtr& category)
    {
        outline->selectionModel()->select(controller->outlineModel()->indexForObject(category),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        turn();
    }
    // A category made after the set-up; the sidebar rearranges, so All Notes is chosen again.
    ManagedObjectPtr addCategory(const QString& name, qint64 position)
    {
        ManagedObjectPtr made = makeCategory(name, position);
        select(allNotes());
        return made;
    }
    void selectNotes(const QList<ManagedObjectPtr>& selected)
    {
        ASSERT_TRUE(notes->setSelectedObjects(selected));
        settle(0);
    }
    void settle(double seconds = 0.15)
    {
        QCoreApplication::processEvents();
        scheduler.advance(seconds);
        QCoreApplication::processEvents();
        scheduler.runUntilIdle();
        QCoreApplication::processEvents();
    }
    void type(const QString& text)
    {
        field->setFocus();
        QTest::keyClicks(field, text);
    }
    // Ends the edit as a click elsewhere does, then closes the undo group.
    void endEdit()
    {
        other->setFocus();
        settle(0);
    }
    // Field entries: token names, and plain strings in quotes.
    QStringList shown() const
    {
        QStringList names;
        for (const QVariant& entry : field->objectValue()) {
            const std::optional<BXCategoryToken> token = BXCategoryToken::fromVariant(entry);
            names.append(token ? token->categoryName() : QLatin1Char('"') + entry.toString() + '"');
        }
        return names;
    }
    BXAddCategoryPopoverViewController* question() const
    {
        return tags->addCategoryPopoverViewController();
    }
    void answer(bool ok)
    {
        ASSERT_TRUE(question() && question()->popoverVisible());
        QTest::mouseClick(ok ? question()->okButton() : question()->cancelButton(), Qt::LeftButton);
        settle(0);
    }

    std::unique_ptr<BXOutlineView> outline;
    std::unique_ptr<BXNotesArrayController> notes;
    QWidget window;
    TokenField* field = nullptr;
    QLineEdit* other = nullptr;
    Registrar registrar;
    std::unique_ptr<BXTagsController> tags;
    ManagedObjectPtr work, home, first, second;
};

TEST_F(TagsControllerTest, SelectedNotesShowTheUnionAndAnEditGivesEveryNoteTheWholeList)
{
    addCategory(QStringLiteral("Ideas"), 3);
    selectNotes({});
    EXPECT_TRUE(shown().isEmpty());
    selectNotes({ first, second });
    EXPECT_EQ(shown(), QStringList({ "Work", "Home" }));

    type(QStringLiteral("ideas"));
    EXPECT_EQ(registrar.open, QList<Editor*> { tags.get() });
    endEdit();
    EXPECT_TRUE(registrar.open.isEmpty());
    const QStringList all { "Home", "Ideas", "Work" };
    EXPECT_EQ(tagsOf(first), all);
    EXPECT_EQ(tagsOf(second), all);
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Set Tags"));

    undo.undo();
    settle(0);
    EXPECT_EQ(tagsOf(first), QStringList { "Work" });
    EXPECT_EQ(tagsOf(second), QStringList { "Home" });
    EXPECT_EQ(shown(), QStringList({ "Work", "Home" }));
    undo.redo();
    settle(0);
    EXPECT_EQ(tagsOf(second), all);
}

TEST_F(TagsControllerTest, TypedNamesMatchIgnoringCaseAndAccentsWithWildcards)
{
    addCategory(QStringLiteral("Éclair"), 3);
    const struct {
        const char* typed;
        const char* found;
    } cases[] = { { "work", "Work" }, { "ECLAIR", "Éclair" }, { "h*", "Home" }, { "?ork", "Work" },
        { "e*", "Éclair" }, { "nothing", "" } };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.typed);
        const std::optional<BXCategoryToken> token = tags->tokenForString(entry.typed);
        EXPECT_EQ(token ? token->categoryName() : QString(), QString::fromUtf8(entry.found));
    }
}

TEST_F(TagsControllerTest, TypingAShownTagSelectsItInsteadOfAddingIt)
{
    selectNotes({ first });
    type(QStringLiteral("Home,work,"));
    EXPECT_EQ(shown(), QStringList({ "Work", "Home", "\"work\"" }));
    settle(BXTagsController::kDeferredDelay);
    EXPECT_EQ(field->selectedTokens(), qMakePair(0, 1));
    endEdit();
    EXPECT_EQ(tagsOf(first), QStringList({ "Home", "Work" }));
    EXPECT_EQ(shown(), QStringList({ "Work", "Home" }));
}

TEST_F(TagsControllerTest, UnknownNamesAreAskedAboutInTypedOrderEachAnswerItsOwnStep)
{
    selectNotes({ first });
    type(QStringLiteral("Urgent,Later"));
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(tags->addCategoryCount(), 2u);
    settle(BXTagsController::kDeferredDelay);
    ASSERT_TRUE(question());
    EXPECT_TRUE(question()->popoverVisible());
    EXPECT_EQ(
        question()->messageTextField()->text(), QStringLiteral("Create new “Urgent” category?"));
    question()->popover()->grab().save(
        QCoreApplication::applicationDirPath() + QStringLiteral("/tags-add-category-popover.png"));
    // Nothing is applied while a question is pending.
    EXPECT_EQ(tagsOf(first), QStringList { "Work" });

    answer(true);
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Add Category"));
    ASSERT_TRUE(question());
    EXPECT_EQ(
        question()->messageTextField()->text(), QStringLiteral("Create new “Later” category?"));
    answer(false);
    EXPECT_FALSE(question());
    EXPECT_EQ(shown(), QStringList({ "Work", "Urgent" }));
    EXPECT_TRUE(field->hasFocus());

    endEdit();
    EXPECT_EQ(tagsOf(first), QStringList({ "Urgent", "Work" }));
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Set Tags"));
    undo.undo();
    settle(0);
    EXPECT_EQ(tagsOf(first), QStringList { "Work" });
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Add Category"));
    undo.undo();
    settle(0);
    EXPECT_FALSE(tags->tokenForString(QStringLiteral("Urgent")));
    undo.redo();
    undo.redo();
    settle(0);
    EXPECT_EQ(tagsOf(first), QStringList({ "Urgent", "Work" }));
    EXPECT_FALSE(tags->tokenForString(QStringLiteral("Later")));
}

TEST_F(TagsControllerTest, AnEditThatChangesNothingRegistersNothing)
{
    selectNotes({ first });
    type(QStringLiteral("x"));
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClick(field, Qt::Key_Return);
    endEdit();
    EXPECT_FALSE(undo.canUndo());
    EXPECT_FALSE(tags->editingBegun());

    // A tag the note has typed again is no step either.
    type(QStringLiteral("Work"));
    QTest::keyClick(field, Qt::Key_Return);
    endEdit();
    EXPECT_EQ(tagsOf(first), QStringList { "Work" });
    EXPECT_EQ(shown(), QStringList { "Work" });
    EXPECT_FALSE(undo.canUndo());
}

TEST_F(TagsControllerTest, PastedLinesEndingInLineFeedsOrCarriageReturnsAddTheirTags)
{
    addCategory(QStringLiteral("Ideas"), 3);
    selectNotes({ second });
    for (const char* text : { "Work\nNothing\nIdeas", "Work\r\nNothing\r\nIdeas" }) {
        SCOPED_TRACE(QByteArray(text).toPercentEncoding().constData());
        tags->refreshContents();
        QApplication::clipboard()->setText(QString::fromLatin1(text));
        field->setFocus();
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(shown(), QStringList({ "Home", "Work", "Ideas" }));
    }
    endEdit();
    EXPECT_EQ(tagsOf(second), QStringList({ "Home", "Ideas", "Work" }));
}

TEST_F(TagsControllerTest, ARenameInTheSidebarShowsInTheFieldAlsoDuringAnEdit)
{
    selectNotes({ first, second });
    type(QStringLiteral("Ho"));
    work->setValue(QStringLiteral("Job"), BXCategory::CategoryNameKey);
    settle(0);
    EXPECT_EQ(shown(), QStringList({ "Job", "Home", "\"Ho\"" }));
    EXPECT_TRUE(field->isEditing());
}

TEST_F(TagsControllerTest, RemoveTagFromTheTokenMenuKeepsTheOtherTags)
{
    selectNotes({ first });
    type(QStringLiteral("home"));
    endEdit();
    ASSERT_EQ(tagsOf(first), QStringList({ "Home", "Work" }));
    QMenu* menu = tags->menuForRepresentedObject(
        field, BXCategoryToken::tokenWithCategory(work)->toVariant());
    ASSERT_EQ(menu->actions().size(), 3);
    EXPECT_TRUE(menu->actions().at(0)->isVisible());
    QAction* remove = menu->actions().at(2);
    EXPECT_EQ(remove->text(), QStringLiteral("Remove Tag"));
    EXPECT_TRUE(CommandRouter::shared().sendAction(remove));
    settle(0);
    EXPECT_EQ(tagsOf(first), QStringList { "Home" });
    EXPECT_EQ(shown(), QStringList { "Home" });
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Set Tags"));
    undo.undo();
    settle(0);
    EXPECT_EQ(tagsOf(first), QStringList({ "Home", "Work" }));
}

namespace {

// The document's end of the responder chain: notes what a note's tags were when "Select Tag"
// reached it.
class SelectTagTaker final : public Responder {
public:
    explicit SelectTagTaker(std::function<void()> taken) : m_taken(std::move(taken)) { }
    bool respondsTo(const QString& action) const override
    {
        return action == QLatin1String("selectTag:");
    }
    void perform(const Command&) override { m_taken(); }

private:
    std::function<void()> m_taken;
};

} // namespace

// A token not yet applied leaves the field alone; an item for the document applies the open
// edit before the document acts on it.
TEST_F(TagsControllerTest, TheTokenMenuDuringAnEditRemovesFromTheFieldAndAppliesBeforeTheDocument)
{
    selectNotes({ first });
    type(QStringLiteral("home,"));
    const QVariant homeToken = BXCategoryToken::tokenWithCategory(home)->toVariant();
    tags->menuForRepresentedObject(field, homeToken)->actions().at(2)->trigger();
    settle(0);
    EXPECT_EQ(shown(), QStringList { "Work" });
    EXPECT_TRUE(tags->editingBegun());
    EXPECT_EQ(tagsOf(first), QStringList { "Work" });
    EXPECT_FALSE(undo.canUndo());

    type(QStringLiteral("home,"));
    QStringList tagsWhenSelected;
    SelectTagTaker document([&] { tagsWhenSelected = tagsOf(first); });
    Responder* application = CommandRouter::shared().applicationResponder();
    CommandRouter::shared().setApplicationResponder(&document);
    const QVariant workToken = BXCategoryToken::tokenWithCategory(work)->toVariant();
    tags->menuForRepresentedObject(field, workToken)->actions().at(0)->trigger();
    CommandRouter::shared().setApplicationResponder(application);
    EXPECT_EQ(tagsWhenSelected, QStringList({ "Home", "Work" }));
    EXPECT_FALSE(tags->editingBegun());
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Set Tags"));
}

TEST_F(TagsControllerTest, CompletionsBeginWithThePrefixInEitherCaseOrAccentLeavingShownOnesOut)
{
    addCategory(QStringLiteral("épices"), 3);
    addCategory(QStringLiteral("Eau"), 4);
    addCategory(QStringLiteral("Zoo"), 5);
    selectNotes({ first });
    QStringList expected;
    for (const ManagedObjectPtr& category : controller->plainCategories()) {
        const QString name = static_cast<BXCategory*>(category.get())->categoryName();
        if (name != QLatin1String("Work") && name != QLatin1String("Zoo")
            && name != QLatin1String("Home"))
            expected.append(name);
    }
    EXPECT_EQ(tags->completions(field, QStringLiteral("E"), 1), expected);
    EXPECT_EQ(tags->completions(field, QStringLiteral("w"), 1), QStringList());
}

// A note window's tag editor can outlive the main window's sidebar while windows close.
TEST_F(TagsControllerTest, TheEditorForgetsTheCategoriesOnceTheSidebarIsGone)
{
    selectNotes({ first });
    EXPECT_EQ(tags->categoriesController(), controller.get());
    controller->setOutlineView(nullptr);
    controller.reset();

    EXPECT_EQ(tags->categoriesController(), nullptr);
    EXPECT_EQ(tags->tagsManagedObjectContext(), nullptr);
    EXPECT_FALSE(tags->tokenForString(QStringLiteral("Work")));
    EXPECT_EQ(tags->completions(field, QStringLiteral("W"), 0), QStringList());
    type(QStringLiteral("Home"));
    endEdit();
    EXPECT_EQ(tagsOf(first), QStringList { "Work" })
        << "an edit with no categories applies nothing";
}

TEST_F(TagsControllerTest, ADecodedTokenFindsItsCategoryByURIAndADeletedOneHasNone)
{
    ManagedObjectPtr gone = addCategory(QStringLiteral("Gone"), 3);
    Error error;
    ASSERT_TRUE(context->save(&error));
    const QByteArray archive = BXCategoryToken::archivedTokens(
        { *BXCategoryToken::tokenWithCategory(work), *BXCategoryToken::tokenWithCategory(gone) });
    const std::optional<QList<BXCategoryToken>> decoded
        = BXCategoryToken::tokensFromArchive(archive);
    ASSERT_TRUE(decoded && decoded->size() == 2);
    EXPECT_FALSE(decoded->first().category());
    EXPECT_EQ(tags->categoryFromToken(decoded->first()), work);
    EXPECT_TRUE(tags->menuForRepresentedObject(field, decoded->first().toVariant())
                    ->actions()
                    .first()
                    ->isVisible());

    context->deleteObject(gone);
    ASSERT_TRUE(context->save(&error));
    LogCapture log;
    EXPECT_FALSE(tags->categoryFromToken(decoded->at(1)));
    EXPECT_TRUE(log.contains(QStringLiteral("ID error:")));
    for (QAction* item :
        tags->menuForRepresentedObject(field, decoded->at(1).toVariant())->actions())
        EXPECT_FALSE(item->isVisible());

    // Neither damaged data nor a token of another store brings anything.
    EXPECT_FALSE(BXCategoryToken::tokensFromArchive(archive.left(archive.size() - 3)));
    const BXCategoryToken foreign(QStringLiteral("Work"),
        QUrl(QStringLiteral("x-coredata://00000000-0000-0000-0000-000000000000/Category/p1")));
    EXPECT_FALSE(tags->categoryFromToken(foreign));
}

TEST_F(TagsControllerTest, ATokenMadeBeforeTheFirstSaveEqualsOneMadeAfter)
{
    ManagedObjectPtr fresh = addCategory(QStringLiteral("Fresh"), 3);
    const BXCategoryToken before = *BXCategoryToken::tokenWithCategory(fresh);
    const QUrl temporary = before.categoryURIRepresentation();
    Error error;
    ASSERT_TRUE(context->save(&error));
    const BXCategoryToken after = *BXCategoryToken::tokenWithCategory(fresh);
    EXPECT_NE(temporary, after.categoryURIRepresentation());
    EXPECT_TRUE(before == after);
    EXPECT_EQ(QVariantList { before.toVariant() }, QVariantList { after.toVariant() });
}

TEST_F(TagsControllerTest, ACommitThatFailsIsReportedOnceWithItsError)
{
    selectNotes({ first });
    RefusingDelegate refusing(*tags);
    field->setDelegate(&refusing);
    type(QStringLiteral("x"));
    EXPECT_FALSE(tags->commitEditing());
    Error error;
    EXPECT_FALSE(tags->commitEditingAndReturnError(&error));
    EXPECT_EQ(error.domain(), kOSStatusErrorDomain);
    EXPECT_EQ(error.code(), 1);
    EXPECT_EQ(error.localizedFailureReason(), QStringLiteral("Couldn't commit the tag change"));
    QList<bool> answers;
    tags->commitEditingWithCompletion([&](bool didCommit) { answers.append(didCommit); });
    EXPECT_EQ(answers, QList<bool> { false });

    field->setDelegate(tags.get());
    answers.clear();
    tags->commitEditingWithCompletion([&](bool didCommit) { answers.append(didCommit); });
    EXPECT_EQ(answers, QList<bool> { true });
    EXPECT_TRUE(tags->commitEditing());
}

TEST_F(TagsControllerTest, APendingEditGoesToTheNotesSelectedWhenItBegan)
{
    selectNotes({ first });
    type(QStringLiteral("home,"));
    selectNotes({ second });
    EXPECT_EQ(tagsOf(first), QStringList({ "Home", "Work" }));
    EXPECT_EQ(tagsOf(second), QStringList { "Home" });
    EXPECT_EQ(shown(), QStringList { "Home" });
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Set Tags"));
}

// Undo changes the notes under an open edit: the edit is given up, not applied afterwards as a
// step that would take the redo away. A name not yet asked about goes with it, and an edit
// discarded by the window is closed as well.
TEST_F(TagsControllerTest, AnEditOvertakenByAnUndoOrDiscardedIsGivenUp)
{
    addCategory(QStringLiteral("Ideas"), 3);
    undo.removeAllActions();
    selectNotes({ first });
    type(QStringLiteral("home"));
    endEdit();
    ASSERT_EQ(tagsOf(first), QStringList({ "Home", "Work" }));

    type(QStringLiteral("ideas,"));
    EXPECT_EQ(shown(), QStringList({ "Work", "Home", "Ideas" }));
    undo.undo();
    settle(0);
    EXPECT_EQ(shown(), QStringList { "Work" });
    EXPECT_FALSE(tags->editingBegun());
    EXPECT_TRUE(registrar.open.isEmpty());
    endEdit();
    EXPECT_EQ(tagsOf(first), QStringList { "Work" });
    EXPECT_EQ(undo.redoActionName(), QStringLiteral("Set Tags"));

    type(QStringLiteral("Urgent,"));
    EXPECT_EQ(tags->addCategoryCount(), 1u);
    undo.redo();
    settle(BXTagsController::kDeferredDelay);
    EXPECT_FALSE(question());
    EXPECT_EQ(tags->addCategoryCount(), 0u);
    EXPECT_EQ(shown(), QStringList({ "Work", "Home" }));
    EXPECT_EQ(tagsOf(first), QStringList({ "Home", "Work" }));
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Set Tags"));

    // The next change is an edit of its own again.
    type(QStringLiteral("ideas"));
    tags->discardEditing();
    EXPECT_EQ(shown(), QStringList({ "Work", "Home" }));
    endEdit();
    EXPECT_EQ(tagsOf(first), QStringList({ "Home", "Work" }));
    EXPECT_FALSE(undo.canRedo());
    type(QStringLiteral("ideas"));
    endEdit();
    EXPECT_EQ(tagsOf(first), QStringList({ "Home", "Ideas", "Work" }));
}

namespace {

class RecordingPopoverDelegate final : public BXAddCategoryPopoverViewControllerDelegate {
public:
    void addCategoryPopoverViewControllerAddCategoryWithDictionary(
        BXAddCategoryPopoverViewController* controller, const QVariantMap&,
        const QVariantMap&) override
    {
        events.append(controller->popoverVisible() ? "add while open" : "add after close");
    }
    void addCategoryPopoverViewControllerDidClose(
        BXAddCategoryPopoverViewController* controller, const QVariantMap& info) override
    {
        events.append(
            QStringLiteral("closed %1 %2")
                .arg(controller->canceled() ? "canceled" : "ok", info.value("who").toString()));
    }
    QStringList events;
};

} // namespace

TEST_F(TagsControllerTest, PopoverReportsItsAnswerAndEveryCloseThenShowsAnewForTheNextName)
{
    BXAddCategoryPopoverViewController popover;
    RecordingPopoverDelegate recorder;
    popover.setDelegate(&recorder);
    const QVariantMap info { { "who", "me" } };
    popover.showPopoverForCategoryDictionary(
        { { "categoryName", "A" } }, field, field->rect(), info);
    QPointer<PopupWidget> shownFirst = popover.popover();
    EXPECT_GT(shownFirst->geometry().top(), field->mapToGlobal(QPoint(0, field->height())).y());
    QTest::keyClick(popover.okButton(), Qt::Key_Return);
    settle(0);
    EXPECT_EQ(recorder.events, QStringList({ "add while open", "closed ok me" }));
    EXPECT_FALSE(popover.popover());

    // A click outside dismisses as a refusal; the next showing is a new popup with the new name.
    popover.showPopoverForCategoryDictionary(
        { { "categoryName", "B" } }, field, field->rect(), info);
    EXPECT_NE(popover.popover(), shownFirst);
    EXPECT_EQ(popover.messageTextField()->text(), QStringLiteral("Create new “B” category?"));
    QTest::mouseClick(other, Qt::LeftButton);
    settle(0);
    EXPECT_EQ(recorder.events.last(), QStringLiteral("closed canceled me"));

    popover.setDelegate(nullptr);
    popover.showPopoverForCategoryDictionary(
        { { "categoryName", "C" } }, field, field->rect(), info);
    QTest::keyClick(popover.cancelButton(), Qt::Key_Escape);
    settle(0);
    EXPECT_FALSE(popover.popover());
    EXPECT_EQ(recorder.events.size(), 3);

    BXAddCategoryPopover simple(&window);
    simple.setContentViewController(&popover);
    simple.setupWithDictionary({ { "categoryName", "D" } });
    EXPECT_EQ(popover.messageTextField()->text(), QStringLiteral("Add new “D” category?"));
    simple.showRelativeTo(field->rect(), field, PopupWidget::Edge::Bottom);
    QTest::mouseClick(popover.okButton(), Qt::LeftButton);
    EXPECT_FALSE(simple.isVisible());
    EXPECT_FALSE(simple.canceled());
    EXPECT_EQ(simple.categoryDictionary().value("categoryName"), QVariant("D"));
}

#include "MainWindowFixture.h"

#include "lists/sidebar/BXCategoriesArrayController.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/BXTableView.h"
#include "lists/tags/BXTagsController.h"
#include "mainwindow/history/BXPageController.h"

#include "document/model/BXCategory.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/TokenField.h"
#include "platform/foundation/UndoManager.h"
#include "platform/text/AttributedText.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTest>

namespace {

// The Edit menu's and the notes' commands as the user gives them: through the responder chain
// of the focused view, with the event loop turning between keys.
class EditCommandsTest : public MainWindowFixture {
protected:
    BXNotesArrayController* notes() const { return controller->notesController(); }
    QStringList listed() const
    {
        QStringList titles;
        for (const platform::ManagedObjectPtr& note : notes()->arrangedObjects())
            titles << static_cast<BXNote*>(note.get())->noteTitle();
        return titles;
    }
    QStringList selected() const
    {
        QStringList titles;
        for (const platform::ManagedObjectPtr& note : notes()->selectedObjects())
            titles << static_cast<BXNote*>(note.get())->noteTitle();
        return titles;
    }
    // A menu item's state after validation: enabled, and its title.
    std::pair<bool, QString> menuItem(const QString& action)
    {
        QAction item(QStringLiteral("Undo"));
        platform::CommandRouter::setAction(&item, action);
        const bool enabled = platform::CommandRouter::shared().validateSender(&item);
        return { enabled, item.text() };
    }
    void send(const QString& action)
    {
        platform::Command command;
        command.action = action;
        platform::CommandRouter::shared().sendAction(command);
        settle();
    }
    void focusList()
    {
        controller->notesTableView()->setFocus();
        settle();
        ASSERT_EQ(QApplication::focusWidget(), controller->notesTableView());
    }
    QString shownText() const { return platform::AttributedText::string(*textView->mirror()); }
    void typeSlowly(QWidget* widget, const QString& text)
    {
        for (const QChar c : text) {
            QTest::keyClicks(widget, QString(c));
            settle(0.05);
        }
    }
};

} // namespace

TEST_F(EditCommandsTest, UndoFromTheNotesListTakesBackTheDeletionItNames)
{
    makeFile({ QStringLiteral("Apples"), QStringLiteral("Pears"), QStringLiteral("Plums") });
    openWindow();
    select({ noteTitled(QStringLiteral("Pears")) });
    focusList();
    EXPECT_EQ(menuItem(QStringLiteral("undo:")), std::make_pair(false, QStringLiteral("Undo")));

    send(QStringLiteral("deleteSelectedNotes:"));
    ASSERT_TRUE(alerts.answerSheet(controller->mainWindow(), 0));
    settle();
    ASSERT_EQ(listed(), QStringList({ "Apples", "Plums" }));
    // The note below the deleted one takes the selection, not the first row.
    EXPECT_EQ(selected(), QStringList({ "Plums" }));

    focusList();
    EXPECT_EQ(menuItem(QStringLiteral("undo:")),
        std::make_pair(true, QStringLiteral("Undo Delete Note")));
    send(QStringLiteral("undo:"));
    EXPECT_EQ(listed().size(), 3);
    EXPECT_EQ(menuItem(QStringLiteral("redo:")),
        std::make_pair(true, QStringLiteral("Redo Delete Note")));
    send(QStringLiteral("redo:"));
    EXPECT_EQ(listed(), QStringList({ "Apples", "Plums" }));

    // The last note gone, the one above it is selected.
    select({ noteTitled(QStringLiteral("Plums")) });
    focusList();
    send(QStringLiteral("deleteSelectedNotes:"));
    ASSERT_TRUE(alerts.answerSheet(controller->mainWindow(), 0));
    settle();
    EXPECT_EQ(selected(), QStringList({ "Apples" }));
}

TEST_F(EditCommandsTest, TypingIsUndoneAsOneStepUntilTheCaretMoves)
{
    makeFile({ QStringLiteral("Notes") });
    openWindow();
    select({ noteTitled(QStringLiteral("Notes")) });
    textView->setFocus();
    settle();
    QTest::keyClick(textView, Qt::Key_End);
    settle();
    typeSlowly(textView, QStringLiteral(" and more"));
    QTest::keyClick(textView, Qt::Key_Home);
    settle();
    typeSlowly(textView, QStringLiteral("My "));
    ASSERT_EQ(shownText(), QStringLiteral("My Notes and more"));

    EXPECT_EQ(
        menuItem(QStringLiteral("undo:")), std::make_pair(true, QStringLiteral("Undo Typing")));
    send(QStringLiteral("undo:"));
    EXPECT_EQ(shownText(), QStringLiteral("Notes and more"));
    send(QStringLiteral("undo:"));
    EXPECT_EQ(shownText(), QStringLiteral("Notes"));
    EXPECT_EQ(noteTitled(QStringLiteral("Notes"))->noteText(), QStringLiteral("Notes"));
}

TEST_F(EditCommandsTest, DuplicatesAreSelectedInPlaceOfTheirOriginals)
{
    makeFile({ QStringLiteral("Apples"), QStringLiteral("Pears"), QStringLiteral("Plums") });
    openWindow();
    const auto pears = noteTitled(QStringLiteral("Pears"));
    const auto plums = noteTitled(QStringLiteral("Plums"));
    select({ pears, plums });
    focusList();
    send(QStringLiteral("duplicateSelectedNotes:"));
    ASSERT_EQ(listed().size(), 5);
    const QList<platform::ManagedObjectPtr> copies = notes()->selectedObjects();
    ASSERT_EQ(copies.size(), 2);
    for (const platform::ManagedObjectPtr& copy : copies)
        EXPECT_TRUE(copy != pears && copy != plums);
    EXPECT_EQ(controller->selectedNote(), nullptr);
}

TEST_F(EditCommandsTest, ANewTagConfirmedInThePopoverIsAppliedBeforeACommandChangesTheSelection)
{
    makeFile({ QStringLiteral("Alpha"), QStringLiteral("Beta") });
    openWindow();
    const auto alpha = noteTitled(QStringLiteral("Alpha"));
    select({ noteTitled(QStringLiteral("Beta")) });
    select({ alpha });
    platform::TokenField* field = controller->tagsController()->tokenField();
    QTest::mouseClick(field, Qt::LeftButton, {}, field->rect().center());
    typeSlowly(field, QStringLiteral("Garden"));
    ASSERT_TRUE(confirmNewTag(field));
    ASSERT_EQ(QApplication::focusWidget(), field);

    // The recent notes step through the selection while the field keeps the focus.
    platform::Command previous;
    previous.action = BXPageController::kNavigateAction;
    previous.tag = BXPageController::kPreviousTag;
    platform::CommandRouter::shared().sendAction(previous);
    settle();
    ASSERT_EQ(selected(), QStringList({ "Beta" }));
    const QList<platform::ManagedObjectPtr> tags = alpha->relatedObjects(BXNote::CategoriesKey);
    ASSERT_EQ(tags.size(), 1);
    EXPECT_EQ(static_cast<BXCategory*>(tags.first().get())->categoryName(), u"Garden"_qs);
    EXPECT_TRUE(
        noteTitled(QStringLiteral("Beta"))->relatedObjects(BXNote::CategoriesKey).isEmpty());
    EXPECT_EQ(document->undoManager()->undoActionName(), QStringLiteral("Set Tags"));
    EXPECT_TRUE(controller->registeredEditors().isEmpty());
}

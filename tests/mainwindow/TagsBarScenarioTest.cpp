#include "MainWindowFixture.h"

#include "lists/tags/BXAddCategoryPopoverViewController.h"
#include "lists/sidebar/BXCategoriesArrayController.h"
#include "lists/tags/BXCategoryToken.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/sidebar/BXOutlineView.h"
#include "lists/BXTableView.h"
#include "lists/tags/BXTagsController.h"

#include "document/model/BXCategory.h"
#include "document/model/BXFetchedNotesCategory.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/TokenField.h"
#include "platform/foundation/UndoManager.h"

#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTest>

namespace {

class TagsBarScenarioTest : public MainWindowFixture {
protected:
    platform::TokenField* field() const { return controller->tagsController()->tokenField(); }

    QStringList shown(platform::TokenField* tokens) const
    {
        QStringList names;
        for (const QVariant& entry : tokens->objectValue()) {
            const std::optional<BXCategoryToken> token = BXCategoryToken::fromVariant(entry);
            names.append(token ? token->categoryName() : entry.toString());
        }
        return names;
    }
    static QStringList tagsOf(const std::shared_ptr<BXNote>& note)
    {
        if (!note)
            return { QStringLiteral("no such note") };
        QStringList names;
        for (const platform::ManagedObjectPtr& category :
            note->relatedObjects(BXNote::CategoriesKey))
            names.append(static_cast<BXCategory*>(category.get())->categoryName());
        names.sort();
        return names;
    }
    platform::ManagedObjectPtr category(const QString& name) const
    {
        for (const platform::ManagedObjectPtr& object :
            controller->categoriesController()->plainCategories()) {
            if (static_cast<BXCategory*>(object.get())->categoryName() == name)
                return object;
        }
        return nullptr;
    }
    void clickNotesList()
    {
        BXTableView* table = controller->notesTableView();
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
            table->visualRect(table->model()->index(0, 0)).center());
        settle();
    }
    // The window with a floating popup or list drawn where it shows, on a canvas holding both.
    void shootWith(const QString& name, QWidget* floating)
    {
        QCoreApplication::processEvents();
        QWidget* window = controller->mainWindow();
        const QPoint origin = window->mapToGlobal(QPoint(0, 0));
        const QRect area = QRect(origin, window->size()).united(floating->geometry());
        QImage image(area.size(), QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.drawPixmap(origin - area.topLeft(), window->grab());
        painter.drawPixmap(floating->pos() - area.topLeft(), floating->grab());
        painter.end();
        image.save(QCoreApplication::applicationDirPath() + QLatin1Char('/') + name);
    }
};

} // namespace

TEST_F(TagsBarScenarioTest, TagsTypedForTwoNotesAreKeptUndoneAndFollowARename)
{
    makeFile({ QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma") });
    openWindow();
    controller->categoriesController()->newCategoryWithName(QStringLiteral("Work"), false);
    controller->categoriesController()->newCategoryWithName(QStringLiteral("Writing"), false);
    save();
    settle();
    platform::UndoManager* undo = document->undoManager();
    undo->removeAllActions();
    select({ noteTitled(QStringLiteral("Alpha")), noteTitled(QStringLiteral("Beta")) });

    QTest::mouseClick(field(), Qt::LeftButton, {}, field()->rect().center());
    QTest::keyClicks(field(), QStringLiteral("w"));
    ASSERT_TRUE(field()->completionList());
    shootWith(QStringLiteral("mainwindow-tags-completion.png"), field()->completionList());
    QTest::keyClicks(field(), QStringLiteral("ork,Project"));
    QTest::keyClick(field(), Qt::Key_Return);
    settle(BXTagsController::kDeferredDelay);
    BXAddCategoryPopoverViewController* question
        = controller->tagsController()->addCategoryPopoverViewController();
    ASSERT_TRUE(question && question->popoverVisible());
    shootWith(QStringLiteral("mainwindow-tags-popover.png"), question->popover());
    QTest::mouseClick(question->okButton(), Qt::LeftButton);
    settle();
    EXPECT_EQ(shown(field()), QStringList({ "Work", "Project" }));
    screenshot(QStringLiteral("mainwindow-tags-bar.png"));

    clickNotesList();
    const QStringList both { "Project", "Work" };
    EXPECT_EQ(tagsOf(noteTitled(QStringLiteral("Alpha"))), both);
    EXPECT_EQ(tagsOf(noteTitled(QStringLiteral("Beta"))), both);

    EXPECT_EQ(undo->undoActionName(), QStringLiteral("Set Tags"));
    undo->undo();
    settle();
    EXPECT_EQ(undo->undoActionName(), QStringLiteral("Add Category"));
    undo->undo();
    settle();
    EXPECT_TRUE(tagsOf(noteTitled(QStringLiteral("Alpha"))).isEmpty());
    EXPECT_FALSE(category(QStringLiteral("Project")));
    undo->redo();
    undo->redo();
    settle();
    save();
    closeWindow();

    openWindow();
    ASSERT_TRUE(controller->selectCategories(
        { platform::ManagedObjectPtr(controller->categoriesController()->allNotesCategory()) },
        false));
    settle();
    EXPECT_EQ(tagsOf(noteTitled(QStringLiteral("Alpha"))), both);
    EXPECT_EQ(tagsOf(noteTitled(QStringLiteral("Beta"))), both);
    EXPECT_TRUE(tagsOf(noteTitled(QStringLiteral("Gamma"))).isEmpty());
    select({ noteTitled(QStringLiteral("Alpha")) });
    ASSERT_EQ(field()->count(), 2);

    // A second editor on the one note, as a note window sets its own up.
    platform::TokenField noteField;
    BXTagsController noteTags;
    noteTags.setTokenField(&noteField);
    noteTags.awakeFromNib();
    noteTags.setUpWithNoteItem(noteTitled(QStringLiteral("Alpha")), controller->categoriesController());
    EXPECT_EQ(shown(&noteField).size(), 2);

    // The token menu's Select Tag and Edit Tag reach the document, which works the sidebar.
    auto& router = platform::CommandRouter::shared();
    const auto menuFor = [&](const QString& name) {
        const int index = int(shown(field()).indexOf(name));
        return controller->tagsController()->menuForRepresentedObject(
            field(), field()->objectValue().at(index));
    };
    QAction* selectTag = menuFor(QStringLiteral("Project"))->actions().at(0);
    EXPECT_TRUE(router.validateSender(selectTag));
    EXPECT_TRUE(router.sendAction(selectTag));
    settle();
    EXPECT_EQ(controller->categoriesController()->selectedObjects(),
        QList<platform::ManagedObjectPtr> { category(QStringLiteral("Project")) });
    select({ noteTitled(QStringLiteral("Alpha")) });

    // Renaming from the token menu goes through the sidebar's editor; both fields follow.
    EXPECT_TRUE(router.sendAction(menuFor(QStringLiteral("Work"))->actions().at(1)));
    settle();
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_TRUE(editor);
    EXPECT_TRUE(controller->outlineView()->isAncestorOf(editor));
    EXPECT_EQ(editor->text(), QStringLiteral("Work"));
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("Job"));
    QTest::keyClick(editor, Qt::Key_Return);
    settle();
    EXPECT_TRUE(shown(field()).contains(QStringLiteral("Job")));
    EXPECT_TRUE(shown(&noteField).contains(QStringLiteral("Job")));
    EXPECT_EQ(tagsOf(noteTitled(QStringLiteral("Alpha"))), QStringList({ "Job", "Project" }));
}

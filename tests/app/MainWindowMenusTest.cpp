#include "AppTestSupport.h"

#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"

#include "lists/noteslist/BXNotesArrayController.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/MenuAccessKeys.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <gtest/gtest.h>

using platform::CommandRouter;

namespace {

struct Row {
    QAction* item;
    QString path;
    QString action;
    bool enabled;
    bool answered;
};

// Opens every menu under `menu` as the user would and records each item with an action.
void collect(QMenu* menu, const QString& path, QList<Row>& rows)
{
    emit menu->aboutToShow();
    for (QAction* item : menu->actions()) {
        const QString title
            = path + QStringLiteral(" > ") + platform::MenuAccessKeys::plainTitle(item->text());
        if (item->menu()) {
            collect(item->menu(), title, rows);
            continue;
        }
        const QString action = CommandRouter::action(item);
        if (action.isEmpty())
            continue;
        const bool answered
            = CommandRouter::shared().targetForAction(action, CommandRouter::target(item));
        rows.append({ item, title, action, item->isEnabled(), answered });
    }
    emit menu->aboutToHide();
}

// The menus of a main window with a note shown and its text focused: an item that nothing
// answers is never enabled, and the items that do nothing in this state are off.
TEST(MainWindowMenusTest, EveryItemIsEnabledOnlyWhenSomethingAnswersIt)
{
    apptest::ControllerFixture fixture;
    ASSERT_TRUE(fixture.launch());
    BXDocument::setWindowControllerFactory(
        [](BXDocument&) { return std::make_unique<BXMainWindowController>(); });
    const QUrl url = apptest::makeNotesFile(fixture.folder + QStringLiteral("/Menus.brindlex"));
    BXDocument* document = nullptr;
    fixture.controller->openDocumentWithContentsOfURL(
        url, true, [&](platform::Document* opened, bool, const platform::Error&) {
            document = dynamic_cast<BXDocument*>(opened);
        });
    ASSERT_TRUE(document);
    auto* main = dynamic_cast<BXMainWindowController*>(document->mainWindowController());
    ASSERT_TRUE(main);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return main->mainWindow() && main->mainWindow()->isVisible(); }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return main->selectedNote() != nullptr; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return main->noteTextView()->isEditable(); }));
    QApplication::setActiveWindow(main->mainWindow());
    main->noteTextView()->setFocus();
    main->noteTextView()->setSelectedRange({ 0, 1 });
    QCoreApplication::processEvents();

    auto* bar = main->mainWindow()->findChild<QMenuBar*>();
    ASSERT_TRUE(bar);
    QList<Row> rows;
    for (QAction* top : bar->actions()) {
        if (top->menu())
            collect(top->menu(), platform::MenuAccessKeys::plainTitle(top->text()), rows);
    }
    collect(main->formatPopupMenuIfNeeded(), QStringLiteral("Format button"), rows);

    QFile listing(QCoreApplication::applicationDirPath() + QStringLiteral("/mainwindow-menus.txt"));
    ASSERT_TRUE(listing.open(QIODevice::WriteOnly | QIODevice::Truncate));
    for (const Row& row : rows) {
        listing.write(QStringLiteral("%1 | %2 | %3 | %4\n")
                          .arg(row.path, row.action, row.enabled ? "on" : "off",
                              row.answered ? "answered" : "unanswered")
                          .toUtf8());
        EXPECT_TRUE(!row.enabled || row.answered) << row.path.toStdString();
    }
    EXPECT_GT(rows.size(), 40);
    QStringList off;
    for (const Row& row : rows) {
        if (!row.enabled && !row.path.startsWith(QStringLiteral("Format button")))
            off << row.path;
    }
    // Off for want of a state (history, a search, a style or ruler copied, a tag, a picture),
    // or because no part of this window does it.
    EXPECT_EQ(off,
        QStringList(
            { "Edit > Undo", "Edit > Redo", "Edit > Edit Image…", "Format > Font > Paste Style",
                "Format > Font > Styles…", "Format > Text > Writing Direction >     Default",
                "Format > Text > Writing Direction >     Left to Right",
                "Format > Text > Writing Direction >     Right to Left",
                "Format > Text > Paste Ruler", "Format > Text > Table...",
                "Note > Show Page in List", "Note > Remove All Found From Tag",
                "Note > Filter > Find Next", "Note > Filter > Find Previous",
                "Note > Previous Recent", "Note > Next Recent", "Note > Tags > Sort Tags by Name",
                "Note > Tags > Sort Selected Tags by Name", "History > Clear History" }));

    // The Edit menu acts on the text as its keys do.
    const auto itemAt = [&](const QString& path) {
        for (const Row& row : rows) {
            if (row.path == path)
                return row.item;
        }
        return static_cast<QAction*>(nullptr);
    };
    ASSERT_TRUE(itemAt(QStringLiteral("Edit > Select All")));
    itemAt(QStringLiteral("Edit > Select All"))->trigger();
    itemAt(QStringLiteral("Edit > Copy"))->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), main->selectedNote()->noteText());
    document->close();
    BXDocument::setWindowControllerFactory({});
}

} // namespace

// One validation pass over a real main window's toolbar and menus, as the toolbar runs after
// each user event and a menu before it opens: every item asks the responder chain, the window
// controller's table sets titles and check marks, and the toolbar's own rules have the last
// word.

#include "app/BXDocumentController.h"
#include "app/BXMainMenu.h"
#include "document/BXDocument.h"
#include "document/model/BXNote.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/BXMainWindowToolbar.h"
#include "mainwindow/editor/BXTextView.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/Toolbar.h"
#include "platform/appkit/ToolbarItem.h"
#include "platform/foundation/MemoryPressureSource.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/testing/FakeScheduler.h"
#include "platform/text/AttributedText.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTextDocument>

namespace {

// Every item of `menu` and its submenus, as the router validates them when they open.
void collectItems(const QMenu* menu, QList<QAction*>& items)
{
    for (QAction* action : menu->actions()) {
        if (action->menu())
            collectItems(action->menu(), items);
        else if (!platform::CommandRouter::action(action).isEmpty())
            items << action;
    }
}

void BM_ValidateToolbarAndMenus(benchmark::State& state)
{
    platform::FakeScheduler scheduler;
    platform::MemoryPressureSource pressure;
    BXDocumentController application(platform::UserDefaults::standard(), pressure);
    BXDocument::setWindowControllerFactory(
        [](BXDocument&) { return std::make_unique<BXMainWindowController>(); });
    auto document = std::make_unique<BXDocument>();
    for (int i = 0; i < 20; ++i) {
        BXNote::NotePtr note
            = BXNote::newNoteInManagedObjectContext(document->managedObjectContext(), {}, {});
        std::unique_ptr<QTextDocument> text = platform::AttributedText::makeDocument();
        text->setPlainText(QStringLiteral("Note %1\nSome text to show.").arg(i));
        note->setAttributedString(*text);
        note->setTrashFlag(false);
    }
    document->makeWindowControllers();
    auto* controller
        = dynamic_cast<BXMainWindowController*>(document->windowControllers().value(0));
    if (!controller) {
        state.SkipWithError("no main window");
        return;
    }
    controller->showWindow();
    QMenuBar* bar = BXMainMenu::build(application);
    controller->mainWindow()->setMenuBar(bar);
    scheduler.advance(1.0);
    scheduler.runUntilIdle();
    controller->noteTextView()->setFocus();
    QApplication::processEvents();

    QList<QAction*> items;
    for (QAction* top : bar->actions()) {
        if (top->menu())
            collectItems(top->menu(), items);
    }
    // Every item the window offers, not just the default set.
    platform::Toolbar* toolbar = controller->mainToolbar()->toolbar();
    for (const QString& identifier : BXMainWindowToolbar::allToolbarItems()) {
        if (!toolbar->itemWithIdentifier(identifier))
            toolbar->insertItemWithItemIdentifier(identifier, int(toolbar->items().size()));
    }
    const platform::CommandRouter& router = platform::CommandRouter::shared();
    for (auto _ : state) {
        toolbar->validateVisibleItems();
        for (QAction* item : std::as_const(items))
            benchmark::DoNotOptimize(router.validateSender(item));
    }
    state.counters["toolbar items"] = double(toolbar->items().size());
    state.counters["menu items"] = double(items.size());
    document->close();
    document.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
BENCHMARK(BM_ValidateToolbarAndMenus)->Unit(benchmark::kMicrosecond);

} // namespace

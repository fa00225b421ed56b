// One validation pass over a main window's toolbar of 16 items: each button item asks the
// responder chain whether its command could be sent now; the view items (segments, pop-up)
// are left to their owners.
#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/PopUpButton.h"
#include "platform/appkit/SegmentedControl.h"
#include "platform/appkit/SymbolIcon.h"
#include "platform/appkit/Toolbar.h"
#include "platform/appkit/ToolbarDelegate.h"
#include "platform/appkit/ToolbarItem.h"
#include "platform/controllers/Responder.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMainWindow>
#include <QTextEdit>

namespace {

using namespace platform;

const char* const kItems[][3] = {
    { "sidebartool", "toggleLists:", "sidebar.left" },
    { "newnotetool", "addNote:", "square.and.pencil" },
    { "deletetool", "deleteSelectedNotes:", "trash" },
    { "navigationtool", "", "chevron.backward" },
    { "textsizetool", "", "textformat.size.smaller" },
    { "rulertool", "toggleRuler:", "ruler" },
    { "spellchecktool", "showGuessPanel:", "textformat.abc.dottedunderline" },
    { "tagstool", "toggleTagsBar:", "tag" },
    { "locktool", "toggleLock:", "lock" },
    { "imagetool", "editImage:", "photo" },
    { "infotool", "toggleInfoPanel:", "info.circle" },
    { "printtool", "printDocument:", "printer" },
    { "sharetool", "showSharingServicePicker:", "square.and.arrow.up" },
    { "zoomtool", "", "plus.magnifyingglass" },
    { "writingtoolstool", "showWritingTools:", "apple.writing.tools" },
    { "defaultstyletool", "setDefaultStyle:", "textformat" },
};

class Delegate final : public ToolbarDelegate {
public:
    ToolbarItem* itemForItemIdentifier(Toolbar*, const QString& identifier, bool) override
    {
        for (const auto& [name, action, symbol] : kItems) {
            if (identifier != QLatin1String(name))
                continue;
            auto* item = new ToolbarItem(identifier);
            item->setLabel(identifier);
            item->setIcon(SymbolIcon::named(QLatin1String(symbol)));
            item->setAction(QLatin1String(action));
            if (identifier == u"navigationtool" || identifier == u"textsizetool") {
                auto* segments = new SegmentedControl;
                segments->setSegmentCount(2);
                item->setView(segments);
            } else if (identifier == u"zoomtool") {
                item->setView(new PopUpButton);
            }
            return item;
        }
        return nullptr;
    }
    QStringList allowedItemIdentifiers(Toolbar*) const override { return identifiers(); }
    QStringList defaultItemIdentifiers(Toolbar*) const override { return identifiers(); }

    static QStringList identifiers()
    {
        QStringList all;
        for (const auto& item : kItems)
            all << QLatin1String(item[0]);
        return all;
    }
};

// The window controller's answers: a few refusals, the rest enabled.
class Controller final : public QObject, public Responder {
public:
    bool respondsTo(const QString& action) const override { return !action.isEmpty(); }
    std::optional<bool> validate(Command& command) const override
    {
        return command.action != u"toggleTagsBar:" && command.action != u"editImage:";
    }
    void perform(const Command&) override { }
};

void BM_ToolbarValidationPass(benchmark::State& state)
{
    Delegate delegate;
    Controller controller;
    CommandRouter::shared().setApplicationResponder(&controller);
    QMainWindow window;
    auto* toolbar = new Toolbar(QStringLiteral("BenchToolbar"), &window);
    window.addToolBar(toolbar);
    toolbar->setDelegate(&delegate);
    auto* text = new QTextEdit;
    window.setCentralWidget(text);
    window.resize(1200, 600);
    window.show();
    QApplication::setActiveWindow(&window);
    text->setFocus();
    if (toolbar->items().size() != 16)
        state.SkipWithError("the toolbar does not hold 16 items");
    for (auto _ : state)
        toolbar->validateVisibleItems();
    CommandRouter::shared().setApplicationResponder(nullptr);
}
BENCHMARK(BM_ToolbarValidationPass)->Unit(benchmark::kMicrosecond);

} // namespace

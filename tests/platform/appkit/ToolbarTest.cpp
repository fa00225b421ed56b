#include "platform/appkit/Toolbar.h"
#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/ToolbarDelegate.h"
#include "platform/appkit/ToolbarItem.h"
#include "platform/appkit/ToolbarOverflowMenu.h"
#include "platform/controllers/Responder.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/testing/FakeScheduler.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QMainWindow>
#include <QMenu>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QToolButton>
#include <QUuid>

using namespace platform;

namespace {

// Makes items for three identifiers; "view" has a pop-up as its view.
class Delegate final : public ToolbarDelegate {
public:
    ToolbarItem* itemForItemIdentifier(Toolbar*, const QString& identifier, bool) override
    {
        ++made;
        auto* item = new ToolbarItem(identifier);
        item->setLabel(identifier.at(0).toUpper() + identifier.mid(1));
        item->setAction(identifier + u':');
        const QStyle::StandardPixmap icons[]
            = { QStyle::SP_FileIcon, QStyle::SP_DirIcon, QStyle::SP_TrashIcon };
        item->setIcon(QApplication::style()->standardIcon(icons[made % 3]));
        if (identifier == QStringLiteral("view"))
            item->setView(new QComboBox);
        return item;
    }
    QStringList allowedItemIdentifiers(Toolbar*) const override
    {
        return { QStringLiteral("new"), QStringLiteral("open"), QStringLiteral("trash"),
            QStringLiteral("view") };
    }
    QStringList defaultItemIdentifiers(Toolbar*) const override
    {
        return { QStringLiteral("new"), QStringLiteral("open"),
            Toolbar::kFlexibleSpaceItemIdentifier, QStringLiteral("trash") };
    }
    QStringList selectableItemIdentifiers(Toolbar*) const override
    {
        return { QStringLiteral("new"), QStringLiteral("open") };
    }

    int made = 0;
};

// Takes every command and counts how often it was asked about each.
class CountingResponder final : public QObject, public Responder {
public:
    bool respondsTo(const QString&) const override { return true; }
    std::optional<bool> validate(Command& command) const override
    {
        ++validations;
        return command.action != QStringLiteral("trash:");
    }
    void perform(const Command&) override { }

    mutable int validations = 0;
};

QStringList identifiersOf(const Toolbar& toolbar)
{
    QStringList identifiers;
    for (const ToolbarItem* item : toolbar.items())
        identifiers << item->itemIdentifier();
    return identifiers;
}

QString uniqueIdentifier()
{
    return QStringLiteral("Toolbar-") + QUuid::createUuid().toString(QUuid::Id128);
}

} // namespace

TEST(Toolbar, ConfigurationIsSavedUnderItsKeyAndReadBackByANewToolbar)
{
    const QString identifier = uniqueIdentifier();
    Delegate delegate;
    {
        QMainWindow window;
        auto* toolbar = new Toolbar(identifier, &window);
        window.addToolBar(toolbar);
        toolbar->setAutosavesConfiguration(true);
        toolbar->setDelegate(&delegate);
        EXPECT_EQ(identifiersOf(*toolbar),
            (QStringList { QStringLiteral("new"), QStringLiteral("open"),
                Toolbar::kFlexibleSpaceItemIdentifier, QStringLiteral("trash") }));
        QSignalSpy added(toolbar, &Toolbar::willAddItem);
        QSignalSpy removed(toolbar, &Toolbar::didRemoveItem);
        EXPECT_NE(toolbar->insertItemWithItemIdentifier(QStringLiteral("view"), 99), nullptr);
        EXPECT_EQ(toolbar->insertItemWithItemIdentifier(QStringLiteral("bogus"), 0), nullptr);
        toolbar->removeItemAtIndex(1);
        toolbar->removeItemAtIndex(42);
        EXPECT_EQ(added.size(), 1);
        EXPECT_EQ(removed.size(), 1);
        toolbar->setDisplayMode(Toolbar::DisplayMode::LabelOnly);
        toolbar->setSizeMode(Toolbar::SizeMode::Small);
        toolbar->hide();
    }

    const QVariantMap saved = UserDefaults::standard().dictionaryForKey(
        QStringLiteral("NSToolbar Configuration ") + identifier);
    const QStringList expectedItems = { QStringLiteral("new"),
        Toolbar::kFlexibleSpaceItemIdentifier, QStringLiteral("trash"), QStringLiteral("view") };
    EXPECT_EQ(saved.value(QStringLiteral("TB Item Identifiers")).toStringList(), expectedItems);
    EXPECT_EQ(saved.value(QStringLiteral("TB Display Mode")).toInt(), 3);
    EXPECT_EQ(saved.value(QStringLiteral("TB Size Mode")).toInt(), 2);
    EXPECT_EQ(saved.value(QStringLiteral("TB Is Shown")).toInt(), 0);

    QMainWindow window;
    auto* again = new Toolbar(identifier, &window);
    window.addToolBar(again);
    again->setAutosavesConfiguration(true);
    again->setDelegate(&delegate);
    EXPECT_EQ(identifiersOf(*again), expectedItems);
    EXPECT_EQ(again->displayMode(), Toolbar::DisplayMode::LabelOnly);
    EXPECT_EQ(again->toolButtonStyle(), Qt::ToolButtonTextOnly);
    EXPECT_EQ(again->sizeMode(), Toolbar::SizeMode::Small);
    EXPECT_EQ(again->iconSize(), QSize(24, 24));
    EXPECT_TRUE(again->isHidden());

    // Without autosaving nothing is read.
    Toolbar fresh(identifier);
    fresh.setDelegate(&delegate);
    EXPECT_EQ(identifiersOf(fresh).size(), 4);
    EXPECT_EQ(fresh.displayMode(), Toolbar::DisplayMode::Default);
}

TEST(Toolbar, OnlySelectableItemsCanBeSelectedAndOneAtATime)
{
    Delegate delegate;
    Toolbar toolbar(uniqueIdentifier());
    toolbar.setDelegate(&delegate);
    toolbar.setSelectedItemIdentifier(QStringLiteral("open"));
    EXPECT_EQ(toolbar.selectedItemIdentifier(), QStringLiteral("open"));
    toolbar.setSelectedItemIdentifier(QStringLiteral("trash"));
    EXPECT_EQ(toolbar.selectedItemIdentifier(), QStringLiteral("open"));
    toolbar.setSelectedItemIdentifier(QStringLiteral("new"));
    EXPECT_TRUE(toolbar.itemWithIdentifier(QStringLiteral("new"))->isChecked());
    EXPECT_FALSE(toolbar.itemWithIdentifier(QStringLiteral("open"))->isChecked());
    EXPECT_FALSE(toolbar.itemWithIdentifier(QStringLiteral("trash"))->isCheckable());
}

TEST(Toolbar, ItemsValidateOncePerTurnAfterChangesAndEverySecond)
{
    FakeScheduler scheduler;
    Delegate delegate;
    CountingResponder responder;
    QMainWindow window;
    auto* toolbar = new Toolbar(uniqueIdentifier(), &window);
    window.addToolBar(toolbar);
    toolbar->setDelegate(&delegate);
    for (ToolbarItem* item : toolbar->items())
        item->setTarget(&responder);
    window.show();
    scheduler.runUntilIdle();
    responder.validations = 0;

    toolbar->setNeedsValidation();
    toolbar->setNeedsValidation();
    CommandRouter::shared().sendAction(Command { QStringLiteral("new:"), 0, {}, {} }, &responder);
    EXPECT_EQ(responder.validations, 1) << "only the sent command was checked so far";
    scheduler.runUntilIdle();
    // One round over the three button items (the space has a view and is left alone).
    EXPECT_EQ(responder.validations, 1 + 3);
    EXPECT_FALSE(toolbar->itemWithIdentifier(QStringLiteral("trash"))->isEnabled());
    EXPECT_TRUE(toolbar->itemWithIdentifier(QStringLiteral("new"))->isEnabled());

    responder.validations = 0;
    CommandRouter::shared().setNeedsValidation(); // a selection changed
    scheduler.runUntilIdle();
    EXPECT_EQ(responder.validations, 3);

    responder.validations = 0;
    scheduler.advance(1.0);
    EXPECT_EQ(responder.validations, 3);
    scheduler.advance(2.0);
    EXPECT_EQ(responder.validations, 9);
}

TEST(Toolbar, ScreenshotsInEveryDisplayMode)
{
    Delegate delegate;
    const std::pair<Toolbar::DisplayMode, const char*> modes[] = {
        { Toolbar::DisplayMode::Default, "default" },
        { Toolbar::DisplayMode::IconAndLabel, "icon-and-label" },
        { Toolbar::DisplayMode::IconOnly, "icon-only" },
        { Toolbar::DisplayMode::LabelOnly, "label-only" },
    };
    QMainWindow window;
    auto* toolbar = new Toolbar(uniqueIdentifier(), &window);
    window.addToolBar(toolbar);
    toolbar->setDelegate(&delegate);
    window.resize(420, 120);
    window.show();
    for (const auto& [mode, name] : modes) {
        SCOPED_TRACE(name);
        toolbar->setDisplayMode(mode);
        QCoreApplication::processEvents();
        auto* button = qobject_cast<QToolButton*>(
            toolbar->widgetForAction(toolbar->itemWithIdentifier(QStringLiteral("new"))));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->toolButtonStyle(), toolbar->toolButtonStyle());
        const QImage shot = toolbar->grab().toImage();
        EXPECT_FALSE(shot.isNull());
        bxtest::saveScreenshot(shot, QStringLiteral("toolbar-") + QLatin1String(name));
    }
}

// A window too narrow for its toolbar lists the items cut off in the » button's menu, in
// toolbar order and enabled as their buttons would be; choosing one sends its command, and
// what belongs to a cut-off item (a share menu, a popover) points at the » button.
TEST(Toolbar, OverflowMenuOffersTheItemsANarrowWindowCutOff)
{
    struct Recorder final : public QObject, public Responder {
        bool respondsTo(const QString&) const override { return true; }
        std::optional<bool> validate(Command& command) const override
        {
            return command.action != QStringLiteral("trash:");
        }
        void perform(const Command& command) override { performed << command.action; }
        QStringList performed;
    } responder;
    Delegate delegate;
    QMainWindow window;
    auto* toolbar = new Toolbar(uniqueIdentifier(), &window);
    window.addToolBar(toolbar);
    toolbar->setDelegate(&delegate);
    toolbar->insertItemWithItemIdentifier(QStringLiteral("view"), 1);
    for (ToolbarItem* item : toolbar->items())
        item->setTarget(&responder);
    ToolbarOverflowMenu* overflow = toolbar->overflowMenu();
    ASSERT_NE(overflow->button(), nullptr);
    // Its arrows are a symbol, drawn in the text colour.
    const QImage arrows = overflow->button()->icon().pixmap(16, 16).toImage();
    const QColor ink = QApplication::palette().color(QPalette::WindowText);
    int drawn = 0;
    int otherInk = 0;
    for (int y = 0; y < arrows.height(); ++y) {
        for (int x = 0; x < arrows.width(); ++x) {
            const QColor pixel = arrows.pixelColor(x, y);
            if (pixel.alpha() < 200)
                continue;
            ++drawn;
            if (std::abs(pixel.red() - ink.red()) + std::abs(pixel.green() - ink.green())
                    + std::abs(pixel.blue() - ink.blue())
                > 6)
                ++otherInk;
        }
    }
    EXPECT_GT(drawn, 0);
    EXPECT_EQ(otherInk, 0);
    window.resize(600, 200);
    window.show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(overflow->hiddenItems().isEmpty());
    ToolbarItem* trash = toolbar->itemWithIdentifier(QStringLiteral("trash"));
    EXPECT_EQ(toolbar->anchorForItem(trash), toolbar->widgetForAction(trash));

    // Room for the first item only.
    window.resize(toolbar->widgetForAction(toolbar->items().first())->sizeHint().width() + 40, 200);
    QCoreApplication::processEvents();
    ASSERT_TRUE(overflow->button()->isVisible());
    QStringList hidden;
    for (const ToolbarItem* item : overflow->hiddenItems())
        hidden << item->itemIdentifier();
    EXPECT_EQ(hidden,
        (QStringList { QStringLiteral("view"), QStringLiteral("open"),
            Toolbar::kFlexibleSpaceItemIdentifier, QStringLiteral("trash") }));
    EXPECT_EQ(toolbar->anchorForItem(trash), overflow->button());

    QTest::mouseClick(overflow->button(), Qt::LeftButton);
    ASSERT_TRUE(overflow->menu()->isVisible());
    QStringList titles;
    QStringList enabled;
    for (const QAction* entry : overflow->menu()->actions()) {
        titles << entry->text();
        if (entry->isEnabled())
            enabled << entry->text();
    }
    // The pop-up view and the space have no form a menu can show.
    EXPECT_EQ(titles, (QStringList { QStringLiteral("Open"), QStringLiteral("Trash") }));
    EXPECT_EQ(enabled, QStringList { QStringLiteral("Open") });
    overflow->menu()->actions().first()->trigger();
    EXPECT_EQ(responder.performed, QStringList { QStringLiteral("open:") });
    overflow->menu()->close();

    // A menu form stands for its item.
    auto* form = new QAction(QStringLiteral("Open Recent"));
    toolbar->itemWithIdentifier(QStringLiteral("open"))->setMenuFormRepresentation(form);
    overflow->rebuild();
    EXPECT_EQ(overflow->menu()->actions().first(), form);
}

#include "ScenarioApp.h"

#include "app/BXBigButtonCell.h"
#include "app/BXRecentDocumentsView.h"
#include "app/BXStartWindow.h"
#include "lists/BXTableView.h"
#include "lists/sidebar/BXOutlineView.h"
#include "mainwindow/BXInfoBarView.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/BXMainWindowToolbar.h"
#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/search/BXMainWindowSearch.h"
#include "mainwindow/search/BXSearchField.h"
#include "platform/appkit/Toolbar.h"
#include "platform/appkit/ToolbarItem.h"
#include "platform/appkit/ToolbarOverflowMenu.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QPrintDialog>
#include <QScreen>
#include <QToolButton>

using scenario::ScenarioApp;
using Tools = BXMainWindowToolbar;

namespace {

// A dark palette as a desktop's dark theme hands it to the application.
QPalette darkPalette()
{
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
    dark.setColor(QPalette::WindowText, QColor(0xe8, 0xe8, 0xe8));
    dark.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    dark.setColor(QPalette::AlternateBase, QColor(0x26, 0x26, 0x26));
    dark.setColor(QPalette::Text, QColor(0xe8, 0xe8, 0xe8));
    dark.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::ButtonText, QColor(0xe8, 0xe8, 0xe8));
    dark.setColor(QPalette::Highlight, QColor(0x2a, 0x6f, 0xc9));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::PlaceholderText, QColor(0x9a, 0x9a, 0x9a));
    dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x7a, 0x7a, 0x7a));
    dark.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x7a, 0x7a, 0x7a));
    dark.setColor(QPalette::Disabled, QPalette::Text, QColor(0x7a, 0x7a, 0x7a));
    return dark;
}

// How many pixels of `area` in `shot` are within a small distance of `colour`.
int pixelsNear(const QImage& shot, const QRect& area, const QColor& colour)
{
    int count = 0;
    const QRect inside = area.intersected(shot.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            const QColor pixel = shot.pixelColor(x, y);
            if (std::abs(pixel.red() - colour.red()) + std::abs(pixel.green() - colour.green())
                    + std::abs(pixel.blue() - colour.blue())
                < 60)
                ++count;
        }
    }
    return count;
}

// The window shot at the device's pixel ratio, scaled back to the widget's own coordinates.
QImage shotOf(QWidget* widget)
{
    QImage shot = widget->grab().toImage();
    return shot.scaled(widget->size()).convertToFormat(QImage::Format_RGB32);
}

BXMainWindowController* openNotes(ScenarioApp& app, const QStringList& texts)
{
    const QString path = app.folder() + QStringLiteral("/Looks.brindlex");
    scenario::writeNotesFile(path, texts);
    return app.openDocument(path);
}

} // namespace

// Under a dark palette the application's own symbols are drawn light, in the palette's text
// colour: the toolbar's Sidebar, Password and Text Size symbols, and the icon of the selected
// sidebar row in the highlighted text colour. Both palettes are shot.
TEST(LooksScenario, SymbolsTakeThePalettesTextColour)
{
    ScenarioApp app;
    BXMainWindowController* main = openNotes(app, { QStringLiteral("A note") });
    ASSERT_NE(main, nullptr);
    main->mainWindow()->resize(1100, 640);
    ScenarioApp::clickSidebarRow(QStringLiteral("All Notes"));
    ScenarioApp::clickRow(main->notesTableView(), 0);
    ScenarioApp::idle(300);
    const QPalette light = QApplication::palette();
    platform::Toolbar* toolbar = main->mainToolbar()->toolbar();

    for (const bool dark : { false, true }) {
        SCOPED_TRACE(dark ? "dark" : "light");
        QApplication::setPalette(dark ? darkPalette() : light);
        ScenarioApp::idle(300);
        const QPalette palette = QApplication::palette();
        const QImage shot = shotOf(main->mainWindow());
        bxtest::saveScreenshot(
            shot, dark ? u"scenario-dark-palette"_qs : u"scenario-light-palette"_qs);
        for (const QString& identifier :
            { Tools::kSidebarTool, Tools::kLockTool, Tools::kTextSizeTool, Tools::kNewNoteTool }) {
            SCOPED_TRACE(identifier.toStdString());
            QWidget* control = toolbar->widgetForAction(toolbar->itemWithIdentifier(identifier));
            ASSERT_NE(control, nullptr);
            // The symbol's part of the control: above a label, when the item has one.
            QRect symbol(control->mapTo(main->mainWindow(), QPoint()),
                QSize(control->width(),
                    std::min(control->height(), toolbar->iconSize().height() + 6)));
            const QColor ink = control->isEnabled()
                ? palette.color(QPalette::Active, QPalette::WindowText)
                : palette.color(QPalette::Disabled, QPalette::WindowText);
            EXPECT_GE(pixelsNear(shot, symbol, ink), 8);
        }
        // The date line over the text, faded from the window text.
        const QColor date
            = main->mainWindow()->findChild<BXInfoBarView*>()->infoTextField()->palette().color(
                QPalette::WindowText);
        EXPECT_EQ(date.rgb(), palette.color(QPalette::WindowText).rgb());
        // The selected row's icon, on the highlight.
        BXOutlineView* sidebar = main->outlineView();
        const QModelIndex selected = sidebar->selectionModel()->selectedRows().value(0);
        ASSERT_TRUE(selected.isValid());
        QRect row = sidebar->visualRect(selected);
        row.setWidth(sidebar->iconSize().isValid() ? sidebar->iconSize().width() + 8 : 24);
        row.moveTopLeft(sidebar->viewport()->mapTo(main->mainWindow(), row.topLeft()));
        EXPECT_GE(pixelsNear(shot, row, palette.color(QPalette::HighlightedText)), 8);
    }
    QApplication::setPalette(light);
}

// A window too narrow for its toolbar keeps every item in reach: the » button's menu lists the
// items cut off, and Print, Share and Search chosen there do what their buttons do.
TEST(LooksScenario, TheOverflowMenuOfANarrowWindowReachesSearchShareAndPrint)
{
    ScenarioApp app;
    BXMainWindowController* main
        = openNotes(app, { QStringLiteral("Apples and pears"), QStringLiteral("Plums") });
    ASSERT_NE(main, nullptr);
    ScenarioApp::clickRow(main->notesTableView(), 0);
    main->mainWindow()->resize(480, 560);
    platform::Toolbar* toolbar = main->mainToolbar()->toolbar();
    QToolButton* overflow = toolbar->overflowMenu()->button();
    ASSERT_NE(overflow, nullptr);
    ASSERT_TRUE(ScenarioApp::waitUntil([&] { return overflow->isVisible(); }));
    bxtest::saveScreenshot(shotOf(main->mainWindow()), u"scenario-narrow-toolbar"_qs);

    ScenarioApp::click(overflow);
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return !ScenarioApp::popUpMenuTitles().isEmpty(); }));
    const QStringList titles = ScenarioApp::popUpMenuTitles();
    for (const QString& title : { u"Search"_qs, u"Share"_qs, u"Print"_qs })
        EXPECT_TRUE(titles.contains(title))
            << title.toStdString() << " in " << titles.join(u", ").toStdString();

    bool printDialogShown = false;
    ScenarioApp::whenDialogShows([&](QDialog* dialog) {
        printDialogShown = qobject_cast<QPrintDialog*>(dialog) != nullptr;
        ScenarioApp::key(Qt::Key_Escape);
    });
    ASSERT_TRUE(ScenarioApp::choosePopUpMenuItem({ u"Print"_qs }));
    EXPECT_TRUE(ScenarioApp::waitUntil([&] { return printDialogShown; }, 10000));
    ScenarioApp::idle(200);

    // Share: the services come up under the » button.
    QApplication::clipboard()->clear();
    ScenarioApp::click(overflow);
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return !ScenarioApp::popUpMenuTitles().isEmpty(); }));
    ASSERT_TRUE(ScenarioApp::choosePopUpMenuItem({ u"Share"_qs }));
    ASSERT_TRUE(
        ScenarioApp::waitUntil([] { return ScenarioApp::popUpMenuTitles().contains(u"Copy"_qs); }));
    ASSERT_TRUE(ScenarioApp::choosePopUpMenuItem({ u"Copy"_qs }));
    EXPECT_TRUE(ScenarioApp::waitUntil(
        [] { return QApplication::clipboard()->text().contains(u"Apples and pears"_qs); }));

    // Search: the field comes up under the » button and takes the typing.
    ScenarioApp::click(overflow);
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return !ScenarioApp::popUpMenuTitles().isEmpty(); }));
    ASSERT_TRUE(ScenarioApp::choosePopUpMenuItem({ u"Search"_qs }));
    BXSearchField* field = main->search()->searchField();
    ASSERT_TRUE(ScenarioApp::waitUntil([&] { return field->isVisible() && field->hasFocus(); }));
    ScenarioApp::type(u"plums"_qs);
    EXPECT_TRUE(ScenarioApp::waitUntil(
        [] { return ScenarioApp::listTitles() == QStringList { u"Plums"_qs }; }));
    bxtest::saveScreenshot(shotOf(main->mainWindow()), u"scenario-narrow-search"_qs);
    // A click back in the list gives it the keys and puts the field back in its item, still
    // holding the search.
    ScenarioApp::clickRow(main->notesTableView(), 0);
    EXPECT_TRUE(
        ScenarioApp::waitUntil([&] { return !main->mainToolbar()->searchPopover()->isVisible(); }));
    EXPECT_TRUE(toolbar->itemWithIdentifier(Tools::kSearchTool)->view()->isAncestorOf(field));
    EXPECT_EQ(field->text(), u"plums"_qs);
    EXPECT_TRUE(main->notesTableView()->hasFocus());

    // Widened again, the field is back in the toolbar and Ctrl+F goes straight to it.
    main->mainWindow()->resize(1200, 560);
    ASSERT_TRUE(ScenarioApp::waitUntil([&] { return field->isVisible(); }));
    ScenarioApp::key(Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(ScenarioApp::waitUntil([&] { return field->hasFocus(); }));
    EXPECT_FALSE(main->mainToolbar()->searchPopover()->isVisible());
}

// The welcome window fits the screen it opens on, however small the screen or large the scale
// (CTest runs this once more at a scale factor of 2 on a small screen).
TEST(LooksScenario, TheWelcomeWindowFitsItsScreen)
{
    ScenarioApp app;
    QWidget* welcome = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (qobject_cast<BXStartWindow*>(window) && window->isVisible())
            welcome = window;
    }
    ASSERT_NE(welcome, nullptr);
    ScenarioApp::idle(200);
    const QRect area = welcome->screen()->availableGeometry();
    SCOPED_TRACE(QStringLiteral("screen %1x%2 at scale %3")
                     .arg(area.width())
                     .arg(area.height())
                     .arg(welcome->devicePixelRatioF())
                     .toStdString());
    EXPECT_TRUE(area.contains(welcome->frameGeometry()))
        << welcome->frameGeometry().width() << "x" << welcome->frameGeometry().height();
    // Nothing inside reaches past the window's side either.
    const QList<QWidget*> parts = { welcome->findChild<BXBigButtonCell*>(),
        welcome->findChildren<BXBigButtonCell*>().value(1),
        welcome->findChild<BXRecentDocumentsView*>() };
    for (const QWidget* part : parts) {
        ASSERT_NE(part, nullptr);
        EXPECT_LE(part->mapTo(welcome, QPoint(part->width(), 0)).x(), welcome->width())
            << part->metaObject()->className();
    }
    bxtest::saveScreenshot(welcome->grab().toImage(),
        welcome->devicePixelRatioF() > 1 ? u"scenario-welcome-scaled"_qs : u"scenario-welcome"_qs);
}

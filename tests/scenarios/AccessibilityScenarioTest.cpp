#include "ScenarioApp.h"

#include "app/BXRecentDocumentsView.h"
#include "app/BXStartWindow.h"
#include "lists/BXTableView.h"
#include "lists/sidebar/BXOutlineView.h"
#include "lists/tags/BXTagsController.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowBars.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/BXMainWindowToolbar.h"
#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/editor/BXWriterBar.h"
#include "mainwindow/search/BXMainWindowSearch.h"
#include "mainwindow/search/BXSearchField.h"
#include "platform/appkit/Stepper.h"
#include "platform/appkit/TokenField.h"
#include "platform/appkit/Toolbar.h"
#include "platform/appkit/ToolbarItem.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QScrollBar>

using scenario::ScenarioApp;

namespace {

QString nameOf(QObject* object)
{
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(object);
    return accessible ? accessible->text(QAccessible::Name) : QString();
}

QAccessible::Role roleOf(QObject* object)
{
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(object);
    return accessible ? accessible->role() : QAccessible::NoRole;
}

// The widgets of `window` a user can point at or type into, as they show now.
QList<QWidget*> controlsOf(QWidget* window)
{
    QList<QWidget*> controls;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (!widget->isVisible())
            continue;
        const bool control = qobject_cast<QAbstractButton*>(widget)
            || qobject_cast<QLineEdit*>(widget) || qobject_cast<QComboBox*>(widget)
            || (qobject_cast<QAbstractItemView*>(widget) && !qobject_cast<QHeaderView*>(widget))
            || qobject_cast<platform::TextView*>(widget)
            || qobject_cast<platform::TokenField*>(widget)
            || qobject_cast<platform::Stepper*>(widget);
        if (control)
            controls.append(widget);
    }
    return controls;
}

// Every control shows a name and a role that says what it is.
void expectNamedControls(QWidget* window, int atLeast)
{
    const QList<QWidget*> controls = controlsOf(window);
    EXPECT_GE(controls.size(), atLeast);
    for (QWidget* control : controls) {
        SCOPED_TRACE(
            QStringLiteral("%1 \"%2\"")
                .arg(QString::fromLatin1(control->metaObject()->className()), control->objectName())
                .toStdString());
        EXPECT_FALSE(nameOf(control).trimmed().isEmpty());
        EXPECT_NE(roleOf(control), QAccessible::Client);
        EXPECT_NE(roleOf(control), QAccessible::NoRole);
    }
}

BXMainWindowController* openNotes(ScenarioApp& app, const QString& path, const QStringList& texts)
{
    scenario::writeNotesFile(path, texts);
    BXMainWindowController* main = app.openDocument(path);
    if (!main)
        return nullptr;
    ScenarioApp::clickRow(main->notesTableView(), 0);
    if (!ScenarioApp::waitUntil([&] { return ScenarioApp::editorText() == texts.first(); }))
        return nullptr;
    return main;
}

} // namespace

// A screen reader finds each control of the main window by a name and a role a user would say.
TEST(AccessibilityScenario, EveryControlOfTheMainWindowHasANameAndARole)
{
    ScenarioApp app;
    BXMainWindowController* main = openNotes(
        app, app.folder() + QStringLiteral("/Named.brindlex"), { QStringLiteral("Alpha") });
    ASSERT_NE(main, nullptr);
    // Wide enough for every toolbar item to show rather than sit behind the overflow arrow.
    main->mainWindow()->resize(1600, 900);
    ScenarioApp::click(main->noteTextView()->viewport());

    BXWriterBar* writer = main->bars()->writerBar();
    const struct {
        const char* what;
        QObject* control;
        QString name;
        QAccessible::Role role;
    } named[] = {
        { "note editor", main->noteTextView(), u"Note"_qs, QAccessible::EditableText },
        { "tags field", main->tagsController()->tokenField(), u"Tags"_qs,
            QAccessible::EditableText },
        { "search field", main->search()->searchField(), u"Search"_qs, QAccessible::EditableText },
        { "notes list", main->notesTableView(), u"Notes"_qs, QAccessible::Table },
        { "sidebar", main->outlineView(), u"Categories"_qs, QAccessible::Tree },
        { "font size field", writer->fontSizeTextField(), u"Font Size"_qs,
            QAccessible::EditableText },
        { "font size stepper", writer->fontSizeStepper(), u"Font Size"_qs, QAccessible::SpinBox },
        { "colour button", writer->textColorButton(), u"Text Color"_qs, QAccessible::Button },
        // A toolbar pop-up is named by its item's label, not by the value it shows.
        { "zoom pop-up",
            main->mainToolbar()
                ->toolbar()
                ->itemWithIdentifier(BXMainWindowToolbar::kZoomTool)
                ->view(),
            u"Zoom"_qs, QAccessible::ButtonMenu },
    };
    for (const auto& control : named) {
        SCOPED_TRACE(control.what);
        ASSERT_NE(control.control, nullptr);
        EXPECT_EQ(nameOf(control.control), control.name);
        EXPECT_EQ(roleOf(control.control), control.role);
    }
    expectNamedControls(main->mainWindow(), 20);

    // With the lists hidden, the bar under the note shows its own buttons.
    ASSERT_TRUE(
        ScenarioApp::chooseMenuItem({ QStringLiteral("View"), QStringLiteral("Hide Sidebar") }));
    ASSERT_TRUE(ScenarioApp::waitUntil([main] { return main->listsCollapsed(); }));
    ScenarioApp::idle(400);
    expectNamedControls(main->mainWindow(), 20);
}

// The note's text reads through the editor's text interface, caret and selection included,
// and an edit made there is the user's: shown, undone by the Edit menu's key, and saved.
TEST(AccessibilityScenario, TheNoteReadsAndEditsThroughItsTextInterface)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Read.brindlex");
    BXMainWindowController* main = openNotes(app, path, { QStringLiteral("Alpha note") });
    ASSERT_NE(main, nullptr);
    ScenarioApp::clickToTheEndOfTheText(main);
    ScenarioApp::key(Qt::Key_Left, Qt::ShiftModifier);

    QAccessibleInterface* editor = QAccessible::queryAccessibleInterface(main->noteTextView());
    ASSERT_NE(editor, nullptr);
    QAccessibleTextInterface* text = editor->textInterface();
    QAccessibleEditableTextInterface* editable = editor->editableTextInterface();
    ASSERT_NE(text, nullptr);
    ASSERT_NE(editable, nullptr);
    EXPECT_EQ(text->text(0, text->characterCount()), u"Alpha note"_qs);
    EXPECT_EQ(text->cursorPosition(), 9);
    int start = -1;
    int end = -1;
    text->selection(0, &start, &end);
    EXPECT_EQ(std::pair(start, end), std::pair(9, 10));

    // Each request of a screen reader comes in a turn of its own, an undo step each.
    editable->insertText(6, QStringLiteral("big "));
    ScenarioApp::idle(50);
    EXPECT_EQ(ScenarioApp::editorText(), u"Alpha big note"_qs);
    editable->replaceText(0, 5, QStringLiteral("Beta"));
    ScenarioApp::idle(50);
    EXPECT_EQ(ScenarioApp::editorText(), u"Beta big note"_qs);
    editable->deleteText(9, 13);
    ScenarioApp::idle(50);
    EXPECT_EQ(ScenarioApp::editorText(), u"Beta big "_qs);

    ScenarioApp::key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(ScenarioApp::waitUntil([] {
        return ScenarioApp::editorText() == u"Beta big note"_qs;
    })) << ScenarioApp::editorText().toStdString();
    app.save();
    app.closeFrontDocument();
    EXPECT_EQ(scenario::storedTexts(path), QStringList { u"Beta big note"_qs });
}

// The recent documents window is a window named by its title, and its rows read as the user
// sees them: the file's name and folder, and the date in the user's language.
TEST(AccessibilityScenario, TheRecentDocumentsWindowReadsItsDatesAsWords)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Recent.brindlex");
    scenario::writeNotesFile(path, { QStringLiteral("Kept") });
    ASSERT_NE(app.newDocument(), nullptr);
    ASSERT_NE(app.openDocument(path), nullptr);
    app.closeFrontDocument();
    ASSERT_TRUE(
        ScenarioApp::chooseMenuItem({ QStringLiteral("File"), QStringLiteral("Open Recent…") }));
    BXRecentDocumentsView* view = nullptr;
    ASSERT_TRUE(ScenarioApp::waitUntil([&] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->isVisible() && qobject_cast<BXStartWindow*>(window))
                view = window->findChild<BXRecentDocumentsView*>();
        }
        return view && view->model()->rowCount() > 0;
    }));
    QWidget* window = view->window();
    EXPECT_EQ(roleOf(window), QAccessible::Window);
    EXPECT_EQ(nameOf(window), u"Recent Documents"_qs);
    // The list and the window's three buttons.
    expectNamedControls(window, 4);

    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(view);
    ASSERT_NE(table, nullptr);
    QAccessibleTableInterface* cells = table->tableInterface();
    ASSERT_NE(cells, nullptr);
    QAccessibleInterface* name = cells->cellAt(0, 0);
    QAccessibleInterface* date = cells->cellAt(0, 1);
    ASSERT_NE(name, nullptr);
    ASSERT_NE(date, nullptr);
    EXPECT_TRUE(name->text(QAccessible::Name).startsWith(u"Recent, "_qs))
        << name->text(QAccessible::Name).toStdString();
    const QDateTime modified = QFileInfo(path).lastModified();
    EXPECT_EQ(date->text(QAccessible::Name), QLocale().toString(modified, QLocale::ShortFormat));
}

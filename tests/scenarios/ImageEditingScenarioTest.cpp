#include "ScenarioApp.h"

#include "lists/BXTableView.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/image/BXImageViewController.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMimeData>

using scenario::ScenarioApp;

namespace {

// A picture copied in another program, as the clipboard holds it.
void copyPicture()
{
    QImage picture(60, 40, QImage::Format_ARGB32);
    picture.fill(Qt::darkGreen);
    auto* data = new QMimeData;
    data->setImageData(picture);
    QGuiApplication::clipboard()->setMimeData(data);
}

} // namespace

// A picture in a note is edited from the Edit menu while the caret is just before it, and from
// a right click on it.
TEST(ImageEditingScenario, EditImageIsReachedFromTheMenuBarAndARightClick)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Pictures.brindlex");
    scenario::writeNotesFile(path, { QStringLiteral("Lake ") });
    BXMainWindowController* main = app.openDocument(path);
    ASSERT_NE(main, nullptr);
    BXTextView* text = main->noteTextView();
    ScenarioApp::clickRow(main->notesTableView(), 0);
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::editorText() == u"Lake "_qs; }));
    // The note's own selection comes back once it shows; the click comes after.
    ScenarioApp::idle(500);
    ScenarioApp::click(text->viewport());
    ScenarioApp::key(Qt::Key_End, Qt::ControlModifier);
    copyPicture();
    ScenarioApp::keys(QKeySequence::Paste);
    ASSERT_TRUE(ScenarioApp::waitUntil(
        [] { return ScenarioApp::editorText() == QStringLiteral("Lake ") + QChar(0xFFFC); }));
    const QRect picture = text->characterRect(5);
    ASSERT_FALSE(picture.isEmpty());

    const auto editorShows = [text] {
        return text->editingViewController() && text->editingViewController()->popoverVisible();
    };
    const auto closeEditor = [text] {
        QAbstractButton* cancel = ScenarioApp::buttonTitled(QStringLiteral("Cancel"));
        ASSERT_NE(cancel, nullptr);
        ScenarioApp::click(cancel);
        EXPECT_TRUE(ScenarioApp::waitUntil([text] { return !text->editingViewController(); }));
    };

    // The caret after the picture: nothing to edit from the menu bar; before it, the picture.
    const QStringList menuBarItem { QStringLiteral("Edit"), QStringLiteral("Edit Image…") };
    EXPECT_FALSE(ScenarioApp::isMenuItemEnabled(menuBarItem));
    ScenarioApp::key(Qt::Key_Left);
    ASSERT_TRUE(ScenarioApp::chooseMenuItem(menuBarItem));
    EXPECT_TRUE(ScenarioApp::waitUntil(editorShows));
    bxtest::saveScreenshot(
        main->mainWindow()->grab().toImage(), QStringLiteral("scenario-image-editor"));
    closeEditor();

    // A right click on either half of the picture, the caret elsewhere.
    ScenarioApp::key(Qt::Key_Home);
    for (const QPoint& point : { picture.center() - QPoint(picture.width() / 4, 0),
             picture.center() + QPoint(picture.width() / 4, 0) }) {
        ScenarioApp::whenPopUpMenuShows([](const QStringList& titles) {
            EXPECT_EQ(titles.value(0), QStringLiteral("Edit Image"))
                << titles.join(u',').toStdString();
            return QStringList { QStringLiteral("Edit Image") };
        });
        ScenarioApp::rightClick(text->viewport(), point);
        EXPECT_TRUE(ScenarioApp::waitUntil(editorShows));
        closeEditor();
    }
    bxtest::saveScreenshot(main->mainWindow()->grab().toImage(), QStringLiteral("scenario-image"));
}

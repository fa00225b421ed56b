#include "MainWindowFixture.h"

#include "mainwindow/image/BXImageViewController.h"

#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/BXPasteboardNoteDelegate.h"
#include "ui/BXAccessoryOwner.h"
#include "ui/BXProgressPanelController.h"
#include "ui/BXSavePanelController.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/documents/ProgressPanel.h"
#include "platform/foundation/TypeIdentifier.h"
#include "platform/foundation/UndoManager.h"
#include "platform/testing/FakePrintPresenter.h"
#include "platform/text/AttributedText.h"
#include "support/TestEnvironment.h"

#include <QAction>
#include <QBuffer>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QTest>
#include <QTextCursor>

using platform::AttributedText;
using platform::TextAttachment;
using platform::TypeIdentifier;

namespace {

class MainWindowWiringTest : public MainWindowFixture {
protected:
    // The first picture of `storage` and its place.
    static std::pair<qsizetype, TextAttachment> picture(const QTextDocument& storage)
    {
        const qsizetype index = AttributedText::string(storage).indexOf(QChar(0xFFFC));
        if (index < 0)
            return { -1, {} };
        QTextCursor cursor(const_cast<QTextDocument*>(&storage));
        cursor.setPosition(int(index) + 1);
        return { index, AttributedText::attachment(storage, cursor.charFormat()) };
    }

    static QString pdfText(const QString& path)
    {
        QProcess process;
        process.start(QStringLiteral("pdftotext"), { path, QStringLiteral("-") });
        if (!process.waitForFinished(30000))
            return {};
        return QString::fromUtf8(process.readAllStandardOutput());
    }

    // Sends `action` through the command router as a menu item would; false when disabled.
    static bool sendCommand(const QString& action)
    {
        QAction item;
        platform::CommandRouter::setAction(&item, action);
        if (!platform::CommandRouter::shared().validateSender(&item))
            return false;
        return platform::CommandRouter::shared().sendAction(&item);
    }
};

TEST_F(MainWindowWiringTest, PictureEditedUndoneRedoneSavedReopenedAndPrinted)
{
    makeFile({ QStringLiteral("Garden\nRoses by the wall."), QStringLiteral("Kitchen") });
    openWindow();
    select({ noteTitled(QStringLiteral("Garden")) });
    const qsizetype end = AttributedText::length(*textView->textStorage());
    textView->setFocus();
    textView->setSelectedRange({ end, 0 });
    QImage wide(40, 20, QImage::Format_ARGB32);
    wide.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    wide.save(&buffer, "PNG");
    auto* mime = new QMimeData;
    mime->setData(QStringLiteral("image/png"), png);
    QGuiApplication::clipboard()->setMimeData(mime);
    textView->paste();
    settle();
    const auto [index, pasted] = picture(*textView->textStorage());
    ASSERT_GE(index, 0);

    textView->editImage(index);
    QPointer<BXImageViewController> editor = textView->editingViewController();
    ASSERT_TRUE(editor);
    // The window's Undo and Redo act on the editor's steps while it shows.
    platform::UndoManager* undo = controller->windowWillReturnUndoManager();
    ASSERT_EQ(undo, editor->undoManager());
    editor->actionClicked(BXImageViewController::RotateRight);
    editor->sizeSliderAction(50);
    undo->undo();
    undo->redo();
    screenshot(QStringLiteral("integration-image-editor.png"));
    editor->okAction();
    settle();
    // The edit as a whole is one step of the document's.
    ASSERT_NE(controller->windowWillReturnUndoManager(), undo);
    EXPECT_EQ(
        controller->windowWillReturnUndoManager()->undoActionName(), QStringLiteral("Edit Image"));
    const TextAttachment edited = picture(*textView->textStorage()).second;
    const QImage editedImage = QImage::fromData(edited.contents);
    EXPECT_EQ(editedImage.size(), QSize(20, 40));
    EXPECT_EQ(edited.size, QSizeF(10, 20));

    save();
    closeWindow();
    openWindow();
    select({ noteTitled(QStringLiteral("Garden")) });
    const auto [reopenedIndex, reopened] = picture(*textView->textStorage());
    ASSERT_GE(reopenedIndex, 0);
    EXPECT_EQ(QImage::fromData(reopened.contents).size(), editedImage.size());
    EXPECT_EQ(reopened.size, edited.size);

    // A note switch cancels an open edit, leaving the picture as it was.
    textView->editImage(reopenedIndex);
    editor = textView->editingViewController();
    ASSERT_TRUE(editor);
    editor->actionClicked(BXImageViewController::RotateLeft);
    select({ noteTitled(QStringLiteral("Kitchen")) });
    EXPECT_TRUE(!editor || !editor->popoverVisible());
    select({ noteTitled(QStringLiteral("Garden")) });
    EXPECT_EQ(picture(*textView->textStorage()).second.contents, reopened.contents);

    // What prints is what the window showed when printing started.
    platform::FakePrintPresenter printer;
    ASSERT_TRUE(sendCommand(QStringLiteral("printDocument:")));
    ASSERT_TRUE(printer.isRunning());
    typeText(QStringLiteral("Lilies"));
    const QString pdf = bxtest::makeTempFolder() + QStringLiteral("/Garden.pdf");
    ASSERT_TRUE(printer.printToPdf(pdf));
    const QString printed = pdfText(pdf);
    EXPECT_TRUE(printed.contains(QStringLiteral("Roses by the wall."))) << printed.toStdString();
    EXPECT_FALSE(printed.contains(QStringLiteral("Lilies")));

    // Two selected notes print one after the other.
    select({ noteTitled(QStringLiteral("Garden")), noteTitled(QStringLiteral("Kitchen")) });
    ASSERT_TRUE(sendCommand(QStringLiteral("printDocument:")));
    ASSERT_TRUE(printer.printToPdf(pdf));
    const QString both = pdfText(pdf);
    EXPECT_LT(both.indexOf(QStringLiteral("Roses")), both.indexOf(QStringLiteral("Kitchen")));
}

TEST_F(MainWindowWiringTest, DroppedFolderExportedNotesAndADraggedNoteReachTheDisk)
{
    BXSavePanelController::install();
    int panelsMade = 0;
    platform::ProgressPanel::setMaker([&panelsMade] {
        ++panelsMade;
        return std::make_shared<BXProgressPanelController>();
    });
    makeFile({ QStringLiteral("Alpha\nFirst."), QStringLiteral("Beta\nSecond.") });
    openWindow();

    // A folder of twenty files dropped on the list: asked once, imported under the sheet with
    // the damaged one counted in the closing report, the new notes selected.
    const QString dropped = bxtest::makeTempFolder() + QStringLiteral("/Dropped");
    ASSERT_TRUE(QDir().mkpath(dropped));
    for (int i = 1; i <= 19; ++i) {
        QFile file(dropped + QStringLiteral("/Item %1.txt").arg(i, 2, 10, QLatin1Char('0')));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("Item %1\nDropped.").arg(i).toUtf8());
    }
    QFile junk(dropped + QStringLiteral("/Broken.rtf"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray("{\\rtf1 \0\xff\xfe", 10));
    junk.close();
    const qsizetype before = controller->notesController()->arrangedObjects().size();
    controller->notesController()->askToImportFiles({ QUrl::fromLocalFile(dropped) });
    const auto reported = [&] {
        for (const auto& shown : alerts.shown())
            if (shown.alert.messageText == QStringLiteral("Some files were not imported."))
                return true;
        return false;
    };
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            settle();
            return reported()
                && controller->notesController()->arrangedObjects().size() >= before + 19;
        },
        60000));
    EXPECT_TRUE(alerts.shown().back().alert.informativeText.startsWith(
        QStringLiteral("1 of the chosen files")))
        << alerts.shown().back().alert.informativeText.toStdString();
    alerts.answerSheet(controller->mainWindow(), 0);
    settle(1);
    EXPECT_EQ(panelsMade, 1);
    EXPECT_EQ(controller->notesController()->arrangedObjects().size(), before + 19);
    EXPECT_EQ(controller->selectedNotes().size(), 19);

    // Two notes exported through the Export… command, the format chosen in the accessory.
    const QString out = bxtest::makeTempFolder();
    select({ noteTitled(QStringLiteral("Alpha")), noteTitled(QStringLiteral("Beta")) });
    struct Export {
        QString format;
        QString folder;
        QString extension;
    };
    const Export exports[] = { { TypeIdentifier::OpenDocumentText, out + "/odt", "odt" },
        { TypeIdentifier::WordDocument, out + "/doc", "doc" } };
    for (const Export& step : exports) {
        SCOPED_TRACE(step.extension.toStdString());
        ASSERT_TRUE(QDir().mkpath(step.folder));
        ASSERT_TRUE(sendCommand(QStringLiteral("exportNotes:")));
        platform::FakeAlertPresenter::PanelState* panel
            = alerts.pendingPanel(controller->mainWindow());
        ASSERT_TRUE(panel);
        auto* owner
            = alerts.shownPanels().back().panel.accessoryView->findChild<BXAccessoryOwner*>();
        ASSERT_TRUE(owner);
        const int format = owner->formatsPopup()->findData(step.format);
        owner->formatsPopup()->setCurrentIndex(format);
        owner->fileFormatsPopupSelected(format);
        screenshot(QStringLiteral("integration-export-") + step.extension + QStringLiteral(".png"));
        ASSERT_TRUE(alerts.answerPanelSheet(
            controller->mainWindow(), { true, { QUrl::fromLocalFile(step.folder) } }));
        settle();
        EXPECT_EQ(QDir(step.folder).entryList(QDir::Files),
            (QStringList { "Alpha." + step.extension, "Beta." + step.extension }));
    }

    // A note dragged out of the list becomes a real file.
    BXPasteboardNoteDelegate& rows = *controller->notesController();
    const auto id = noteTitled(QStringLiteral("Beta"))->objectID();
    const QString dragged = out + QStringLiteral("/Beta.rtf");
    platform::Error error;
    ASSERT_TRUE(rows.writePromisedFile(id, rows.fileType(), dragged, &error))
        << error.toString().toStdString();
    QFile file(dragged);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("Second."));

    save();
    closeWindow();
    openWindow();
    EXPECT_EQ(controller->notesController()->arrangedObjects().size(), before + 19);
    EXPECT_TRUE(noteTitled(QStringLiteral("Item 19")));
    platform::ProgressPanel::setMaker({});
}

} // namespace

#include "mainwindow/image/BXImageViewController.h"
#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/editor/BXTextViewDelegate.h"

#include "document/BXDefaults.h"
#include "document/BXDocument.h"
#include "document/model/BXNote.h"
#include "document/DocumentWindowsTestSupport.h"
#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/FilePromiseMimeData.h"
#include "platform/data/FetchRequest.h"
#include "platform/documents/WindowController.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/UndoManager.h"
#include "platform/testing/FakeAlertPresenter.h"
#include "platform/testing/FakeScheduler.h"
#include "platform/testing/FakeUserInput.h"
#include "platform/text/AttributedText.h"
#include "platform/text/SpellChecker.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QTest>
#include <QTextCursor>

using platform::AttributedText;
using platform::TextAttachment;

namespace {

class RecordingDelegate : public BXTextViewDelegate {
public:
    platform::UndoManager* undoManagerForTextView(platform::TextView*) override
    {
        return &undoManager;
    }
    QString currentNoteName() override { return QStringLiteral("Photos"); }
    bool commitTextViewEditing(BXTextView*) override { return true; }
    void discardTextViewEditing(BXTextView*) override { }
    std::optional<bool> textShouldBeginEditing(BXTextView*) override { return mayBegin; }
    void textDidBeginEditing(BXTextView*) override { calls << QStringLiteral("begin"); }
    void textDidEndEditing(BXTextView*) override { calls << QStringLiteral("end"); }
    void textViewMenu(BXTextView* view, QMenu* menu, qsizetype) override
    {
        const auto index = view->indexOfSelectedImage();
        if (!addsEditImage || !index)
            return;
        auto* item = new QAction(QStringLiteral("Edit Image…"), menu);
        platform::CommandRouter::setAction(item, QStringLiteral("editImage:"));
        platform::CommandRouter::setRepresentedObject(item, QVariant::fromValue(qlonglong(*index)));
        menu->insertAction(menu->actions().value(0), item);
    }

    platform::UndoManager undoManager;
    QStringList calls;
    bool mayBegin = true;
    bool addsEditImage = false;
};

QByteArray png(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QImage solid(int width, int height, const QColor& colour)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

class BXTextViewAttachmentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        BXDefaults::registerDefaults();
        storage = AttributedText::makeDocument();
        view = new BXTextView(&window, &speller);
        window.resize(480, 320);
        view->resize(480, 320);
        view->setDelegate(&delegate);
        view->setTextStorage(storage.get());
        window.show();
    }

    // "ab<picture>cd", the picture named `fileName`.
    void setTextWithPicture(const QByteArray& contents, const QString& fileName)
    {
        auto source = AttributedText::makeDocument();
        QTextCursor cursor(source.get());
        cursor.insertText(QStringLiteral("ab"));
        AttributedText::insertAttachment(cursor, { contents, fileName, QSizeF(8, 4) });
        cursor.insertText(QStringLiteral("cd"));
        view->setAttributedString(*source);
    }
    TextAttachment attachmentInStorage(int index) const
    {
        QTextCursor cursor(storage.get());
        cursor.setPosition(index + 1);
        return AttributedText::attachment(*storage, cursor.charFormat());
    }
    void drop(QMimeData* mime)
    {
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, mime, Qt::LeftButton, {});
        QApplication::sendEvent(view->viewport(), &enter);
        QDropEvent event(QPointF(5, 5), Qt::CopyAction, mime, Qt::LeftButton, {});
        QApplication::sendEvent(view->viewport(), &event);
        dropAccepted = event.isAccepted();
    }
    QString writeFile(const QString& name, const QByteArray& contents)
    {
        const QString path = QDir(folder).filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(contents);
        return path;
    }

    platform::FakeScheduler scheduler;
    platform::FakeUserInput input;
    platform::FakeAlertPresenter alerts;
    platform::SpellChecker speller { QStringLiteral("en_US") };
    RecordingDelegate delegate;
    std::unique_ptr<QTextDocument> storage;
    QWidget window;
    BXTextView* view = nullptr;
    QString folder = bxtest::makeTempFolder();
    bool dropAccepted = false;
};

TEST_F(BXTextViewAttachmentTest, EditImageIsOfferedForACaretBeforeOrTheOnePicture)
{
    setTextWithPicture(png(solid(8, 4, Qt::red)), QStringLiteral("red.png"));
    const struct {
        platform::TextRange selection;
        std::optional<qsizetype> index;
    } cases[] = {
        { { 2, 0 }, 2 },
        { { 2, 1 }, 2 },
        { { 1, 2 }, std::nullopt },
        { { 3, 0 }, std::nullopt },
        { { 0, 0 }, std::nullopt },
    };
    QAction item;
    platform::CommandRouter::setAction(&item, QStringLiteral("editImage:"));
    platform::CommandRouter::setTarget(&item, view);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.selection.location * 10 + c.selection.length);
        view->setSelectedRange(c.selection);
        EXPECT_EQ(view->indexOfSelectedImage(), c.index);
        EXPECT_EQ(platform::CommandRouter::shared().validateSender(&item), c.index.has_value());
        if (c.index) {
            EXPECT_EQ(platform::CommandRouter::representedObject(&item).toLongLong(), *c.index);
        }
        std::unique_ptr<QMenu> menu(view->menuForEvent(QPoint(2, 2)));
        const auto actions = menu->actions();
        const bool offered = std::any_of(actions.begin(), actions.end(), [](QAction* action) {
            return platform::CommandRouter::action(action) == u"editImage:"_qs;
        });
        EXPECT_EQ(offered, c.index.has_value());
    }

    // When the window's own item is there already, the view adds no second one.
    delegate.addsEditImage = true;
    view->setSelectedRange({ 2, 0 });
    std::unique_ptr<QMenu> menu(view->menuForEvent(QPoint(2, 2)));
    const auto actions = menu->actions();
    EXPECT_EQ(std::count_if(actions.begin(), actions.end(),
                  [](QAction* action) {
                      return platform::CommandRouter::action(action) == u"editImage:"_qs;
                  }),
        1);
}

TEST_F(BXTextViewAttachmentTest, EditingAPictureIsOneNamedUndoStepThatKeepsTheFileName)
{
    const QByteArray red = png(solid(8, 4, Qt::red));
    setTextWithPicture(red, QStringLiteral("holiday.jpg"));
    view->setImage(solid(4, 8, Qt::blue), QSizeF(2, 4), 2);
    scheduler.runUntilIdle();
    EXPECT_EQ(delegate.calls, (QStringList { u"begin"_qs, u"end"_qs }));
    const TextAttachment edited = attachmentInStorage(2);
    EXPECT_EQ(edited.fileName, QStringLiteral("holiday.jpg"));
    EXPECT_EQ(QImage::fromData(edited.contents).pixelColor(0, 0), QColor(Qt::blue));
    EXPECT_EQ(edited.size, QSizeF(2, 4));
    EXPECT_EQ(AttributedText::string(*storage), QStringLiteral("ab\uFFFCcd"));
    EXPECT_EQ(delegate.undoManager.undoActionName(), QStringLiteral("Edit Image"));

    delegate.undoManager.undo();
    scheduler.runUntilIdle();
    EXPECT_EQ(attachmentInStorage(2).contents, red);
    EXPECT_EQ(delegate.undoManager.redoActionName(), QStringLiteral("Edit Image"));
    delegate.undoManager.redo();
    scheduler.runUntilIdle();
    EXPECT_EQ(attachmentInStorage(2).contents, edited.contents);
    EXPECT_EQ(delegate.undoManager.undoActionName(), QStringLiteral("Edit Image"));

    // A replacement where there is no picture changes nothing, but is still announced.
    delegate.calls.clear();
    view->setImage(solid(4, 8, Qt::blue), QSizeF(2, 4), 0);
    EXPECT_EQ(AttributedText::string(*storage), QStringLiteral("ab\uFFFCcd"));
    EXPECT_EQ(delegate.calls, (QStringList { u"begin"_qs, u"end"_qs }));
}

TEST_F(BXTextViewAttachmentTest, AnUndoLeftFromAnotherNoteNeverWritesIntoTheShownOne)
{
    setTextWithPicture(png(solid(8, 4, Qt::red)), QStringLiteral("red.png"));
    view->setImage(solid(4, 8, Qt::blue), QSizeF(2, 4), 2);
    scheduler.runUntilIdle();
    ASSERT_TRUE(delegate.undoManager.canUndo());
    auto other = AttributedText::makeDocument();
    QTextCursor(other.get()).insertText(QStringLiteral("xy"));
    QTextCursor cursor(other.get());
    cursor.setPosition(2);
    AttributedText::insertAttachment(cursor, { png(solid(8, 4, Qt::green)), u"g.png"_qs, {} });
    view->setTextStorage(other.get());
    storage.reset();
    const QByteArray before = png(solid(8, 4, Qt::green));
    if (delegate.undoManager.canUndo())
        delegate.undoManager.undo();
    QTextCursor at(other.get());
    at.setPosition(3);
    EXPECT_EQ(AttributedText::attachment(*other, at.charFormat()).contents, before);
    EXPECT_EQ(AttributedText::string(*other), QStringLiteral("xy\uFFFC"));
}

TEST_F(BXTextViewAttachmentTest, TheEditorOpensOnAPictureOnlyWhenItMayAndItDecodes)
{
    setTextWithPicture(png(solid(8, 4, Qt::red)), QStringLiteral("red.png"));
    delegate.mayBegin = false;
    view->editImage(2);
    EXPECT_FALSE(view->editingViewController());
    delegate.mayBegin = true;
    view->editImage(2);
    QPointer<BXImageViewController> editor = view->editingViewController();
    ASSERT_TRUE(editor);
    EXPECT_TRUE(editor->popoverVisible());
    view->editImage(2);
    EXPECT_EQ(view->editingViewController(), editor);
    editor->actionClicked(BXImageViewController::RotateRight);
    editor->okAction();
    EXPECT_FALSE(view->editingViewController());
    const QImage turned = QImage::fromData(attachmentInStorage(2).contents);
    EXPECT_EQ(turned.size(), QSize(4, 8));
    EXPECT_EQ(attachmentInStorage(2).size, QSizeF(4, 8));
    EXPECT_TRUE(alerts.shown().empty());

    // A picture whose header reads but whose data is damaged opens no editor.
    QByteArray damaged = png(solid(8, 4, Qt::red));
    damaged.truncate(40);
    setTextWithPicture(damaged, QStringLiteral("broken.png"));
    view->editImage(2);
    EXPECT_FALSE(view->editingViewController());
    ASSERT_EQ(alerts.shown().size(), 1u);
    EXPECT_EQ(alerts.shown()[0].alert.messageText, QStringLiteral("The image cannot be edited."));
    EXPECT_EQ(attachmentInStorage(2).contents, damaged);
}

TEST_F(BXTextViewAttachmentTest, ACopiedPictureCarriesItsImageAndItsFileTakenAtTheStart)
{
    const QByteArray red = png(solid(8, 4, Qt::red));
    const struct {
        QString fileName;
        QString promised;
        QString mimeType;
    } cases[] = {
        { u"red.png"_qs, u"red.png"_qs, u"image/png"_qs },
        { u""_qs, u"Attachment"_qs, u"application/octet-stream"_qs },
        { u"notes.pdf"_qs, u"notes.pdf"_qs, u"application/pdf"_qs },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fileName.toStdString());
        setTextWithPicture(red, c.fileName);
        view->setSelectedRange({ 2, 1 });
        std::unique_ptr<QMimeData> mime(view->mimeDataForSelectedAttachment());
        ASSERT_TRUE(mime);
        EXPECT_EQ(QImage::fromData(mime->data(u"image/png"_qs)).pixelColor(0, 0), QColor(Qt::red));
        EXPECT_FALSE(QImage::fromData(mime->data(u"image/tiff"_qs), "TIFF").isNull());
        EXPECT_TRUE(mime->hasFormat(c.mimeType));
        // Deselected and deleted before the drop asks for the file: it is still whole.
        view->setSelectedRange({ 0, 0 });
        view->setAttributedString(*AttributedText::makeDocument());
        const auto* promise = dynamic_cast<platform::FilePromiseMimeData*>(mime.get());
        ASSERT_TRUE(promise);
        const QList<QUrl> urls = promise->promise()->fulfil(bxtest::makeTempFolder());
        ASSERT_EQ(urls.size(), 1);
        EXPECT_EQ(QFileInfo(urls[0].toLocalFile()).fileName(), c.promised);
        QFile written(urls[0].toLocalFile());
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_EQ(written.readAll(), red);
    }
    setTextWithPicture(red, u"red.png"_qs);
    view->setSelectedRange({ 1, 2 });
    EXPECT_EQ(view->mimeDataForSelectedAttachment(), nullptr);
}

TEST_F(BXTextViewAttachmentTest, DroppedTextFilesAreOfferedOnceForImport)
{
    const struct {
        QStringList files;
        int answer;
        int asked;
    } cases[] = {
        { { u"NOTES.TXT"_qs }, 0, 1 },
        { { u"a.md"_qs, u"b.md"_qs, u"c.md"_qs }, 0, 1 },
        { { u"plan.Markdown"_qs }, 1, 1 },
        { { u"data.bin"_qs }, 0, 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.files.join(u' ').toStdString());
        QList<QUrl> urls;
        for (const QString& name : c.files)
            urls << QUrl::fromLocalFile(writeFile(name, "# Title\n"));
        const size_t before = alerts.shown().size();
        alerts.enqueueModalAnswer(c.answer);
        auto* mime = new QMimeData;
        mime->setUrls(urls);
        drop(mime);
        delete mime;
        ASSERT_EQ(alerts.shown().size(), before + c.asked);
        if (c.asked) {
            const platform::Alert& alert = alerts.shown().back().alert;
            EXPECT_EQ(alert.style, platform::AlertStyle::Informational);
            EXPECT_EQ(alert.messageText, platform::localized(u"alertImportFileTitle"_qs));
            EXPECT_EQ(alert.buttonTitles.size(), 2);
        }
        EXPECT_EQ(dropAccepted, c.asked == 1);
        EXPECT_EQ(AttributedText::length(*storage), 0);
    }
}

// With two documents open, a file dropped on a note goes into the document of that note's
// window, not whichever is in front; the new note is selected in that window's list 0.3 s
// later.
TEST_F(BXTextViewAttachmentTest, AnImportedDropLandsInTheViewsOwnDocument)
{
    BXDocument front;
    BXDocument own;
    platform::WindowController frontController;
    documentwindowstest::TestMainWindowController ownController;
    QWidget frontWindow;
    frontController.setWindow(&frontWindow);
    ownController.setWindow(&window);
    front.addWindowController(&frontController);
    own.addWindowController(&ownController);
    frontWindow.show();
    QApplication::setActiveWindow(&frontWindow);

    const auto noteCount = [](BXDocument& document) {
        return document.managedObjectContext()->countForFetchRequest(
            platform::FetchRequest(BXNote::entityName()), nullptr);
    };
    const qsizetype before = noteCount(own);
    auto* mime = new QMimeData;
    mime->setUrls({ QUrl::fromLocalFile(writeFile(u"Trip.md"_qs, "# Trip\n\nPack the tent.\n")) });
    drop(mime);
    delete mime;
    EXPECT_TRUE(QTest::qWaitFor([&] {
        scheduler.runUntilIdle();
        return noteCount(own) > before;
    }));
    EXPECT_EQ(noteCount(own), before + 1);
    EXPECT_EQ(noteCount(front), 0);
    EXPECT_TRUE(ownController.shownNotes.isEmpty());
    EXPECT_TRUE(QTest::qWaitFor([&] {
        scheduler.advance(0.1);
        return !ownController.shownNotes.isEmpty();
    }));
    ASSERT_EQ(ownController.shownNotes.size(), 1);
    EXPECT_EQ(ownController.shownNotes[0]->valueForKey(u"noteTitle"_qs).toString(), u"Trip"_qs);
    EXPECT_TRUE(ownController.scrolled);
    own.removeWindowController(&ownController);
    front.removeWindowController(&frontController);
}

TEST_F(BXTextViewAttachmentTest, DroppedPicturesBecomeAttachmentsAndTextIsPasted)
{
    const QByteArray blue = png(solid(6, 3, Qt::blue));
    auto* mime = new QMimeData;
    mime->setUrls({ QUrl::fromLocalFile(writeFile(u"Sky.png"_qs, blue)),
        QUrl(u"https://example.com/x.png"_qs) });
    drop(mime);
    delete mime;
    EXPECT_TRUE(dropAccepted);
    ASSERT_EQ(AttributedText::string(*storage), QStringLiteral("\uFFFC"));
    EXPECT_EQ(attachmentInStorage(0).fileName, u"Sky.png"_qs);
    EXPECT_EQ(attachmentInStorage(0).contents, blue);

    QByteArray damaged = blue;
    damaged.truncate(40);
    mime = new QMimeData;
    mime->setUrls({ QUrl::fromLocalFile(writeFile(u"bad.png"_qs, damaged)) });
    drop(mime);
    delete mime;
    EXPECT_FALSE(dropAccepted);
    EXPECT_EQ(input.beepCount(), 1);

    mime = new QMimeData;
    mime->setUrls({ QUrl(u"https://example.com/page.txt"_qs) });
    drop(mime);
    delete mime;
    EXPECT_FALSE(dropAccepted);
    EXPECT_TRUE(alerts.shown().empty());

    mime = new QMimeData;
    mime->setText(u"hello"_qs);
    drop(mime);
    delete mime;
    EXPECT_TRUE(dropAccepted);
    EXPECT_TRUE(AttributedText::string(*storage).contains(u"hello"_qs));
    EXPECT_EQ(AttributedText::length(*storage), 6);
}

TEST_F(BXTextViewAttachmentTest, PastedPictureDataThatDoesNotDecodeBeepsAndInsertsNothing)
{
    auto* mime = new QMimeData;
    mime->setData(u"image/png"_qs, QByteArray("\x89PNG\r\n\x1a\n garbage", 17));
    QGuiApplication::clipboard()->setMimeData(mime);
    view->paste();
    EXPECT_EQ(input.beepCount(), 1);
    EXPECT_EQ(AttributedText::length(*storage), 0);
}

} // namespace

namespace {

TEST_F(BXTextViewAttachmentTest, ScreenshotOfTheEditorOverANote)
{
    QImage photo(160, 100, QImage::Format_ARGB32);
    photo.fill(QColor(90, 160, 220));
    QPainter painter(&photo);
    painter.setBrush(QColor(250, 210, 60));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPoint(120, 30), 18, 18);
    painter.setBrush(QColor(60, 140, 70));
    painter.drawRect(0, 70, 160, 30);
    painter.end();
    auto source = AttributedText::makeDocument();
    QTextCursor cursor(source.get());
    cursor.insertText(QStringLiteral("Holiday pictures\n\nFirst day at the lake. We got there late "
                                     "and put the tent up in the dark.\n\n"));
    AttributedText::insertAttachment(cursor, { png(photo), u"lake.png"_qs, QSizeF(120, 75) });
    cursor.insertText(QStringLiteral("\nThe lake in the morning, before anyone was up."));
    view->setAttributedString(*source);
    window.resize(560, 380);
    view->resize(560, 380);
    QApplication::processEvents();
    view->editImage(AttributedText::string(*storage).indexOf(QChar(0xFFFC)));
    BXImageViewController* editor = view->editingViewController();
    ASSERT_TRUE(editor);
    editor->actionClicked(BXImageViewController::RotateRight);
    QApplication::processEvents();
    // The popover is a window of its own: both are drawn where the screen has them.
    const QRect windowArea = window.geometry();
    const QRect popoverArea = editor->popover()->geometry();
    const QRect area = windowArea.united(popoverArea).adjusted(-8, -8, 8, 8);
    QImage shot(area.size(), QImage::Format_ARGB32);
    shot.fill(Qt::darkGray);
    QPainter composed(&shot);
    composed.drawImage(windowArea.topLeft() - area.topLeft(), window.grab().toImage());
    composed.drawImage(popoverArea.topLeft() - area.topLeft(), editor->popover()->grab().toImage());
    composed.end();
    bxtest::saveScreenshot(shot, u"image-editor"_qs);
    editor->cancelEdit();
}

} // namespace

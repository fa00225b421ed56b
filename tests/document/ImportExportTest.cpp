#include "NotesFileTestSupport.h"

#include "document/BXDefaults.h"
#include "document/BXDocument.h"
#include "document/model/BXCategory.h"
#include "document/transfer/BXNoteCopier.h"
#include "document/transfer/BXNoteImport.h"
#include "document/transfer/MarkdownExporter.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/documents/WindowController.h"
#include "platform/foundation/TypeIdentifier.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/testing/FakeAlertPresenter.h"
#include "platform/testing/FakeScheduler.h"
#include "platform/text/AttributedText.h"
#include "platform/text/HtmlImageLoader.h"
#include "platform/text/RichTextTestSupport.h"
#include "platform/text/RtfWriter.h"
#include "platform/text/TextEncoding.h"
#include "ui/BXProgressPanelController.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using platform::ManagedObjectPtr;
using platform::TextEncoding;
using platform::TypeIdentifier;

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

QByteArray rtf(const QString& text)
{
    return QStringLiteral("{\\rtf1\\ansi{\\fonttbl\\f0 Helvetica;}\\f0 %1\\par}")
        .arg(text)
        .toLatin1();
}

// "name: text" of each note, sorted.
QStringList contentsOf(const QList<ManagedObjectPtr>& notes)
{
    QStringList contents;
    for (const ManagedObjectPtr& object : notes) {
        const auto* note = static_cast<BXNote*>(object.get());
        contents << note->noteName() + QStringLiteral(": ") + note->noteText().trimmed();
    }
    contents.sort();
    return contents;
}

class ImportExportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        BXDefaults::registerDefaults();
        MarkdownExporter::registerTextFormat();
        // Counts the panels the operations ask for.
        platform::ProgressPanel::setMaker([this] {
            ++panelsMade;
            auto panel = std::make_shared<BXProgressPanelController>();
            lastPanel = panel;
            return panel;
        });
        folder = bxtest::makeTempFolder();
        document = std::make_unique<BXDocument>();
        const platform::Error error = notesfiletest::save(*document,
            notesfiletest::packageURL(folder, QStringLiteral("Notes")),
            platform::SaveOperation::SaveAs);
        ASSERT_TRUE(error.isNull()) << error.toString().toStdString();
    }

    void TearDown() override
    {
        document->close();
        platform::ProgressPanel::setMaker({});
    }

    QString makeFolder(const QString& name)
    {
        const QString path = folder + QLatin1Char('/') + name;
        EXPECT_TRUE(QDir().mkpath(path));
        return path;
    }

    QList<ManagedObjectPtr> import(const QList<QUrl>& urls,
        const QList<ManagedObjectPtr>& categories = {}, BXDocument* into = nullptr)
    {
        bool done = false;
        QList<ManagedObjectPtr> notes;
        (into ? into : document.get())
            ->importNotesAtURLs(urls, categories, [&](QList<ManagedObjectPtr> newNotes) {
                EXPECT_TRUE(platform::isMainThread());
                notes = newNotes;
                done = true;
            });
        EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 60000));
        return notes;
    }

    QList<ManagedObjectPtr> addNotes(int count, const QString& prefix)
    {
        QList<ManagedObjectPtr> notes;
        for (int i = 1; i <= count; ++i)
            notes << notesfiletest::addNote(*document, prefix + QString::number(i));
        return notes;
    }

    platform::FakeAlertPresenter alerts;
    QString folder;
    std::unique_ptr<BXDocument> document;
    int panelsMade = 0;
    std::weak_ptr<BXProgressPanelController> lastPanel;
};

TEST_F(ImportExportTest, SixteenFilesOrOneBigFileUseThePanelFifteenSmallDoNot)
{
    for (const int count : { 15, 16 }) {
        SCOPED_TRACE(count);
        panelsMade = 0;
        const QString files = makeFolder(QStringLiteral("files%1").arg(count));
        for (int i = 0; i < count; ++i)
            writeFile(files + QStringLiteral("/n%1.txt").arg(i, 2, 10, QLatin1Char('0')),
                QByteArray("text ") + QByteArray::number(i));
        const QList<ManagedObjectPtr> notes = import({ QUrl::fromLocalFile(files) });
        EXPECT_EQ(notes.size(), count);
        EXPECT_EQ(panelsMade, count == 16 ? 1 : 0);
        for (const ManagedObjectPtr& note : notes) {
            EXPECT_EQ(note->managedObjectContext(), document->managedObjectContext());
            EXPECT_TRUE(static_cast<BXNote*>(note.get())->lastImportFlag());
        }
    }
    // Each import moves the mark: only the latest sixteen carry it.
    platform::FetchRequest flagged(BXNote::entityName());
    flagged.setPredicate(
        platform::Predicate::predicateWithFormat(QStringLiteral("lastImportFlag = YES")));
    EXPECT_EQ(document->managedObjectContext()->countForFetchRequest(flagged, nullptr), 16);

    // One big file takes the panel too: reading it would hold the main thread.
    panelsMade = 0;
    const QString big = makeFolder(QStringLiteral("big"));
    writeFile(big + QStringLiteral("/big.txt"), QByteArray(BXNoteImport::PanelBytes, 'x'));
    EXPECT_EQ(import({ QUrl::fromLocalFile(big) }).size(), 1);
    EXPECT_EQ(panelsMade, 1);

    // Additions and exports count the same way.
    for (const int count : { 15, 16 }) {
        SCOPED_TRACE(count);
        panelsMade = 0;
        const QList<ManagedObjectPtr> sources = addNotes(count, QStringLiteral("Copy me "));
        bool done = false;
        QList<ManagedObjectPtr> copies;
        document->addNotes(sources, std::nullopt, [&](QList<ManagedObjectPtr> made) {
            copies = made;
            done = true;
        });
        ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 30000));
        EXPECT_EQ(copies.size(), count);
        EXPECT_EQ(panelsMade, count == 16 ? 1 : 0);

        panelsMade = 0;
        const QString out = makeFolder(QStringLiteral("out%1").arg(count));
        QStringList names;
        document->exportNotes(sources, QUrl::fromLocalFile(out), &names);
        EXPECT_EQ(names.size(), count == 16 ? 0 : 15);
        EXPECT_EQ(panelsMade, count == 16 ? 1 : 0);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return QDir(out).entryList(QDir::Files).size() == count; }, 30000));
    }
}

TEST_F(ImportExportTest, ProgressReadsWholePercentsAndOnlyMovesForward)
{
    EXPECT_EQ(platform::ProgressPanel::percentOf(1, 3), 33);
    EXPECT_EQ(platform::ProgressPanel::percentOf(2, 3), 66);
    EXPECT_EQ(platform::ProgressPanel::percentOf(3, 3), 100);
    EXPECT_EQ(platform::ProgressPanel::percentOf(1, 10000), 0);

    auto panel = std::make_shared<BXProgressPanelController>();
    panel->setProgressBarValue(-1);
    EXPECT_EQ(panel->progressBarValue(), -1);
    // The first count makes an indeterminate bar determinate, even at 0 %.
    panel->postProgress(0, QStringLiteral("first"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel->progressBarValue() == 0; }));
    panel->postProgress(50, QStringLiteral("a"));
    panel->postProgress(40, QStringLiteral("b"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel->details() == QLatin1String("b"); }));
    EXPECT_EQ(panel->progressBarValue(), 50);
    panel->setMessage({});
    EXPECT_EQ(panel->message(), QString());
}

TEST_F(ImportExportTest, ProgressPostedBeforeASheetEndsMayArriveAfterItsDialogWent)
{
    // Progress goes through the scheduler and the end through the event queue, so the sheet
    // can be gone when the last progress arrives.
    platform::FakeScheduler scheduler;
    QWidget parent;
    parent.show();
    auto panel = std::make_shared<BXProgressPanelController>();
    QPointer<QDialog> dialog = panel->window();
    panel->runWithWindow(&parent,
        [](const QVariantMap& dictionary) {
            const platform::ProgressPanel::Ref running
                = platform::ProgressPanel::fromDictionary(dictionary);
            running->postProgress(50, QStringLiteral("Last.txt"));
            running->endProgress();
        },
        {});
    ASSERT_TRUE(QTest::qWaitFor([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return !dialog;
    }));
    scheduler.runUntilIdle();
    EXPECT_EQ(panel->progressBarValue(), 0.0);
    for (QWidget* window : QApplication::topLevelWidgets())
        EXPECT_NE(window->objectName(), QStringLiteral("BXProgressPanel"));
}

TEST_F(ImportExportTest, StopNoticedAtTheTwentiethOfFortyKeepsNineteenCopies)
{
    const QList<ManagedObjectPtr> sources = addNotes(40, QStringLiteral("Source "));
    static_cast<BXNote*>(sources.at(0).get())->setNoteStyles({});
    auto panel = std::make_shared<BXProgressPanelController>();
    platform::ManagedObjectContext* context = document->managedObjectContext();
    int saves = 0;
    QList<int> batchSizes;
    int sinceSave = 0;
    const QList<ManagedObjectPtr> copies = BXNoteCopier::copyNotes(
        sources, QStringLiteral("Importing note:"), panel.get(),
        [&](const ManagedObjectPtr& source) {
            ++sinceSave;
            const ManagedObjectPtr copy
                = BXNote::noteWithNote(static_cast<BXNote*>(source.get()), context, {});
            // The user presses Stop while the 19th note is being copied.
            if (sinceSave + 15 * saves == 19)
                panel->stop();
            return copy;
        },
        [&](platform::Error* error) {
            ++saves;
            batchSizes << sinceSave;
            sinceSave = 0;
            return context->save(error);
        });
    EXPECT_EQ(copies.size(), 19);
    EXPECT_EQ(batchSizes, QList<int>({ 15, 4 }));
    EXPECT_FALSE(context->hasChanges());
}

TEST_F(ImportExportTest, ModalPanelRunsItsTaskAndEndsWithIt)
{
    auto panel = std::make_shared<BXProgressPanelController>();
    bool ranOnWorker = false;
    // Returns only once the task has ended the panel.
    panel->runWithWindow(nullptr,
        [&](const QVariantMap& dictionary) {
            ranOnWorker = !platform::isMainThread();
            const platform::ProgressPanel::Ref running
                = platform::ProgressPanel::fromDictionary(dictionary);
            running->postMessage(QStringLiteral("Working"));
            running->endProgress();
        },
        {});
    EXPECT_TRUE(ranOnWorker);
    EXPECT_TRUE(panel->stopped());
    EXPECT_FALSE(panel->window()->isVisible());

    // Stop on a modal panel closes it at once; the task finishes its unit afterwards.
    auto stopped = std::make_shared<BXProgressPanelController>();
    QTimer::singleShot(0, stopped->stopButton(), &QPushButton::click);
    std::atomic<bool> finished = false;
    stopped->runWithWindow(nullptr,
        [&finished](const QVariantMap& dictionary) {
            const platform::ProgressPanel::Ref running
                = platform::ProgressPanel::fromDictionary(dictionary);
            while (!running->stopped())
                QThread::yieldCurrentThread();
            running->endProgress();
            finished = true;
        },
        {});
    EXPECT_TRUE(stopped->stopped());
    EXPECT_TRUE(QTest::qWaitFor([&] { return finished.load(); }));
}

TEST_F(ImportExportTest, SheetPanelOverTheDocumentWindow)
{
    QWidget window;
    window.resize(640, 420);
    window.setWindowTitle(QStringLiteral("Notes"));
    window.show();
    platform::WindowController controller;
    controller.setWindow(&window);
    document->addWindowController(&controller);

    auto panel = std::make_shared<BXProgressPanelController>();
    std::atomic<bool> release = false;
    panel->runWithWindow(&window,
        [&release](const QVariantMap& dictionary) {
            const platform::ProgressPanel::Ref running
                = platform::ProgressPanel::fromDictionary(dictionary);
            running->postWindowTitle(QStringLiteral("Import"));
            running->postMessage(QStringLiteral("Importing file:"));
            running->postProgress(40, QStringLiteral("Shopping list.md"));
            while (!release && !running->stopped())
                QThread::yieldCurrentThread();
            running->endProgress();
        },
        {});
    // The sheet returns at once and shows the task's progress.
    EXPECT_TRUE(panel->isSheet());
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel->progressBarValue() == 40; }));
    EXPECT_EQ(panel->message(), QStringLiteral("Importing file:"));
    EXPECT_TRUE(panel->window()->isVisible());
    bxtest::saveScreenshot(panel->window()->grab().toImage(), QStringLiteral("progress-sheet"));
    // Stop on a sheet only asks; the task ends it.
    panel->stopButton()->click();
    EXPECT_TRUE(panel->stopped());
    QPointer<QDialog> sheet = panel->window();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !sheet || !sheet->isVisible(); }));
    document->removeWindowController(&controller);
}

// A line far longer than a paragraph a view lays out, and a short one after it: every
// character comes in, and all of it in the plain style.
TEST_F(ImportExportTest, PlainTextOfOneLongLineComesInWholeInThePlainStyle)
{
    const QString line = QStringLiteral("words and more words ").repeated(20000);
    const QString path = makeFolder(QStringLiteral("long")) + QStringLiteral("/long.txt");
    writeFile(path, (line + QStringLiteral("\nend")).toUtf8());
    QTextCharFormat plain;
    plain.setFontPointSize(17);
    QTextBlockFormat block;
    block.setLeftMargin(3);
    QString reason;
    const std::unique_ptr<QTextDocument> text = BXNoteImport::readFile(path, plain, block, &reason);
    ASSERT_TRUE(text) << reason.toStdString();
    EXPECT_EQ(text->toPlainText(), line + QStringLiteral("\nend"));
    ASSERT_EQ(text->blockCount(), 2);
    for (QTextBlock paragraph = text->begin(); paragraph.isValid(); paragraph = paragraph.next()) {
        EXPECT_EQ(paragraph.blockFormat().leftMargin(), 3);
        for (auto it = paragraph.begin(); !it.atEnd(); ++it)
            EXPECT_EQ(it.fragment().charFormat().fontPointSize(), 17);
    }
}

// What a page or a rich text file leaves unsaid comes in in the note font: text, headings at
// their step over it, and empty paragraphs, where typing goes on in that font. Deleted and
// struck text is struck through.
TEST_F(ImportExportTest, UnstyledImportsTakeTheNoteFont)
{
    const QString files = makeFolder(QStringLiteral("looks"));
    writeFile(files + QStringLiteral("/page.html"),
        "<h1>Head</h1><p>plain <del>deleted</del> <strike>old</strike> "
        "<span style=\"font-size: 30pt; font-family: Courier\">own</span></p><p><br></p>");
    writeFile(files + QStringLiteral("/text.rtf"), "{\\rtf1 plain\\par\\par}");
    QTextCharFormat plain;
    plain.setFontFamilies(QStringList { QStringLiteral("Note Face") });
    plain.setFontPointSize(15);
    for (const QString& name : { QStringLiteral("page.html"), QStringLiteral("text.rtf") }) {
        SCOPED_TRACE(name.toStdString());
        QString reason;
        const std::unique_ptr<QTextDocument> text
            = BXNoteImport::readFile(files + u'/' + name, plain, QTextBlockFormat(), &reason);
        ASSERT_TRUE(text) << reason.toStdString();
        for (QTextBlock block = text->begin(); block.isValid(); block = block.next()) {
            EXPECT_EQ(block.charFormat().fontFamilies().toStringList().value(0), u"Note Face"_qs);
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat format = it.fragment().charFormat();
                const QString words = it.fragment().text();
                SCOPED_TRACE(words.toStdString());
                const bool own = words == u"own";
                EXPECT_EQ(format.fontFamilies().toStringList().value(0),
                    own ? u"Courier"_qs : u"Note Face"_qs);
                const double size = format.fontPointSize();
                if (own)
                    EXPECT_EQ(size, 30);
                else if (words == u"Head")
                    EXPECT_GT(size, 15);
                else if (name.endsWith(u".rtf"))
                    EXPECT_EQ(size, 12);
                else
                    EXPECT_EQ(size, 15);
                EXPECT_EQ(format.fontStrikeOut(), words == u"deleted" || words == u"old");
            }
        }
        EXPECT_EQ(text->lastBlock().charFormat().fontPointSize(), name.endsWith(u".rtf") ? 12 : 15);
    }
}

// A Markdown file's images bring the pictures they name beside it, as a page's do.
TEST_F(ImportExportTest, MarkdownImagesBringThePicturesBesideTheFile)
{
    const QString markdownFolder = makeFolder(QStringLiteral("markdown"));
    QImage image(6, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(markdownFolder + QStringLiteral("/pic.png")));
    writeFile(markdownFolder + QStringLiteral("/note.md"),
        "See ![a picture](pic.png) and ![](gone.png).\n");
    QString reason;
    const std::unique_ptr<QTextDocument> text
        = BXNoteImport::readFile(markdownFolder + QStringLiteral("/note.md"), QTextCharFormat(),
            QTextBlockFormat(), &reason);
    ASSERT_TRUE(text) << reason.toStdString();
    EXPECT_EQ(text->toPlainText().toStdU16String(), u"See \uFFFC and .");
    QTextCursor picture(text.get());
    picture.setPosition(5);
    EXPECT_EQ(
        QImage::fromData(platform::AttributedText::attachment(*text, picture.charFormat()).contents)
            .size(),
        QSize(6, 4));
}

// Image tags inside Markdown bring their pictures as a page's do, from beside the file only.
TEST_F(ImportExportTest, MarkdownImageTagsBringThePicturesBesideTheFile)
{
    const QString markdownFolder = makeFolder(QStringLiteral("tags/inner"));
    QImage image(6, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(markdownFolder + QStringLiteral("/pic.png")));
    ASSERT_TRUE(image.save(folder + QStringLiteral("/tags/outside.png")));
    writeFile(markdownFolder + QStringLiteral("/note.md"),
        "See <img src=\"pic.png\" width=\"6\"> here.\n\n"
        "<p>Not <img src=\"../outside.png\"> this one,</p>\n\nnor ![](../outside.png).\n");
    QString reason;
    const std::unique_ptr<QTextDocument> text
        = BXNoteImport::readFile(markdownFolder + QStringLiteral("/note.md"), QTextCharFormat(),
            QTextBlockFormat(), &reason);
    ASSERT_TRUE(text) << reason.toStdString();
    const QString plain = text->toPlainText();
    EXPECT_EQ(plain.count(QChar::ObjectReplacementCharacter), 1) << plain.toStdString();
    QTextCursor picture(text.get());
    picture.setPosition(int(plain.indexOf(QChar::ObjectReplacementCharacter)) + 1);
    EXPECT_EQ(
        QImage::fromData(platform::AttributedText::attachment(*text, picture.charFormat()).contents)
            .size(),
        QSize(6, 4));
    EXPECT_TRUE(plain.contains(QStringLiteral("this one,\nnor ."))) << plain.toStdString();
}

TEST_F(ImportExportTest, DamagedAndForeignInputIsReportedAndNeverHalfImported)
{
    const QString files = makeFolder(QStringLiteral("mixed"));
    const QByteArray good = rtf(QStringLiteral("Good rich text"));
    writeFile(files + QStringLiteral("/good.rtf"), good);
    writeFile(files + QStringLiteral("/damaged.rtf"), good.left(good.size() / 2));
    writeFile(files + QStringLiteral("/latin.md"), QByteArray("# Caf\xe9 cr\xe8me\n"));
    writeFile(files + QStringLiteral("/latin.txt"), QByteArray("Gar\xe7on na\xefve\r\nsecond"));
    writeFile(files + QStringLiteral("/Notes.MARKDOWN"), QByteArray("**Bold** words"));
    QByteArray junk(4096, '\0');
    for (int i = 0; i < junk.size(); ++i)
        junk[i] = char((i * 7919) % 256);
    writeFile(files + QStringLiteral("/junk.bin"), junk);
    writeFile(files + QStringLiteral("/.hidden.txt"), "hidden");
    QFile::link(files + QStringLiteral("/good.rtf"), files + QStringLiteral("/alias.rtf"));
    const QString sub = makeFolder(QStringLiteral("mixed/sub"));
    writeFile(sub + QStringLiteral("/inner.txt"), "inner text");
    const QString fifo = folder + QStringLiteral("/pipe.txt");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    const QString gone = folder + QStringLiteral("/gone.txt");

    const QList<ManagedObjectPtr> notes = import(
        { QUrl::fromLocalFile(files), QUrl::fromLocalFile(fifo), QUrl::fromLocalFile(gone) });

    // Latin-1 keeps its accents; Markdown that is not UTF-8 comes in as its plain text.
    EXPECT_EQ(contentsOf(notes),
        QStringList({ "Notes: Bold words", "good: Good rich text", "inner: inner text",
            "latin: # Café crème", "latin: Garçon naïve\nsecond" }));
    for (const ManagedObjectPtr& object : notes) {
        const auto* note = static_cast<BXNote*>(object.get());
        if (note->noteName() == QLatin1String("latin")) {
            // Plain text: the user's default style, and no colour of its own.
            const std::unique_ptr<QTextDocument> text = note->attributedString();
            EXPECT_FALSE(
                QTextCursor(text.get()).charFormat().hasProperty(QTextFormat::ForegroundBrush));
        }
    }
    ASSERT_EQ(alerts.shown().size(), 1u);
    const platform::Alert& report = alerts.shown().front().alert;
    for (const QString& skipped : { QStringLiteral("damaged.rtf"), QStringLiteral("junk.bin"),
             QStringLiteral("pipe.txt"), QStringLiteral("gone.txt") }) {
        SCOPED_TRACE(skipped.toStdString());
        EXPECT_TRUE(report.detailedText.contains(QLatin1Char('/') + skipped + QLatin1String(": ")));
    }
    for (const QString& left : { QStringLiteral("hidden"), QStringLiteral("alias") })
        EXPECT_FALSE(report.detailedText.contains(left));
    EXPECT_EQ(report.detailedText.count(QLatin1Char('\n')), 3);
}

TEST_F(ImportExportTest, TenThousandFilesComeInWholeWithTheBadOneReported)
{
    const QString files = makeFolder(QStringLiteral("many"));
    for (int i = 0; i < 10000; ++i)
        writeFile(files + QStringLiteral("/%1.txt").arg(i, 5, 10, QLatin1Char('0')),
            QByteArray("line ") + QByteArray::number(i));
    writeFile(files + QStringLiteral("/04999.rtf"), "{\\rtf1 cut short");
    std::shared_ptr<BXProgressPanelController> seen;
    platform::ProgressPanel::setMaker([&seen] {
        seen = std::make_shared<BXProgressPanelController>();
        return seen;
    });
    const QList<ManagedObjectPtr> notes = import({ QUrl::fromLocalFile(files) });
    EXPECT_EQ(notes.size(), 10000);
    ASSERT_TRUE(seen);
    EXPECT_EQ(seen->progressBarValue(), 100);
    ASSERT_EQ(alerts.shown().size(), 1u);
    EXPECT_EQ(alerts.shown().front().alert.detailedText.count(QLatin1Char('\n')), 0);
    EXPECT_TRUE(alerts.shown().front().alert.detailedText.contains(QStringLiteral("04999.rtf")));
}

TEST_F(ImportExportTest, UnreadableFileIsSkippedWithItsReason)
{
    const QString path = makeFolder(QStringLiteral("locked")) + QStringLiteral("/secret.txt");
    writeFile(path, "secret");
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0), 0);
    if (::geteuid() != 0) {
        const QList<ManagedObjectPtr> notes = import({ QUrl::fromLocalFile(path) });
        EXPECT_TRUE(notes.isEmpty());
        ASSERT_EQ(alerts.shown().size(), 1u);
        EXPECT_TRUE(
            alerts.shown().front().alert.detailedText.contains(QStringLiteral("secret.txt")));
        return;
    }
    // The superuser reads any file, so the refusal is checked in a child that is nobody.
    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    ::chmod(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), 0755);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(nobody->pw_gid) != 0 || ::setuid(nobody->pw_uid) != 0)
            ::_exit(2);
        QString reason;
        const std::unique_ptr<QTextDocument> text = BXNoteImport::readFile(path, {}, {}, &reason);
        ::_exit(!text && reason.contains(QStringLiteral("ermission")) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the child could read a file of mode 000";
}

TEST_F(ImportExportTest, NotesThatCouldNotBeSavedAreReportedAsLost)
{
    const QString files = makeFolder(QStringLiteral("two"));
    writeFile(files + QStringLiteral("/a.txt"), "first");
    writeFile(files + QStringLiteral("/b.txt"), "second");
    const QString package
        = notesfiletest::packageURL(folder, QStringLiteral("Notes")).toLocalFile();
    const QString store = package + QStringLiteral("/StoreContent");
    const QStringList locked { store + QStringLiteral("/persistentStore"), store };
    ASSERT_TRUE(notesfiletest::setReadOnly(locked, true));
    const QList<ManagedObjectPtr> notes = import({ QUrl::fromLocalFile(files) });
    notesfiletest::setReadOnly(locked, false);
    EXPECT_TRUE(notes.isEmpty());
    ASSERT_EQ(alerts.shown().size(), 1u);
    EXPECT_TRUE(alerts.shown().front().alert.informativeText.startsWith(
        QStringLiteral("2 notes were read but could not be saved")));
}

TEST_F(ImportExportTest, UnsavedCategoriesAndNewDocumentsAreSavedFirst)
{
    auto category = std::dynamic_pointer_cast<BXCategory>(
        document->managedObjectContext()->insertNewObjectForEntityForName(
            BXCategory::entityName()));
    category->setCategoryName(QStringLiteral("Fresh"));
    const QString path = folder + QStringLiteral("/one.txt");
    writeFile(path, "into a fresh category");
    const QList<ManagedObjectPtr> notes = import({ QUrl::fromLocalFile(path) }, { category });
    ASSERT_EQ(notes.size(), 1);
    EXPECT_EQ(static_cast<BXNote*>(notes.first().get())->categories(),
        QList<ManagedObjectPtr>({ category }));

    // Nothing to import still answers, with no notes.
    EXPECT_TRUE(import({}).isEmpty());

    BXDocument fresh;
    const QList<ManagedObjectPtr> imported = import({ QUrl::fromLocalFile(path) }, {}, &fresh);
    EXPECT_EQ(imported.size(), 1);
    EXPECT_TRUE(fresh.persistentStoreCoordinator()->hasStore());
    fresh.close();
}

TEST_F(ImportExportTest, ExportWritesOnlyWhatItNamesInTheChosenFormats)
{
    const BXNote::NotePtr plain = notesfiletest::addNote(*document, QStringLiteral("Shopping"));
    plain->setNoteStyles({});
    const BXNote::NotePtr rich = notesfiletest::addNote(*document, QStringLiteral("Rich"));
    const BXNote::NotePtr untitled = notesfiletest::addNote(*document, QString());
    const QString out = makeFolder(QStringLiteral("export"));
    writeFile(out + QStringLiteral("/Shopping.rtf"), "taken");

    struct Case {
        QString format;
        BXNote::NotePtr note;
        QString name;
    };
    const Case cases[] = {
        { QStringLiteral("Auto"), plain, QStringLiteral("Shopping.txt") },
        { QStringLiteral("Auto"), rich, QStringLiteral("Rich.rtf") },
        { TypeIdentifier::Rtf, plain, QStringLiteral("Shopping 1.rtf") },
        { TypeIdentifier::Rtf, untitled, QStringLiteral("Note.rtf") },
        { TypeIdentifier::Markdown, rich, QStringLiteral("Rich.md") },
        { TypeIdentifier::Html, rich, QStringLiteral("Rich.html") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        EXPECT_EQ(document->exportNote(*c.note, QUrl::fromLocalFile(out), c.format), c.name);
        EXPECT_TRUE(QFileInfo(out + QLatin1Char('/') + c.name).size() > 0);
    }
    // A failed write names nothing, and the folder export reports it in one alert.
    const QString missing = folder + QStringLiteral("/no/such/folder/x.rtf");
    EXPECT_EQ(document->exportNote(*rich, QUrl::fromLocalFile(missing), TypeIdentifier::Rtf),
        std::nullopt);
    // Immutable binds the superuser too.
    const QString readOnly = makeFolder(QStringLiteral("readonly"));
    ASSERT_TRUE(notesfiletest::setReadOnly({ readOnly }, true));
    QStringList names;
    document->exportNotes({ rich }, QUrl::fromLocalFile(readOnly), &names);
    notesfiletest::setReadOnly({ readOnly }, false);
    EXPECT_TRUE(names.isEmpty());
    ASSERT_EQ(alerts.shown().size(), 1u);
    EXPECT_TRUE(alerts.shown().front().alert.detailedText.startsWith(QStringLiteral("Rich: ")));
}

// Plain text that the export's encoding cannot hold whole is written with "?" for what it lacks,
// and the closing alert names the notes that lost characters, with the characters and their
// count. Legacy plain text, always in Mac OS Roman, goes by the same rule.
TEST_F(ImportExportTest, NotesThatLostCharactersAreNamedInTheClosingAlert)
{
    const QList<ManagedObjectPtr> notes { notesfiletest::addNote(*document, u"Café ≠"_qs),
        notesfiletest::addNote(*document, u"Plain words"_qs),
        notesfiletest::addNote(*document, u"日本"_qs) };
    struct Case {
        QString format;
        TextEncoding::Value encoding;
        QByteArray firstFile;
        QStringList lost;
    };
    const Case cases[] = {
        { TypeIdentifier::PlainText, TextEncoding::WindowsCP1252StringEncoding, "Caf\xe9 ?",
            { u"\u201CCaf\u00E9 \u2260\u201D (1 character: \u2260)"_qs,
                u"\u201C日本\u201D (2 characters: 日 本)"_qs } },
        { TypeIdentifier::TraditionalPlainText, TextEncoding::UTF8StringEncoding, "Caf\x8e \xad",
            { u"\u201C日本\u201D (2 characters: 日 本)"_qs } },
        { TypeIdentifier::PlainText, TextEncoding::UTF8StringEncoding, "Caf\xc3\xa9 \xe2\x89\xa0",
            {} },
    };
    int run = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format.toStdString());
        platform::UserDefaults::standard().setString(ExportFileType, c.format);
        platform::UserDefaults::standard().setUnsignedInteger(ExportFileEncoding, c.encoding);
        const QString out = makeFolder(QStringLiteral("lossy%1").arg(++run));
        QStringList names;
        const size_t before = alerts.shown().size();
        document->exportNotes(notes, QUrl::fromLocalFile(out), &names);
        ASSERT_EQ(names.size(), 3);
        QFile first(out + QLatin1Char('/') + names.first());
        ASSERT_TRUE(first.open(QIODevice::ReadOnly));
        EXPECT_EQ(first.readAll(), c.firstFile);
        if (c.lost.isEmpty()) {
            EXPECT_EQ(alerts.shown().size(), before);
            continue;
        }
        ASSERT_EQ(alerts.shown().size(), before + 1);
        const QString told = alerts.shown().back().alert.informativeText;
        for (const QString& title : c.lost)
            EXPECT_TRUE(told.contains(title)) << told.toStdString();
        EXPECT_FALSE(told.contains(u"Plain words"_qs));
    }
}

// A picture is never written as a character of plain text; every format that has no place for
// pictures or links says so in one closing alert that names the notes, and the formats that
// hold them write them without a word. The Markdown file, imported again, has the picture.
TEST_F(ImportExportTest, WhatAFormatCannotHoldIsNamedInOneAlert)
{
    const BXNote::NotePtr pictured = notesfiletest::addNote(*document, u"Pictured"_qs);
    const QByteArray png = bxtest::pngBytes(QSize(3, 2), Qt::red);
    {
        auto text = platform::AttributedText::makeDocument();
        QTextCursor cursor(text.get());
        cursor.insertText(u"Pictured\n\u2260 "_qs);
        platform::AttributedText::insertAttachment(cursor, { png, u"red.png"_qs, QSizeF(3, 2) });
        QTextCharFormat link;
        link.setAnchor(true);
        link.setAnchorHref(u"https://example.org"_qs);
        cursor.insertText(u" site"_qs, link);
        pictured->setAttributedString(*text);
    }
    const BXNote::NotePtr plainWords = notesfiletest::addNote(*document, u"Plain words"_qs);
    struct Case {
        QString format;
        bool toldOfPictures;
    };
    const Case cases[] = {
        { TypeIdentifier::PlainText, true },
        { TypeIdentifier::TraditionalPlainText, true },
        { TypeIdentifier::Rtf, true },
        { TypeIdentifier::Rtfd, false },
        { TypeIdentifier::Html, false },
        { TypeIdentifier::WordDocument, false },
        { TypeIdentifier::WordXml, false },
        { TypeIdentifier::OfficeOpenXmlDocument, false },
        { TypeIdentifier::OpenDocumentText, false },
        { TypeIdentifier::Markdown, false },
    };
    int run = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format.toStdString());
        platform::UserDefaults::standard().setString(ExportFileType, c.format);
        platform::UserDefaults::standard().setUnsignedInteger(
            ExportFileEncoding, TextEncoding::UTF8StringEncoding);
        const QString out = makeFolder(QStringLiteral("formats%1").arg(++run));
        QStringList names;
        const size_t before = alerts.shown().size();
        document->exportNotes({ pictured, plainWords }, QUrl::fromLocalFile(out), &names);
        ASSERT_EQ(names.size(), 2);
        if (c.format == TypeIdentifier::PlainText) {
            QFile file(out + QLatin1Char('/') + names.first());
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_EQ(file.readAll(), QByteArray("Pictured\n\xe2\x89\xa0  site"));
        }
        if (c.format == TypeIdentifier::Markdown) {
            const QList<ManagedObjectPtr> back
                = import({ QUrl::fromLocalFile(out + QLatin1Char('/') + names.first()) });
            ASSERT_EQ(back.size(), 1);
            const QList<platform::TextAttachment> pictures = bxtest::attachmentsOf(
                *static_cast<BXNote*>(back.first().get())->attributedString());
            ASSERT_EQ(pictures.size(), 1);
            EXPECT_EQ(pictures.front().contents, png);
        }
        if (!c.toldOfPictures) {
            EXPECT_EQ(alerts.shown().size(), before);
            continue;
        }
        ASSERT_EQ(alerts.shown().size(), before + 1);
        const platform::Alert& alert = alerts.shown().back().alert;
        EXPECT_EQ(alert.messageText, u"Some notes were not exported whole."_qs);
        EXPECT_TRUE(alert.informativeText.contains(
            u"cannot hold pictures; they were left out of \u201CPictured\u201D."_qs))
            << alert.informativeText.toStdString();
        EXPECT_FALSE(alert.informativeText.contains(u"Plain words"_qs));
        // The picture is no character the encoding lost: Mac OS Roman holds the rest.
        EXPECT_FALSE(alert.informativeText.contains(u"characters"_qs))
            << alert.informativeText.toStdString();
    }
}

// A Markdown and an HTML page, each with a picture over the bound and a small one, come in with
// their words and the small picture; one report names each page with what was left out.
TEST_F(ImportExportTest, PicturesPastTheBoundsAreLeftOutOfTheNotesAndReported)
{
    const QString files = makeFolder(QStringLiteral("pages"));
    QByteArray small;
    {
        QBuffer buffer(&small);
        buffer.open(QIODevice::WriteOnly);
        QImage image(3, 2, QImage::Format_RGB32);
        image.fill(Qt::red);
        ASSERT_TRUE(image.save(&buffer, "PNG"));
    }
    QByteArray larger = small;
    larger.resize(platform::HtmlImageLoader::maximumImageBytes + 1);
    larger = larger.toBase64();
    {
        QFile markdown(files + QStringLiteral("/page.md"));
        ASSERT_TRUE(markdown.open(QIODevice::WriteOnly));
        markdown.write("Before\n\n![big](data:image/png;base64,");
        markdown.write(larger);
        markdown.write(")\n\n![small](data:image/png;base64," + small.toBase64() + ")\n\nAfter\n");
        QFile html(files + QStringLiteral("/page.html"));
        ASSERT_TRUE(html.open(QIODevice::WriteOnly));
        html.write("<p>Before <img src=\"data:image/png;base64,");
        html.write(larger);
        html.write("\"> <img src=\"data:image/png;base64," + small.toBase64() + "\"> After</p>");
    }
    larger.clear();

    const QList<ManagedObjectPtr> notes = import({ QUrl::fromLocalFile(files) });

    ASSERT_EQ(notes.size(), 2);
    for (const ManagedObjectPtr& object : notes) {
        const auto* note = static_cast<BXNote*>(object.get());
        SCOPED_TRACE(note->noteName().toStdString());
        EXPECT_TRUE(note->noteText().startsWith(QStringLiteral("Before")));
        EXPECT_TRUE(note->noteText().trimmed().endsWith(QStringLiteral("After")));
        const QList<platform::TextAttachment> pictures
            = bxtest::attachmentsOf(*note->attributedString());
        ASSERT_EQ(pictures.size(), 1);
        EXPECT_EQ(pictures.front().contents, small);
    }
    ASSERT_EQ(alerts.shown().size(), 1u);
    const platform::Alert& report = alerts.shown().front().alert;
    EXPECT_EQ(report.messageText, QStringLiteral("Some pictures were not imported."));
    EXPECT_EQ(
        report.informativeText, QStringLiteral("2 notes came in without some of their pictures."));
    for (const QString& page : { QStringLiteral("/page.html"), QStringLiteral("/page.md") }) {
        EXPECT_TRUE(report.detailedText.contains(
            page + QStringLiteral(": A picture larger than 64 MB was left out.")))
            << report.detailedText.toStdString();
    }
}

} // namespace

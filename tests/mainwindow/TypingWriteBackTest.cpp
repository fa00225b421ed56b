#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"

#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/BXTableView.h"

#include "document/BXDefaults.h"
#include "document/BXDocument.h"
#include "document/model/BXNote.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/foundation/Error.h"
#include "platform/testing/FakeAlertPresenter.h"
#include "platform/text/AttributedText.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTextDocument>

using platform::AttributedText;
using platform::Error;

namespace {

struct StoredNote {
    QString text;
    bool trash = false;
};

// A notes file open in its real main window with the real event loop and timers running
// between keys, as a person types.
class TypingWriteBackTest : public ::testing::Test {
protected:
    static constexpr int kKeyDelayMs = 40;

    void SetUp() override
    {
        BXDefaults::registerDefaults();
        BXDocument::setWindowControllerFactory(
            [](BXDocument&) { return std::make_unique<BXMainWindowController>(); });
        fileURL = QUrl::fromLocalFile(bxtest::makeTempFolder() + QStringLiteral("/N.brindlex"));
    }
    void TearDown() override
    {
        if (document)
            document->close();
        document.reset();
        QTest::qWait(50);
        BXDocument::setWindowControllerFactory({});
    }

    void makeFile(const QList<StoredNote>& notes)
    {
        BXDocument made;
        for (const StoredNote& stored : notes) {
            BXNote::NotePtr note
                = BXNote::newNoteInManagedObjectContext(made.managedObjectContext(), {}, {});
            std::unique_ptr<QTextDocument> rich = AttributedText::makeDocument();
            rich->setPlainText(stored.text);
            note->setAttributedString(*rich);
            note->setTrashFlag(stored.trash);
        }
        bool done = false;
        made.saveToURL(fileURL, BXDocument::NotesDocumentType, platform::SaveOperation::SaveAs,
            [&](const Error& error) {
                EXPECT_TRUE(error.isNull()) << error.toString().toStdString();
                done = true;
            });
        ASSERT_TRUE(QTest::qWaitFor([&] { return done; }));
        made.close();
    }
    void openWindow()
    {
        document = std::make_unique<BXDocument>();
        Error error;
        ASSERT_TRUE(document->initWithContentsOfURL(fileURL, BXDocument::NotesDocumentType, &error))
            << error.toString().toStdString();
        document->makeWindowControllers();
        controller = dynamic_cast<BXMainWindowController*>(document->windowControllers().first());
        ASSERT_TRUE(controller);
        controller->showWindow();
        textView = controller->noteTextView();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(controller->mainWindow()));
        QApplication::setActiveWindow(controller->mainWindow());
        QTest::qWait(600);
    }
    QStringList titles() const
    {
        QStringList result;
        for (const auto& object : controller->notesController()->arrangedObjects())
            result << std::static_pointer_cast<BXNote>(object)->noteTitle();
        return result;
    }
    void clickRow(int row)
    {
        BXTableView* table = controller->notesTableView();
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
            table->visualRect(table->model()->index(row, 0)).center());
        QTest::qWait(400);
    }
    void clickIntoText()
    {
        QTest::mouseClick(textView->viewport(), Qt::LeftButton, {}, QPoint(20, 14));
        QTest::qWait(kKeyDelayMs);
    }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
        QTest::qWait(kKeyDelayMs);
    }
    void type(const QString& text)
    {
        for (const QChar c : text) {
            QTest::keyClicks(QApplication::focusWidget(), QString(c));
            QTest::qWait(kKeyDelayMs);
        }
    }
    void send(const char* action)
    {
        platform::CommandRouter::shared().sendAction(
            { QString::fromLatin1(action), 0, {}, std::nullopt });
        QTest::qWait(400);
    }
    QString shown() const { return AttributedText::string(*textView->mirror()); }
    std::shared_ptr<BXNote> selected() const { return controller->selectedNote(); }

    platform::FakeAlertPresenter alerts;
    QUrl fileURL;
    std::unique_ptr<BXDocument> document;
    QPointer<BXMainWindowController> controller;
    BXTextView* textView = nullptr;
};

TEST_F(TypingWriteBackTest, TabTypedIntoANoteIsStored)
{
    makeFile({ { QStringLiteral("Tabtest\none") } });
    openWindow();
    clickRow(0);
    clickIntoText();
    key(Qt::Key_End, Qt::ControlModifier);
    key(Qt::Key_Tab);
    type(QStringLiteral("two"));
    QTest::qWait(200);
    EXPECT_EQ(shown(), QStringLiteral("Tabtest\none\ttwo"));
    EXPECT_EQ(selected()->noteText(), QStringLiteral("Tabtest\none\ttwo"));
    EXPECT_EQ(titles(), QStringList { QStringLiteral("Tabtest") });
}

TEST_F(TypingWriteBackTest, TypingWhileTheNoteMovesInTheListKeepsTheCaret)
{
    makeFile({ { QStringLiteral("Mango") }, { QStringLiteral("Nectarine") } });
    openWindow();
    ASSERT_EQ(titles(), (QStringList { QStringLiteral("Mango"), QStringLiteral("Nectarine") }));
    clickRow(1);
    clickIntoText();
    key(Qt::Key_Home, Qt::ControlModifier);
    type(QStringLiteral("aaa bbb ccc"));
    QTest::qWait(300);
    EXPECT_EQ(shown(), QStringLiteral("aaa bbb cccNectarine"));
    EXPECT_EQ(selected()->noteText(), QStringLiteral("aaa bbb cccNectarine"));
    EXPECT_EQ(titles(),
        (QStringList { QStringLiteral("aaa bbb cccNectarine"), QStringLiteral("Mango") }));
}

TEST_F(TypingWriteBackTest, TypingIntoANewNoteKeepsTheCaret)
{
    makeFile({ { QStringLiteral("Mango") }, { QStringLiteral("Nectarine") } });
    openWindow();
    send("addNote:");
    type(QStringLiteral("Aardvark title END"));
    QTest::qWait(300);
    EXPECT_EQ(shown(), QStringLiteral("Aardvark title END"));
    ASSERT_TRUE(selected());
    EXPECT_EQ(selected()->noteText(), QStringLiteral("Aardvark title END"));
    EXPECT_EQ(titles(),
        (QStringList { QStringLiteral("Aardvark title END"), QStringLiteral("Mango"),
            QStringLiteral("Nectarine") }));
}

TEST_F(TypingWriteBackTest, NewPageFromTheTextGoesIntoTheNewNote)
{
    makeFile({ { QStringLiteral("Alpha note") }, { QStringLiteral("Beta note") } });
    openWindow();
    clickRow(1);
    clickIntoText();
    type(QStringLiteral("x"));
    send("addNote:");
    type(QStringLiteral("Hotel"));
    QTest::qWait(300);
    EXPECT_EQ(shown(), QStringLiteral("Hotel"));
    EXPECT_EQ(titles(),
        (QStringList {
            QStringLiteral("Alpha note"), QStringLiteral("Hotel"), QStringLiteral("xBeta note") }));
}

TEST_F(TypingWriteBackTest, NewNoteUsesTheSpareNoteOfTheFile)
{
    makeFile({ { QStringLiteral("Alpha note") }, { QString(), true } });
    openWindow();
    ASSERT_EQ(titles(), QStringList { QStringLiteral("Alpha note") });
    send("addNote:");
    type(QStringLiteral("Hotel"));
    QTest::qWait(300);
    EXPECT_EQ(shown(), QStringLiteral("Hotel"));
    EXPECT_EQ(titles(), (QStringList { QStringLiteral("Alpha note"), QStringLiteral("Hotel") }));
}

} // namespace

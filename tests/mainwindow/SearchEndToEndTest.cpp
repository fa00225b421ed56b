#include "MainWindowFixture.h"

#include "mainwindow/search/BXMainWindowSearch.h"
#include "mainwindow/search/BXSearchField.h"

#include "lists/noteslist/BXNotesArrayController.h"
#include "ui/BXGlobalConstants.h"
#include "ui/BXMessagePopoverController.h"

#include "platform/appkit/PopupWidget.h"

#include <QAction>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using platform::TextRange;

namespace {

class SearchEndToEndTest : public MainWindowFixture {
protected:
    BXSearchField* field() const { return controller->search()->searchField(); }

    qsizetype listed() const { return controller->notesController()->arrangedObjects().size(); }
    QString shownTitle() const
    {
        const std::shared_ptr<BXNote> note = controller->selectedNote();
        return note ? note->noteTitle() : QString();
    }
    QString selectedText() const
    {
        const TextRange range = textView->selectedRange();
        return textView->mirror()->toPlainText().mid(range.location, range.length);
    }

    void keys(const QString& text)
    {
        QTest::keyClicks(field(), text);
        // The note's text, the scope bar's slide and then the match, one after another.
        settle(1);
    }

    // The window with the message popover where it floats over it.
    void screenshotWithPopover(const QString& name)
    {
        QCoreApplication::processEvents();
        QImage image = controller->mainWindow()->grab().toImage();
        platform::PopupWidget* popover = BXGlobalConstants::messagePopoverController()->popover();
        QPainter painter(&image);
        painter.drawPixmap(controller->mainWindow()->mapFromGlobal(popover->mapToGlobal(QPoint())),
            popover->grab());
        painter.end();
        image.save(QCoreApplication::applicationDirPath() + QLatin1Char('/') + name);
    }
};

TEST_F(SearchEndToEndTest, TypeFindRegexMistakeFixAndClearOverTwoHundredNotes)
{
    QStringList texts;
    for (int i = 0; i < 200; ++i) {
        QString text = QStringLiteral("Note %1\nA plain day in the garden.\n")
                           .arg(i, 3, 10, QLatin1Char('0'));
        if (i == 17)
            text += QStringLiteral("The old lantern hangs by the door.\n");
        if (i == 140)
            text += QStringLiteral("Buy a LANTERN and a budget  2024 plan.\n");
        if (i % 50 == 3)
            text += QStringLiteral("budget 2025\n");
        texts << text;
    }
    makeFile(texts);
    openWindow();
    ASSERT_EQ(listed(), 200);

    // Each keystroke filters; the first listed note shows with its match selected.
    field()->setFocus();
    keys(QStringLiteral("lantern"));
    EXPECT_EQ(listed(), 2);
    EXPECT_EQ(shownTitle(), QStringLiteral("Note 017"));
    EXPECT_EQ(selectedText(), QStringLiteral("lantern"));
    screenshot(QStringLiteral("search-filtered.png"));

    // Find Next goes on into the other note, then wraps around to the first.
    QSignalSpy turns(controller->search(), &BXMainWindowSearch::turnedAround);
    controller->perform({ QStringLiteral("continueSearch:"), 1, {}, {} });
    settle(1);
    EXPECT_EQ(shownTitle(), QStringLiteral("Note 140"));
    EXPECT_EQ(selectedText(), QStringLiteral("LANTERN"));
    EXPECT_TRUE(turns.isEmpty());
    controller->perform({ QStringLiteral("continueSearch:"), 1, {}, {} });
    settle(1);
    EXPECT_EQ(shownTitle(), QStringLiteral("Note 017"));
    EXPECT_EQ(selectedText(), QStringLiteral("lantern"));
    EXPECT_EQ(turns.size(), 1);

    // A regular expression.
    field()->itemWithTag(BXSearchField::kRegularExpressionTag)->trigger();
    settle();
    EXPECT_EQ(listed(), 2);
    field()->clear();
    keys(QStringLiteral("budget\\s+20[0-9]{2}"));
    EXPECT_EQ(listed(), 5);

    // A mistake keeps the list and says why; fixing it goes on from there.
    const int beeps = input.beepCount();
    keys(QStringLiteral("("));
    EXPECT_EQ(listed(), 5);
    EXPECT_GT(input.beepCount(), beeps);
    const BXMessagePopoverController* popover = BXGlobalConstants::messagePopoverController();
    ASSERT_TRUE(popover && popover->popover()->isVisible());
    EXPECT_TRUE(popover->messageView()->text().startsWith(QStringLiteral("Regex search error: ")));
    EXPECT_TRUE(field()->hasFocus()) << "typing goes on in the field";
    screenshotWithPopover(QStringLiteral("search-error-popover.png"));
    QTest::keyClick(field(), Qt::Key_Backspace);
    settle();
    EXPECT_EQ(listed(), 5);
    EXPECT_FALSE(popover->popover()->isVisible());
    keys(QStringLiteral(" plan"));
    EXPECT_EQ(listed(), 1);

    // The clear button lists every note again in the selected categories' scope.
    controller->search()->setSearchScope(1);
    QAction* clear = field()->findChild<QAction*>(QStringLiteral("_q_qlineeditclearaction"));
    ASSERT_TRUE(clear);
    QToolButton* clearButton = nullptr;
    for (QToolButton* button : field()->findChildren<QToolButton*>()) {
        if (button->defaultAction() == clear)
            clearButton = button;
    }
    ASSERT_TRUE(clearButton && clearButton->isVisible());
    QTest::mouseClick(clearButton, Qt::LeftButton);
    settle();
    EXPECT_TRUE(controller->searchString().isEmpty());
    EXPECT_EQ(listed(), 200);
    EXPECT_EQ(controller->search()->searchScope(), 0u);
}

} // namespace

#include "platform/appkit/SpellingPanel.h"
#include "platform/appkit/TextView.h"
#include "platform/appkit/TextViewDelegate.h"
#include "platform/foundation/UndoManager.h"
#include "platform/testing/FakeScheduler.h"
#include "platform/text/AttributedText.h"
#include "platform/text/SpellChecker.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

using namespace platform;

namespace {

class UndoDelegate : public TextViewDelegate {
public:
    UndoManager* undoManagerForTextView(TextView*) override { return &undoManager; }
    UndoManager undoManager;
};

// A text view over a storage with a checker of its own, so Ignore and Learn touch no other test.
class SpellingPanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!checker.isAvailable())
            GTEST_SKIP() << "no en_US dictionary";
        storage = AttributedText::makeDocument();
        storage->setPlainText(
            QStringLiteral("Ths garden is #gardn lovely.\nThe tulpis need watr soon."));
        view = new TextView(&window, &checker);
        new QVBoxLayout(&window);
        window.layout()->addWidget(view);
        view->setDelegate(&delegate);
        view->setTextStorage(storage.get());
        panel.setTextView(view);
    }

    QString text() const { return AttributedText::string(*storage); }
    QString selected() const
    {
        const TextRange range = view->selectedRange();
        return text().mid(range.location, range.length);
    }

    FakeScheduler scheduler;
    SpellChecker checker { QStringLiteral("en_US") };
    UndoDelegate delegate;
    std::unique_ptr<QTextDocument> storage;
    QWidget window;
    TextView* view = nullptr;
    SpellingPanel panel;
};

TEST_F(SpellingPanelTest, FindNextWalksTheMisspelledWordsSkippingHashtagsAndGoesRound)
{
    const QStringList expected { QStringLiteral("Ths"), QStringLiteral("tulpis"),
        QStringLiteral("watr"), QStringLiteral("Ths") };
    for (const QString& word : expected) {
        ASSERT_TRUE(panel.findNext());
        EXPECT_EQ(panel.word(), word);
        EXPECT_EQ(selected(), word);
        EXPECT_EQ(panel.wordField()->text(), word);
    }
    EXPECT_GT(panel.suggestionList()->count(), 0);
}

TEST_F(SpellingPanelTest, ChangeReplacesAsOneUndoableEditThenIgnoreAndLearnMoveOn)
{
    ASSERT_TRUE(panel.findNext());
    ASSERT_GT(panel.suggestionList()->count(), 0);
    panel.suggestionList()->setCurrentRow(0);
    const QString guess = panel.suggestionList()->item(0)->text();
    EXPECT_EQ(panel.wordField()->text(), guess);
    panel.change();
    EXPECT_TRUE(text().startsWith(guess + QStringLiteral(" garden")));
    EXPECT_EQ(panel.word(), QStringLiteral("tulpis"));
    delegate.undoManager.undo();
    EXPECT_TRUE(text().startsWith(QStringLiteral("Ths garden")));

    // A selection moved away from the word is not replaced.
    view->setSelectedRange({ 0, 3 });
    ASSERT_TRUE(panel.findNext());
    view->setSelectedRange({ 0, 0 });
    panel.change();
    EXPECT_TRUE(text().contains(QStringLiteral("tulpis")));

    view->setSelectedRange({ 0, 3 });
    ASSERT_TRUE(panel.findNext());
    panel.ignore();
    EXPECT_EQ(panel.word(), QStringLiteral("watr"));
    panel.learn();
    EXPECT_EQ(panel.word(), QStringLiteral("Ths"));
    panel.ignore();
    EXPECT_FALSE(panel.findNext());
    EXPECT_TRUE(panel.word().isEmpty());
}

} // namespace

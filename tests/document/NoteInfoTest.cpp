#include "DocumentWindowsTestSupport.h"
#include "NotesFileTestSupport.h"

#include "document/BXDefaults.h"
#include "document/BXDocument.h"
#include "document/BXNoteInfo.h"
#include "platform/testing/FakeScheduler.h"
#include "platform/testing/FakeWindowTracker.h"
#include "platform/text/AttributedText.h"

#include <QTextBlock>
#include <QTextDocument>

#include <gtest/gtest.h>

using documentwindowstest::TestMainWindowController;
using documentwindowstest::TestWindowFactories;
using platform::ManagedObjectPtr;

namespace {

QString text(const std::shared_ptr<QTextDocument>& document)
{
    return document ? document->toPlainText() : QString();
}

class NoteInfoTest : public ::testing::Test {
protected:
    NoteInfoTest()
    {
        BXDefaults::registerDefaults();
        document = std::make_unique<BXDocument>();
        document->makeWindowControllers();
        main = factories.lastMain;
        tracker.setKeyWindowController(main);
        BXDocument::setInfoPanelHooks(
            [this] { return panelVisible; }, [this] { panelVisible = !panelVisible; });
    }
    ~NoteInfoTest() override { BXDocument::setInfoPanelHooks({}, {}); }

    BXNote::NotePtr note(const QString& body) { return notesfiletest::addNote(*document, body); }

    platform::FakeScheduler scheduler;
    platform::FakeWindowTracker tracker;
    TestWindowFactories factories;
    std::unique_ptr<BXDocument> document;
    TestMainWindowController* main = nullptr;
    bool panelVisible = false;
};

void setText(BXNote& note, const QString& body)
{
    std::unique_ptr<QTextDocument> text = platform::AttributedText::makeDocument();
    text->setPlainText(body);
    note.setAttributedString(*text);
}

} // namespace

TEST_F(NoteInfoTest, HeadingsStatisticsAndDates)
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const BXNote::NotePtr twoParagraphs = note(QStringLiteral("Nine char\nFour\n"));
    const BXNote::NotePtr untitled = note(QString());

    BXNoteInfo none = BXNoteInfo::forNotes({}, english);
    EXPECT_EQ(text(none.headInfo), QStringLiteral("no note selected"));
    EXPECT_TRUE(none.noteIcon.isEmpty());
    EXPECT_FALSE(none.statistics);

    BXNoteInfo three = BXNoteInfo::forNotes({ twoParagraphs, untitled, twoParagraphs }, english);
    EXPECT_EQ(text(three.headInfo), QStringLiteral("3 notes selected"));
    EXPECT_EQ(three.noteIcon, QStringLiteral("MultiNotes"));
    EXPECT_FALSE(three.info);

    BXNoteInfo one = BXNoteInfo::forNotes({ twoParagraphs }, english);
    EXPECT_EQ(one.noteIcon, QStringLiteral("Note"));
    const QStringList lines = text(one.statistics)
                                  .split(QChar::ParagraphSeparator)
                                  .join(QLatin1Char('\n'))
                                  .split(QLatin1Char('\n'));
    // Paragraph lengths with their breaks: 10 and 5, so 7.5 on average; 3 words over 2.
    EXPECT_TRUE(lines.contains(QStringLiteral("\tCharacters:\t15")))
        << qPrintable(lines.join(QLatin1Char('|')));
    EXPECT_TRUE(lines.contains(QStringLiteral("\tParagraphs:\t2")));
    EXPECT_TRUE(lines.contains(QStringLiteral("\tCharacters:\t7.5")));
    EXPECT_TRUE(lines.contains(QStringLiteral("\tWords:\t1.5")));
    EXPECT_EQ(lines.first(), QStringLiteral("Statistics"));
    EXPECT_TRUE(lines.contains(QStringLiteral("Averages per Paragraph")));
    const QTextBlock heading = one.statistics->firstBlock();
    EXPECT_EQ(heading.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    const QTextBlock line = heading.next();
    ASSERT_EQ(line.blockFormat().tabPositions().size(), 2);
    EXPECT_EQ(line.blockFormat().tabPositions()[0].type, QTextOption::RightTab);
    EXPECT_GT(line.blockFormat().tabPositions()[1].position,
        line.blockFormat().tabPositions()[0].position);
    EXPECT_EQ(line.blockFormat().leftMargin(), line.blockFormat().tabPositions()[1].position);
    EXPECT_TRUE(text(one.info).startsWith(QStringLiteral("\tCreated:\ttoday"), Qt::CaseInsensitive))
        << qPrintable(text(one.info));

    EXPECT_EQ(
        text(BXNoteInfo::forNotes({ untitled }, english).headInfo), QStringLiteral("<New note>"));
    // No paragraphs at all: averages of 0, not a division by zero.
    const QString empty = text(BXNoteInfo::forNotes({ untitled }, english).statistics);
    EXPECT_TRUE(empty.contains(QStringLiteral("\tCharacters:\t0"))) << qPrintable(empty);

    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(BXNoteInfo::formatNumber(7.5, german), QStringLiteral("7,5"));
    EXPECT_EQ(BXNoteInfo::formatNumber(2.0 / 3.0, english), QStringLiteral("0.67"));
    EXPECT_EQ(BXNoteInfo::formatNumber(1234, english), QStringLiteral("1,234"));
}

TEST_F(NoteInfoTest, RebuiltOnlyWhileThePanelShowsAndFollowsTheObservedNote)
{
    const BXNote::NotePtr first = note(QStringLiteral("First"));
    const BXNote::NotePtr second = note(QStringLiteral("Second"));
    int rebuilt = 0;
    QObject::connect(document.get(), &BXDocument::noteInfoChanged, [&] { ++rebuilt; });

    main->selection = { first };
    document->updateSelectionForProvider(main);
    scheduler.runUntilIdle();
    EXPECT_EQ(rebuilt, 0) << "hidden panel: nothing rebuilt";
    EXPECT_EQ(document->observedNote(), first);

    platform::Command toggle;
    toggle.action = QStringLiteral("toggleInfoPanel:");
    EXPECT_EQ(document->titleFor(toggle), QStringLiteral("Show Info"));
    document->perform(toggle);
    scheduler.runUntilIdle();
    EXPECT_EQ(rebuilt, 1);
    EXPECT_EQ(text(document->noteInfo().headInfo), QStringLiteral("First"));
    EXPECT_EQ(document->titleFor(toggle), QStringLiteral("Hide Info"));

    main->selection = { second };
    document->updateSelectionForProvider(main);
    scheduler.runUntilIdle();
    EXPECT_EQ(text(document->noteInfo().headInfo), QStringLiteral("Second"));
    const int before = rebuilt;
    setText(*first, QStringLiteral("Renamed first"));
    scheduler.runUntilIdle();
    EXPECT_EQ(rebuilt, before) << "the first note is no longer observed";
    setText(*second, QStringLiteral("Renamed second"));
    scheduler.runUntilIdle();
    EXPECT_GT(rebuilt, before);
    EXPECT_EQ(text(document->noteInfo().headInfo), QStringLiteral("Renamed second"));

    tracker.setKeyWindowController(nullptr);
    document->updateNoteInfo();
    scheduler.runUntilIdle();
    EXPECT_EQ(text(document->noteInfo().headInfo), QStringLiteral("no note selected"));
}

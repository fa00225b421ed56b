#include "mainwindow/BXPrintPanelAccessoryViewController.h"
#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/editor/BXTextViewDelegate.h"

#include "document/BXDefaults.h"
#include "document/BXDocument.h"
#include "document/BXPrintViewProvider.h"
#include "platform/appkit/PrintDialogPresenter.h"
#include "platform/appkit/PrintJob.h"
#include "platform/documents/WindowController.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/testing/FakeAlertPresenter.h"
#include "platform/testing/FakePrintPresenter.h"
#include "platform/testing/FakeScheduler.h"
#include "platform/testing/FakeWindowTracker.h"
#include "platform/text/AttributedText.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLocale>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>

using platform::AttributedText;

namespace {

// A window controller that prints one note, or several one after another, as the note
// windows and the main window do.
class FakeNoteController : public platform::WindowController,
                           public BXPrintViewProvider,
                           public BXTextViewDelegate {
public:
    std::shared_ptr<QObject> printView(
        const std::shared_ptr<platform::PrintInfo>& printInfo) override
    {
        if (notes.empty())
            return nullptr;
        auto text = AttributedText::makeDocument();
        for (const auto& note : notes) {
            if (!text->isEmpty())
                AttributedText::replaceCharacters(
                    *text, { AttributedText::length(*text), 0 }, QStringLiteral("\n"));
            AttributedText::replaceCharacters(*text, { AttributedText::length(*text), 0 }, *note);
        }
        return BXTextView::makePrintView(*text, this, *printInfo);
    }
    platform::UndoManager* undoManagerForTextView(platform::TextView*) override { return nullptr; }
    QString currentNoteName() override { return name; }
    bool commitTextViewEditing(BXTextView*) override { return true; }
    void discardTextViewEditing(BXTextView*) override { }

    QString name = QStringLiteral("Garden");
    std::vector<std::unique_ptr<QTextDocument>> notes;
};

struct Word {
    int page;
    QString text;
    QRectF box;
};

// The words of a PDF with their boxes in points, from the top left of each page.
std::vector<Word> wordsOf(const QString& pdf)
{
    QProcess process;
    process.start(
        QStringLiteral("pdftotext"), { QStringLiteral("-bbox"), pdf, QStringLiteral("-") });
    process.waitForFinished();
    const QString html = QString::fromUtf8(process.readAllStandardOutput());
    static const QRegularExpression pattern(QStringLiteral(
        R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    std::vector<Word> words;
    int page = 0;
    for (const auto& match : pattern.globalMatch(html)) {
        if (match.captured(0).startsWith(u"<page")) {
            ++page;
            continue;
        }
        const double x = match.captured(1).toDouble();
        const double y = match.captured(2).toDouble();
        words.push_back({ page, match.captured(5),
            QRectF(QPointF(x, y),
                QPointF(match.captured(3).toDouble(), match.captured(4).toDouble())) });
    }
    return words;
}

int pageCountOf(const QString& pdf)
{
    QProcess process;
    process.start(QStringLiteral("pdfinfo"), { pdf });
    process.waitForFinished();
    const auto match = QRegularExpression(QStringLiteral(R"(Pages:\s+(\d+))"))
                           .match(QString::fromUtf8(process.readAllStandardOutput()));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

std::unique_ptr<QTextDocument> noteText(
    const QStringList& paragraphs, bool pagePerParagraph = false)
{
    auto text = AttributedText::makeDocument();
    QTextCursor cursor(text.get());
    QTextCharFormat format;
    format.setFont(QFont(QStringLiteral("DejaVu Sans"), 12));
    for (int i = 0; i < paragraphs.size(); ++i) {
        if (i > 0) {
            QTextBlockFormat block;
            if (pagePerParagraph)
                block.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            cursor.insertBlock(block);
        }
        cursor.insertText(paragraphs[i], format);
    }
    return text;
}

class PrintingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        BXDefaults::registerDefaults();
        for (const QString& key :
            { NumberPagesWhenPrinting, TopBottomPrintMargins, LeftRightPrintMargins })
            defaults().removeObject(key);
        controller.setWindow(&mainWindow);
        document.addWindowController(&controller);
        tracker.activate(&controller);
    }
    void TearDown() override { document.removeWindowController(&controller); }

    static platform::UserDefaults& defaults() { return platform::UserDefaults::standard(); }
    QString pdfPath(const QString& name) const { return QDir(folder).filePath(name + u".pdf"_qs); }
    // Prints through the document's Print… command, answering the panel with a PDF.
    QString print(const QString& name)
    {
        document.printDocument();
        EXPECT_TRUE(presenter.isRunning());
        const QString path = pdfPath(name);
        EXPECT_TRUE(presenter.printToPdf(path));
        return path;
    }

    platform::FakeScheduler scheduler;
    platform::FakeAlertPresenter alerts;
    platform::FakePrintPresenter presenter;
    platform::FakeWindowTracker tracker;
    BXDocument document;
    QWidget mainWindow;
    FakeNoteController controller;
    QString folder = bxtest::makeTempFolder();
};

TEST_F(PrintingTest, PageNumberingPutsTitleAndDateAtopAndTheNumberBelowEachPage)
{
    controller.notes.push_back(noteText({ u"First"_qs, u"Second"_qs, u"Third"_qs }, true));
    defaults().setBool(NumberPagesWhenPrinting, true);
    const QString pdf = print(u"numbered"_qs);
    ASSERT_EQ(pageCountOf(pdf), 3);
    const auto words = wordsOf(pdf);
    const QSizeF a4(595.28, 841.89);
    const QString date = QLocale().toString(QDate::currentDate(), QLocale::LongFormat);
    for (int page = 1; page <= 3; ++page) {
        SCOPED_TRACE(page);
        bool title = false;
        bool number = false;
        double dateRight = 0;
        for (const Word& word : words) {
            if (word.page != page)
                continue;
            if (word.text == u"Garden" && word.box.bottom() < 72 && word.box.left() < 80)
                title = true;
            if (word.text == QString::number(page) && word.box.top() > a4.height() - 72
                && std::abs(word.box.center().x() - a4.width() / 2) < 3)
                number = true;
            if (word.box.bottom() < 72 && date.contains(word.text) && word.text != u"Garden")
                dateRight = std::max(dateRight, word.box.right());
        }
        EXPECT_TRUE(title);
        EXPECT_TRUE(number);
        EXPECT_NEAR(dateRight, a4.width() - 72, 1.5);
    }
}

TEST_F(PrintingTest, TheHeaderDateHasNoWeekdayAndALongNameGivesWayToIt)
{
    controller.notes.push_back(noteText({ u"Body"_qs }));
    controller.name = u"Export Test Note with a name long enough to run into the date"_qs;
    defaults().setBool(NumberPagesWhenPrinting, true);
    const auto words = wordsOf(print(u"long name"_qs));
    const QDate today = QDate::currentDate();
    const QString year = QString::number(today.year());
    double dateLeft = 1e9;
    double nameRight = 0;
    bool weekday = false;
    for (const Word& word : words) {
        if (word.box.bottom() >= 72)
            continue;
        weekday = weekday || word.text.contains(QLocale().dayName(today.dayOfWeek()));
        const bool dateWord = word.text.contains(year)
            || word.text.contains(QLocale().monthName(today.month()))
            || QString(word.text).remove(u',').remove(u'.') == QString::number(today.day());
        if (dateWord)
            dateLeft = std::min(dateLeft, word.box.left());
        else
            nameRight = std::max(nameRight, word.box.right());
    }
    EXPECT_FALSE(weekday);
    ASSERT_LT(dateLeft, 1e9);
    EXPECT_GT(nameRight, 72);
    EXPECT_LT(nameRight, dateLeft - 6);
}

TEST_F(PrintingTest, MarginsPlaceTheFirstWordOnceWithoutPageNumbers)
{
    controller.notes.push_back(noteText({ u"Tulips along the fence"_qs }));
    const struct {
        float leftRight;
        float topBottom;
    } cases[] = { { 36, 72 }, { 72, 36 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.leftRight);
        defaults().setFloat(LeftRightPrintMargins, c.leftRight);
        defaults().setFloat(TopBottomPrintMargins, c.topBottom);
        const QString pdf = print(QString::number(c.leftRight));
        const auto words = wordsOf(pdf);
        ASSERT_FALSE(words.empty());
        EXPECT_EQ(words[0].text, u"Tulips"_qs);
        EXPECT_NEAR(words[0].box.left(), c.leftRight, 1);
        EXPECT_GE(words[0].box.top(), c.topBottom - 1);
        EXPECT_LT(words[0].box.top(), c.topBottom + 6);
        EXPECT_EQ(words.size(), 4u);
    }
}

TEST_F(PrintingTest, MarginsStayPointsOnAPrinterThatCountsInMillimetres)
{
    // As the print dialog leaves a printer with metric paper.
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = pdfPath(u"metric"_qs);
    printer.setOutputFileName(pdf);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
        QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
    const auto info = std::make_shared<platform::PrintInfo>();
    platform::PrintDialogPresenter::takePaper(printer, *info);
    EXPECT_NEAR(info->leftMargin(), 72, 0.01);
    EXPECT_NEAR(info->topMargin(), 72, 0.01);

    QStringList words;
    for (int i = 0; i < 60; ++i)
        words << u"tulip"_qs;
    const auto text = noteText({ words.join(u' ') });
    const auto view = BXTextView::makePrintView(*text, &controller, *info);
    platform::PrintJob job(*view, info);
    platform::Error error;
    ASSERT_TRUE(job.print(printer, &error, nullptr)) << error.toString().toStdString();
    double left = 1e9;
    double right = 0;
    for (const Word& word : wordsOf(pdf)) {
        left = std::min(left, word.box.left());
        right = std::max(right, word.box.right());
    }
    EXPECT_NEAR(left, 72, 1);
    // The column runs to the right margin: 595 points of A4 less 72 on each side.
    EXPECT_LE(right, 595.28 - 72 + 1);
    EXPECT_GT(right, 595.28 - 72 - 40);
}

TEST_F(PrintingTest, TheTextIsTakenWhenPrintingStarts)
{
    controller.notes.push_back(noteText({ u"Apples"_qs }));
    controller.notes.push_back(noteText({ u"Pears"_qs }));
    document.printDocument();
    // An edit made while the panel is open is not printed.
    QTextCursor(controller.notes[0].get()).insertText(u"Rotten "_qs);
    const QString pdf = pdfPath(u"two"_qs);
    ASSERT_TRUE(presenter.printToPdf(pdf));
    QStringList texts;
    for (const Word& word : wordsOf(pdf))
        texts << word.text;
    EXPECT_EQ(texts, (QStringList { u"Apples"_qs, u"Pears"_qs }));
}

TEST_F(PrintingTest, TheKeyWindowPrintsElseTheMainOne)
{
    controller.notes.push_back(noteText({ u"Main"_qs }));
    FakeNoteController noteWindow;
    QWidget window;
    noteWindow.setWindow(&window);
    noteWindow.notes.push_back(noteText({ u"Single"_qs }));
    document.addWindowController(&noteWindow);
    tracker.setKeyWindowController(&noteWindow);
    QStringList texts;
    for (const Word& word : wordsOf(print(u"key"_qs)))
        texts << word.text;
    tracker.setKeyWindowController(nullptr);
    for (const Word& word : wordsOf(print(u"main"_qs)))
        texts << word.text;
    EXPECT_EQ(texts, (QStringList { u"Single"_qs, u"Main"_qs }));
    document.removeWindowController(&noteWindow);
}

TEST_F(PrintingTest, NoViewIsAnErrorShownAsAnAlert)
{
    platform::Error error;
    EXPECT_FALSE(document.printOperationWithSettings({}, &error));
    EXPECT_EQ(error.domain(), platform::BXDocumentErrorDomain);
    EXPECT_EQ(error.code(), 1);
    EXPECT_EQ(error.localizedDescription(), u"No printable content available"_qs);
    document.printDocument();
    EXPECT_EQ(presenter.runCount(), 0);
    ASSERT_EQ(alerts.shown().size(), 1u);
    EXPECT_EQ(alerts.shown()[0].alert.messageText, u"No printable content available"_qs);
}

TEST_F(PrintingTest, AnOutputThatCannotBeWrittenIsReportedWithItsReason)
{
    controller.notes.push_back(noteText({ u"Apples"_qs }));
    document.printDocument();
    platform::Error error;
    EXPECT_FALSE(presenter.printToPdf(u"/nonexistent-folder/x.pdf"_qs, &error));
    EXPECT_FALSE(error.localizedFailureReason().isEmpty());
    ASSERT_EQ(alerts.shown().size(), 1u);
    EXPECT_FALSE(QFile::exists(u"/nonexistent-folder/x.pdf"_qs));
}

TEST_F(PrintingTest, ThePrintInfoIsMadeOncePerDocument)
{
    BXDocument other;
    const auto info = document.printInfo();
    EXPECT_EQ(document.printInfo(), info);
    EXPECT_NE(other.printInfo(), info);
    EXPECT_EQ(other.printInfo()->horizontalPagination(), platform::PrintInfo::Pagination::Fit);
    EXPECT_FALSE(other.printInfo()->isHorizontallyCentered());
    EXPECT_FALSE(other.printInfo()->isVerticallyCentered());
    // Settings are kept only with page numbering on or when there are some.
    controller.notes.push_back(noteText({ u"x"_qs }));
    document.printOperationWithSettings({ { u"copies"_qs, 2 } }, nullptr);
    EXPECT_EQ(info->dictionary().value(u"copies"_qs).toInt(), 2);
    EXPECT_FALSE(info->headerAndFooter());
}

TEST_F(PrintingTest, TheAccessoryFollowsTheDefaultsIntoThePrintInfoAndTheView)
{
    BXPrintPanelAccessoryViewController::install();
    controller.notes.push_back(noteText({ u"Plans for the garden"_qs }));
    defaults().setFloat(TopBottomPrintMargins, 72.4f);
    document.printDocument();
    auto* accessory = qobject_cast<BXPrintPanelAccessoryViewController*>(presenter.accessory());
    ASSERT_TRUE(accessory);
    EXPECT_EQ(accessory->localizedSummaryItems()[1].description, u"72"_qs);
    EXPECT_EQ(accessory->localizedSummaryItems()[0].description, u"Off"_qs);

    accessory->topBottomField()->setValue(36);
    EXPECT_DOUBLE_EQ(defaults().doubleForKey(TopBottomPrintMargins), 36);
    const auto info = presenter.operation()->printInfo;
    EXPECT_DOUBLE_EQ(info->topMargin(), 36);
    EXPECT_DOUBLE_EQ(info->bottomMargin(), 36);
    EXPECT_EQ(accessory->localizedSummaryItems()[1].description, u"36"_qs);
    auto* view = qobject_cast<QWidget*>(presenter.operation()->printView.get());
    // The paper less the margins, at 96 units per inch.
    EXPECT_EQ(view->geometry().topLeft(), QPoint(96, 48));
    EXPECT_NEAR(view->width(), (595.28 - 144) * 4 / 3, 1);
    EXPECT_NEAR(view->height(), (841.89 - 72) * 4 / 3, 1);

    // A change made elsewhere reaches the panel too.
    defaults().setBool(NumberPagesWhenPrinting, true);
    EXPECT_TRUE(accessory->pageNumberingBox()->isChecked());
    EXPECT_TRUE(info->headerAndFooter());
    EXPECT_EQ(accessory->localizedSummaryItems()[0].description, u"On"_qs);
    accessory->resize(520, 560);
    accessory->show();
    QApplication::processEvents();
    bxtest::saveScreenshot(accessory->grab().toImage(), u"print-accessory"_qs);
    presenter.cancel();
    BXDocument::setPrintAccessoryMaker({});
}

} // namespace

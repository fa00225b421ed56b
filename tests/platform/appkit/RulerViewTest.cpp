#include "platform/appkit/RulerView.h"
#include "platform/appkit/TextView.h"
#include "platform/appkit/TextViewDelegate.h"
#include "platform/foundation/UndoManager.h"
#include "platform/testing/FakeScheduler.h"
#include "platform/text/AttributedText.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

using namespace platform;

namespace {

class UndoDelegate : public TextViewDelegate {
public:
    UndoManager* undoManagerForTextView(TextView*) override { return &undoManager; }
    UndoManager undoManager;
};

// A text view over a storage of three paragraphs, with its ruler shown.
class RulerViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        storage = AttributedText::makeDocument();
        QTextCursor(storage.get()).insertText(QStringLiteral("One\ttab\nTwo\nThree"));
        window.resize(560, 240);
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        view = new TextView(&window);
        layout->addWidget(view);
        view->setDelegate(&delegate);
        view->setTextStorage(storage.get());
        window.show();
        QApplication::setActiveWindow(&window);
        view->setFocus();
        view->perform(Command { QStringLiteral("toggleRuler:"), 0, {}, std::nullopt });
        ruler = view->rulerView();
    }
    void TearDown() override { QApplication::setActiveWindow(nullptr); }

    ParagraphStyle storedStyle(int paragraph) const
    {
        return AttributedText::paragraphStyle(storage->findBlockByNumber(paragraph).blockFormat());
    }
    QPoint markerPoint(double location, int y) const
    {
        return QPoint(int(std::lround(ruler->xForLocation(location))), y);
    }
    void drag(const QPoint& from, const QPoint& to)
    {
        QTest::mousePress(ruler, Qt::LeftButton, {}, from);
        QTest::mouseMove(ruler, (from + to) / 2);
        QTest::mouseMove(ruler, to);
        QTest::mouseRelease(ruler, Qt::LeftButton, {}, to);
        scheduler.runUntilIdle();
    }

    FakeScheduler scheduler;
    UndoDelegate delegate;
    std::unique_ptr<QTextDocument> storage;
    QWidget window;
    TextView* view = nullptr;
    RulerView* ruler = nullptr;
};

} // namespace

TEST_F(RulerViewTest, DraggingMarkersAndTabsEditsTheSelectedParagraphsUndoably)
{
    ASSERT_NE(ruler, nullptr);
    EXPECT_TRUE(view->isRulerVisible());
    EXPECT_TRUE(ruler->isVisible());
    // The first two paragraphs.
    view->setSelectedRange({ 1, 9 });
    const int bottom = RulerView::kHeight - 3;

    drag(markerPoint(0, bottom), markerPoint(36, bottom));
    for (int paragraph : { 0, 1 }) {
        SCOPED_TRACE(paragraph);
        EXPECT_NEAR(storedStyle(paragraph).headIndent, 36, 1);
        EXPECT_NEAR(storedStyle(paragraph).firstLineHeadIndent, 0, 0.01);
    }
    EXPECT_EQ(storedStyle(2).headIndent, 0);
    EXPECT_NEAR(ruler->shownStyle().headIndent, 36, 1);
    EXPECT_EQ(delegate.undoManager.undoActionName(), QStringLiteral("Change Ruler"));
    bxtest::saveScreenshot(window.grab().toImage(), QStringLiteral("ruler-over-text"));

    // A click on the scale adds a left tab; dragging it off takes it away again.
    const int tabAt = int(std::lround(ruler->xForLocation(100)));
    QTest::mouseClick(ruler, Qt::LeftButton, {}, QPoint(tabAt, bottom));
    QTest::mouseMove(ruler, QPoint(tabAt + 1, bottom));
    scheduler.runUntilIdle();
    ASSERT_EQ(storedStyle(0).tabStops.size(), 1);
    EXPECT_NEAR(storedStyle(0).tabStops.at(0).location, 100, 1);
    EXPECT_EQ(storedStyle(1).tabStops, storedStyle(0).tabStops);
    const double tab = storedStyle(0).tabStops.at(0).location;
    drag(markerPoint(tab, bottom), markerPoint(tab, RulerView::kHeight + 40));
    EXPECT_TRUE(storedStyle(0).tabStops.isEmpty());

    // Each change was one step.
    delegate.undoManager.undo();
    EXPECT_EQ(storedStyle(0).tabStops.size(), 1);
    delegate.undoManager.undo();
    EXPECT_TRUE(storedStyle(0).tabStops.isEmpty());
    delegate.undoManager.undo();
    EXPECT_EQ(storedStyle(0).headIndent, 0);
    EXPECT_EQ(ruler->shownStyle().headIndent, 0);

    view->perform(Command { QStringLiteral("toggleRuler:"), 0, {}, std::nullopt });
    EXPECT_FALSE(view->isRulerVisible());
}

TEST_F(RulerViewTest, UnitsChangeByNameAndTheScaleFollowsTheZoom)
{
    const struct {
        const char* units;
        const char* expected;
    } cases[] = {
        { "Centimeters", "Centimeters" },
        { "Furlongs", "Centimeters" },
        { "Points", "Points" },
        { "Picas", "Picas" },
        { "", "Picas" },
        { "Inches", "Inches" },
    };
    EXPECT_EQ(ruler->measurementUnits(), QStringLiteral("Inches"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.units);
        ruler->setMeasurementUnits(QLatin1String(c.units));
        EXPECT_EQ(ruler->measurementUnits(), QLatin1String(c.expected));
    }
    EXPECT_NEAR(RulerView::pointsPerUnit(QStringLiteral("Centimeters")), 28.3465, 1e-4);
    EXPECT_EQ(RulerView::pointsPerUnit(QStringLiteral("Picas")), 12);

    const double inch = ruler->xForLocation(72) - ruler->xForLocation(0);
    EXPECT_NEAR(inch, 96, 0.01);
    view->setZoom(1.5);
    EXPECT_NEAR(ruler->xForLocation(72) - ruler->xForLocation(0), 144, 0.01);
    EXPECT_NEAR(ruler->locationForX(ruler->xForLocation(50)), 50, 1e-9);
}

#include "mainwindow/image/BXImageViewController.h"
#include "mainwindow/image/BXImageAdjustPanel.h"
#include "mainwindow/image/BXImageViewControllerDelegate.h"

#include "platform/appkit/ImageEditView.h"
#include "platform/testing/FakeUserInput.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QSlider>
#include <QTest>

using platform::ImageEditView;

namespace {

struct Result {
    QImage image;
    QSizeF pointSize;
    QVariantMap context;
};

class RecordingDelegate : public BXImageViewControllerDelegate {
public:
    void imageViewControllerEditedImage(BXImageViewController*, const QImage& image,
        const QSizeF& pointSize, const QVariantMap& contextInfo) override
    {
        results.push_back({ image, pointSize, contextInfo });
    }
    void imageViewControllerDidClose(BXImageViewController*) override { ++closes; }

    std::vector<Result> results;
    int closes = 0;
};

// Pixels as (x, y, colour) triples, for comparing small pictures.
QImage picture(int width, int height, const QList<std::tuple<int, int, QColor>>& pixels)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::white);
    for (const auto& [x, y, colour] : pixels)
        image.setPixelColor(x, y, colour);
    return image;
}

class BXImageViewControllerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.resize(400, 300);
        window.show();
    }

    BXImageViewController* open(const QImage& image, const QSizeF& pointSize = {})
    {
        controller = new BXImageViewController;
        controller->setDelegate(&delegate);
        controller->editImage(image, pointSize, &window, QRect(20, 20, 40, 40),
            { { QStringLiteral("charIndex"), 7 } });
        return controller;
    }
    void tools(std::initializer_list<int> tags)
    {
        for (int tag : tags)
            controller->actionClicked(tag);
    }
    struct Shown {
        int degrees;
        bool flippedHorizontal;
        bool flippedVertical;
        bool operator==(const Shown&) const = default;
    };
    Shown shown() const
    {
        return { controller->degrees(), controller->flippedHorizontal(),
            controller->flippedVertical() };
    }

    platform::FakeUserInput input;
    QWidget window;
    RecordingDelegate delegate;
    QPointer<BXImageViewController> controller;
};

TEST_F(BXImageViewControllerTest, ToolsFollowTheRotationTable)
{
    const struct {
        std::vector<int> tags;
        Shown expected;
    } cases[] = {
        { { 1 }, { 270, false, false } },
        { { 1, 2 }, { 0, false, false } },
        { { 2, 2, 2 }, { 270, false, false } },
        { { 2, 2, 2, 2 }, { 0, false, false } },
        { { 1, 1, 1, 1 }, { 0, false, false } },
        { { 3 }, { 0, true, false } },
        { { 4, 3, 4 }, { 0, true, false } },
        { { 5, 0 }, { 0, false, false } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.tags));
        open(picture(3, 2, {}));
        for (int tag : c.tags)
            controller->actionClicked(tag);
        EXPECT_EQ(shown(), c.expected);
        controller->cancelEdit();
    }
}

TEST_F(BXImageViewControllerTest, FourLeftTurnsGiveTheUnrotatedBitmap)
{
    const QImage source = picture(2, 1, { { 0, 0, Qt::red } });
    open(source, QSizeF(2, 1));
    tools({ 1, 1, 1, 1 });
    controller->okAction();
    ASSERT_EQ(delegate.results.size(), 1u);
    EXPECT_EQ(delegate.results[0].image.convertToFormat(QImage::Format_ARGB32), source);
    EXPECT_EQ(delegate.results[0].context.value(QStringLiteral("charIndex")).toInt(), 7);
}

TEST_F(BXImageViewControllerTest, UndoAndRedoAcrossToolsRestoreTheExactState)
{
    open(picture(3, 2, {}));
    tools({ 3 });
    controller->undoManager()->undo();
    EXPECT_EQ(shown(), (Shown { 0, false, false }));

    tools({ 2, 4 });
    EXPECT_EQ(shown(), (Shown { 90, false, true }));
    controller->undoManager()->undo();
    EXPECT_EQ(shown(), (Shown { 90, false, false }));
    controller->undoManager()->undo();
    EXPECT_EQ(shown(), (Shown { 0, false, false }));
    EXPECT_FALSE(controller->undoManager()->canUndo());
    controller->undoManager()->redo();
    controller->undoManager()->redo();
    EXPECT_EQ(shown(), (Shown { 90, false, true }));
    EXPECT_EQ(controller->undoManager()->undoActionName(), QStringLiteral("Flip Vertical"));

    // Undone back to the start, nothing counts as changed: no result.
    controller->undoManager()->undo();
    controller->undoManager()->undo();
    controller->okAction();
    EXPECT_TRUE(delegate.results.empty());
    EXPECT_EQ(delegate.closes, 1);
}

TEST_F(BXImageViewControllerTest, ATurnRightMakesAWideImageTallOnAnHeightByWidthCanvas)
{
    open(picture(2, 1, { { 0, 0, Qt::red } }), QSizeF(2, 1));
    tools({ 2 });
    controller->okAction();
    ASSERT_EQ(delegate.results.size(), 1u);
    const QImage& result = delegate.results[0].image;
    ASSERT_EQ(result.size(), QSize(1, 2));
    EXPECT_EQ(result.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(result.pixelColor(0, 1), QColor(Qt::white));
    EXPECT_EQ(delegate.results[0].pointSize, QSizeF(1, 2));
}

TEST_F(BXImageViewControllerTest, FlipsAndTurnsDrawWhatTheViewShows)
{
    // 3 x 2, red at the top left, blue at the bottom left.
    const QImage source = picture(3, 2, { { 0, 0, Qt::red }, { 0, 1, Qt::blue } });
    const struct {
        ImageEditView::State state;
        QSize size;
        QPoint red;
        QPoint blue;
    } cases[] = {
        { { source, 0, true, false }, { 3, 2 }, { 2, 0 }, { 2, 1 } },
        { { source, 0, false, true }, { 3, 2 }, { 0, 1 }, { 0, 0 } },
        { { source, 180, false, false }, { 3, 2 }, { 2, 1 }, { 2, 0 } },
        { { source, 270, false, false }, { 2, 3 }, { 0, 2 }, { 1, 2 } },
        { { source, 90, true, false }, { 2, 3 }, { 1, 2 }, { 0, 2 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.state.degrees);
        const QImage drawn = ImageEditView::render(c.state);
        ASSERT_EQ(drawn.size(), c.size);
        EXPECT_EQ(drawn.pixelColor(c.red), QColor(Qt::red));
        EXPECT_EQ(drawn.pixelColor(c.blue), QColor(Qt::blue));
    }
}

TEST_F(BXImageViewControllerTest, TheSliderAloneKeepsThePixelsAtANewSize)
{
    const QImage source = picture(40, 20, { { 3, 4, Qt::green } });
    open(source, QSizeF(20, 10));
    EXPECT_EQ(controller->sizeSlider()->value(), 50);
    controller->sizeSlider()->setValue(150);
    EXPECT_DOUBLE_EQ(controller->imageView()->zoomFactor(), 1.5);
    // The zoom drives the slider back.
    controller->imageView()->setImageZoomFactor(1.25, {});
    EXPECT_EQ(controller->sizeSlider()->value(), 125);
    controller->okAction();
    ASSERT_EQ(delegate.results.size(), 1u);
    EXPECT_EQ(delegate.results[0].image.convertToFormat(QImage::Format_ARGB32), source);
    EXPECT_EQ(delegate.results[0].pointSize, QSizeF(50, 25));
}

TEST_F(BXImageViewControllerTest, CancelOrNoChangeSendsOnlyTheClose)
{
    open(picture(3, 2, {}));
    tools({ 1, 3, 4 });
    controller->cancelEdit();
    open(picture(3, 2, {}));
    controller->okAction();
    EXPECT_TRUE(delegate.results.empty());
    EXPECT_EQ(delegate.closes, 2);
}

TEST_F(BXImageViewControllerTest, ReturnSpaceAndKeypadEnterActAsOk)
{
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool closes;
    } cases[] = {
        { Qt::Key_Return, Qt::NoModifier, true },
        { Qt::Key_Space, Qt::NoModifier, true },
        { Qt::Key_Enter, Qt::KeypadModifier, true },
        { Qt::Key_Escape, Qt::NoModifier, false },
        { Qt::Key_A, Qt::NoModifier, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.key));
        open(picture(3, 2, {}));
        tools({ 2 });
        const size_t before = delegate.results.size();
        QTest::keyClick(controller.data(), c.key, c.modifiers);
        EXPECT_EQ(controller->popoverVisible(), !c.closes);
        EXPECT_EQ(delegate.results.size(), before + (c.closes ? 1 : 0));
        if (controller->popoverVisible())
            controller->cancelEdit();
    }
}

TEST_F(BXImageViewControllerTest, CropAndAdjustAreUndoableSteps)
{
    open(picture(10, 8, { { 2, 3, Qt::black } }), QSizeF(10, 8));
    controller->cropAction();
    EXPECT_EQ(input.beepCount(), 1);
    controller->imageView()->setSelection(QRect(2, 3, 4, 2));
    controller->cropAction();
    EXPECT_EQ(controller->imageView()->image().size(), QSize(4, 2));
    EXPECT_EQ(controller->imageView()->image().pixelColor(0, 0), QColor(Qt::black));

    controller->showAdjustPanel();
    EXPECT_TRUE(controller->editPanelWasOpened());
    controller->adjustPanel()->setValues(100, 0, 0);
    EXPECT_GT(controller->imageView()->image().pixelColor(0, 0).red(), 100);
    controller->adjustPanel()->reset();
    EXPECT_EQ(controller->imageView()->image().pixelColor(0, 0), QColor(Qt::black));
    controller->undoManager()->undo();
    controller->undoManager()->undo();
    controller->undoManager()->undo();
    EXPECT_EQ(controller->imageView()->image().size(), QSize(10, 8));
    EXPECT_FALSE(controller->undoManager()->canUndo());
    // The panel was opened: the edit counts as changed.
    controller->okAction();
    EXPECT_EQ(delegate.results.size(), 1u);
}

TEST_F(BXImageViewControllerTest, AClickInTheAnchorWindowClosesButNotOneInAnotherWindow)
{
    open(picture(3, 2, {}));
    QWidget other;
    other.show();
    QTest::mouseClick(&other, Qt::LeftButton);
    EXPECT_TRUE(controller->popoverVisible());
    QTest::mouseClick(&window, Qt::LeftButton);
    EXPECT_EQ(delegate.closes, 1);
    // The editor goes with its popover.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(controller);
}

} // namespace

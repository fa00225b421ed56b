#include "ui/BXColorButtonCell.h"
#include "ui/BXControlToolBarItem.h"
#include "ui/BXFadingText.h"
#include "ui/BXFadingTextDelegate.h"
#include "ui/BXHoverButton.h"
#include "ui/BXMouseDownActionButton.h"
#include "ui/BXMouseDownActionControlToolBarItem.h"
#include "ui/BXRolloverButton.h"
#include "ui/BXRolloverButtonDelegate.h"
#include "ui/BXSegmentedToolbarItem.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/controllers/Responder.h"
#include "platform/testing/FakeScheduler.h"
#include "platform/testing/FakeUserInput.h"

#include "PointerEvents.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QMenu>
#include <QPushButton>
#include <QTest>

using namespace platform;

namespace {

// Takes `action`; answers validation with `answer`.
class Target final : public QObject, public Responder {
public:
    bool respondsTo(const QString& a) const override { return a == action; }
    std::optional<bool> validate(Command&) const override { return answer; }
    void perform(const Command& command) override { performed << command.action; }

    QString action = QStringLiteral("doIt:");
    std::optional<bool> answer;
    QStringList performed;
};

QVariantMap description(QWidget* view, const QString& action = QStringLiteral("doIt:"))
{
    return {
        { QStringLiteral("identifier"), QStringLiteral("item") },
        { QStringLiteral("view"), QVariant::fromValue<QWidget*>(view) },
        { QStringLiteral("label"), QStringLiteral("Do It") },
        { QStringLiteral("paletteLabel"), QStringLiteral("Do It Now") },
        { QStringLiteral("action"), action },
    };
}

} // namespace

TEST(BXControlToolBarItem, BuildsFromADescriptionAndValidatesAgainstItsTarget)
{
    Target target;
    auto* button = new QPushButton;
    BXControlToolBarItem item(description(button));
    EXPECT_EQ(item.itemIdentifier(), QStringLiteral("item"));
    EXPECT_EQ(item.view(), button);
    EXPECT_EQ(item.label(), QStringLiteral("Do It"));
    EXPECT_EQ(item.paletteLabel(), QStringLiteral("Do It Now"));
    ASSERT_NE(item.menuFormRepresentation(), nullptr);
    EXPECT_EQ(item.menuFormRepresentation()->text(), QStringLiteral("Do It"));
    EXPECT_EQ(CommandRouter::action(item.menuFormRepresentation()), QStringLiteral("doIt:"));
    EXPECT_TRUE(item.menuFormRepresentation()->shortcut().isEmpty());

    struct Case {
        const char* name;
        bool withTarget;
        std::optional<bool> answer;
        bool enabled;
    };
    const Case cases[] = {
        { "no target and no responder takes it", false, std::nullopt, false },
        { "a target without an answer", true, std::nullopt, true },
        { "a target that refuses", true, false, false },
        { "a target that agrees", true, true, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        target.answer = c.answer;
        item.setTarget(c.withTarget ? &target : nullptr);
        item.validate();
        EXPECT_EQ(item.isEnabled(), c.enabled);
    }

    item.setRepresentedObject(QStringLiteral("carried"));
    EXPECT_EQ(CommandRouter::representedObject(button), QVariant(QStringLiteral("carried")));
    EXPECT_EQ(item.representedObject(), QVariant(QStringLiteral("carried")));

    item.setTarget(&target);
    target.answer.reset();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(target.performed, QStringList { QStringLiteral("doIt:") });
}

TEST(BXControlToolBarItem, AViewWithAMenuBecomesTheSubmenuOfTheMenuForm)
{
    auto* popUp = new QPushButton;
    QMenu menu;
    menu.addAction(QStringLiteral("First"));
    popUp->setMenu(&menu);
    BXControlToolBarItem item(description(popUp));
    ASSERT_NE(item.menuFormRepresentation(), nullptr);
    EXPECT_EQ(item.menuFormRepresentation()->menu(), &menu);
    popUp->setMenu(nullptr);
}

TEST(BXMouseDownAction, ItemsAndButtonsSendOnMouseDown)
{
    FakeUserInput input;
    Target target;
    auto* view = new QPushButton;
    BXMouseDownActionControlToolBarItem item(description(view));
    item.setTarget(&target);
    QTest::mousePress(view, Qt::LeftButton);
    EXPECT_EQ(target.performed.size(), 1);
    QTest::mouseRelease(view, Qt::LeftButton);
    EXPECT_EQ(target.performed.size(), 1) << "the release sends nothing more";

    BXMouseDownActionButton button;
    CommandRouter::setAction(&button, QStringLiteral("doIt:"));
    CommandRouter::setTarget(&button, &target);
    QTest::mousePress(&button, Qt::LeftButton);
    EXPECT_EQ(target.performed.size(), 2);
    QTest::mouseRelease(&button, Qt::LeftButton);
    EXPECT_EQ(target.performed.size(), 2);
    EXPECT_EQ(input.beepCount(), 0);
}

TEST(BXSegmentedToolbarItem, FollowsOnlyAnAnswerOfItsOwnTarget)
{
    Target target;
    BXSegmentedToolbarItem item(QStringLiteral("segments"));
    item.setAction(QStringLiteral("doIt:"));
    item.validate();
    EXPECT_TRUE(item.isEnabled()) << "no target: unchanged";
    item.setTarget(&target);
    target.answer = false;
    item.validate();
    EXPECT_FALSE(item.isEnabled());
    target.answer.reset();
    item.validate();
    EXPECT_FALSE(item.isEnabled()) << "a target without an answer keeps the state";
    target.answer = true;
    item.validate();
    EXPECT_TRUE(item.isEnabled());
}

TEST(BXColorButtonCell, CollectsOnlyTheColoursThatAreSet)
{
    struct Case {
        const char* name;
        QColor foreground;
        QColor background;
    };
    const Case cases[] = {
        { "neither", {}, {} },
        { "foreground", Qt::red, {} },
        { "background", {}, Qt::yellow },
        { "both", Qt::blue, Qt::green },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BXColorButtonCell cell;
        cell.setText(QStringLiteral("Title"));
        cell.setForegroundColor(c.foreground);
        cell.setBackgroundColor(c.background);
        cell.awakeFromNib();
        const QTextCharFormat& format = cell.titleFormat();
        EXPECT_EQ(format.hasProperty(QTextFormat::ForegroundBrush), c.foreground.isValid());
        EXPECT_EQ(format.hasProperty(QTextFormat::BackgroundBrush), c.background.isValid());
        if (c.foreground.isValid()) {
            EXPECT_EQ(format.foreground().color(), c.foreground);
        }
        EXPECT_EQ(cell.text(), QStringLiteral("Title"));
    }
}

TEST(BXHoverButton, HoversInTheActiveWindowOnlyAndDrawsItsCircle)
{
    EXPECT_EQ(BXHoverButton::hoverCircle(QRectF(0, 0, 40, 20)), QRectF(10, 0, 20, 20));
    EXPECT_EQ(BXHoverButton::hoverCircle(QRectF(0, 0, 20, 30)), QRectF(0, 5, 20, 20));

    QWidget window;
    auto* button = new BXHoverButton(&window);
    button->resize(40, 40);
    window.resize(60, 60);
    window.show();
    QApplication::setActiveWindow(nullptr);
    sendEnter(button);
    EXPECT_FALSE(button->isHovering()) << "an inactive window does not track the pointer";

    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(button->isActiveWindow());
    sendEnter(button);
    EXPECT_TRUE(button->isHovering());

    struct Case {
        const char* name;
        QColor window;
        QColor circle;
    };
    const Case cases[] = {
        { "dark: white at 0.1", QColor(30, 30, 30), QColor::fromRgbF(1, 1, 1, 0.1f) },
        { "light: black at 0.08", QColor(236, 236, 236), QColor::fromRgbF(0, 0, 0, 0.08f) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QPalette palette = button->palette();
        palette.setColor(QPalette::Window, c.window);
        button->setPalette(palette);
        EXPECT_EQ(BXHoverButton::hoverColor(BXHoverButton::isDark(palette)), c.circle);
        // Over a transparent ground the circle's centre shows its own colour.
        QImage shot(button->size(), QImage::Format_ARGB32);
        shot.fill(Qt::transparent);
        button->render(&shot, QPoint(), QRegion(), QWidget::DrawChildren);
        const QColor centre = shot.pixelColor(20, 20);
        EXPECT_NEAR(centre.alphaF(), c.circle.alphaF(), 0.02);
        EXPECT_NEAR(centre.redF(), c.circle.redF(), 0.05);
    }
    button->resetHoverState();
    EXPECT_FALSE(button->isHovering());
    QApplication::setActiveWindow(nullptr);
}

TEST(BXRolloverButton, TellsItsDelegateWhateverWindowIsActive)
{
    struct Delegate final : BXRolloverButtonDelegate {
        void mouseEnteredInButton(BXRolloverButton* b) override
        {
            calls << QStringLiteral("in") + b->text();
        }
        void mouseExitedFromButton(BXRolloverButton* b) override
        {
            calls << QStringLiteral("out") + b->text();
        }
        QStringList calls;
    } delegate;
    QApplication::setActiveWindow(nullptr);
    BXRolloverButton button;
    button.setText(QStringLiteral("X"));
    sendEnter(&button);
    button.setDelegate(&delegate);
    sendEnter(&button);
    sendLeave(&button);
    EXPECT_EQ(delegate.calls, (QStringList { QStringLiteral("inX"), QStringLiteral("outX") }));
}

namespace {

struct FadeDelegate final : BXFadingTextDelegate {
    std::optional<bool> fadingTextAnimationShouldStart(BXFadingText*, const QVariant& c) override
    {
        asked << c.toString();
        return answer;
    }
    void fadingTextAnimationDidEnd(BXFadingText* text, const QVariant& c) override
    {
        ended << c.toString() + (text->isHidden() ? QStringLiteral(":hidden") : QString());
    }
    std::optional<bool> answer;
    QStringList asked;
    QStringList ended;
};

class BXFadingTextTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        text = new BXFadingText(&window);
        window.show();
        text->setFadingTextDelegate(delegate);
    }

    FakeScheduler scheduler;
    QWidget window;
    BXFadingText* text = nullptr; // a child of the window
    std::shared_ptr<FadeDelegate> delegate = std::make_shared<FadeDelegate>();
};

} // namespace

TEST_F(BXFadingTextTest, FadesOutAndInOnTheSharedFade)
{
    text->toggleWithContext(QStringLiteral("one"));
    EXPECT_TRUE(text->isToggling());
    EXPECT_FALSE(text->isHidden()) << "visible while it fades";
    scheduler.advance(0.125);
    EXPECT_GT(text->opacity(), 0.5) << "easing in: slow at first";
    EXPECT_LT(text->opacity(), 1.0);
    scheduler.advance(0.2);
    EXPECT_TRUE(text->isHidden());
    EXPECT_FALSE(text->isToggling());
    EXPECT_EQ(delegate->ended, QStringList { QStringLiteral("one:hidden") });
    EXPECT_FALSE(text->contextData().isValid());

    // Hiding a hidden field does nothing.
    text->hide();
    EXPECT_EQ(text->fadingTextAnimation(), nullptr);
    EXPECT_EQ(delegate->asked.size(), 1);

    // Showing fades in over half a second.
    text->show();
    scheduler.advance(0.3);
    EXPECT_TRUE(text->isToggling());
    scheduler.advance(0.3);
    EXPECT_DOUBLE_EQ(text->opacity(), 1.0);
    EXPECT_FALSE(text->isToggling());
}

TEST_F(BXFadingTextTest, ARequestDuringAFadeCompletesItFirstAndARefusalKeepsTheFieldVisible)
{
    text->hide();
    scheduler.advance(0.1);
    // Asking for hidden again: the running fade ends at once, and nothing more happens.
    text->hide();
    EXPECT_TRUE(text->isHidden());
    EXPECT_EQ(text->fadingTextAnimation(), nullptr);
    EXPECT_EQ(delegate->asked.size(), 1);

    text->show();
    scheduler.advance(0.1);
    text->hide(); // completes the fade-in, then fades out
    EXPECT_DOUBLE_EQ(text->opacity(), 1.0);
    EXPECT_NE(text->fadingTextAnimation(), nullptr);
    EXPECT_EQ(delegate->asked.size(), 3);
    scheduler.advance(1.0);
    EXPECT_TRUE(text->isHidden());

    delegate->answer = false;
    text->toggleWithContext(QStringLiteral("refused"));
    EXPECT_FALSE(text->isHidden()) << "a refused fade leaves the field visible";
    EXPECT_FALSE(text->isToggling());
    EXPECT_FALSE(text->contextData().isValid());
    scheduler.advance(1.0);
    EXPECT_FALSE(text->isHidden());
}

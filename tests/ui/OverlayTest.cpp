#include "ui/OverlayViewController.h"
#include "ui/OverlayViewControllerDelegate.h"
#include "ui/OverlayWindowController.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/testing/FakeScheduler.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QLabel>
#include <QMainWindow>

namespace {

// Records the overlay notifications of one sender with the fake time they came at.
class NotificationLog {
public:
    explicit NotificationLog(const void* sender)
    {
        for (const QString& name :
            { OveralyViewWillCompleteNotification, OveralyViewDidCompleteNotification }) {
            platform::NotificationCenter::defaultCenter().addObserver(
                this, name, sender, [this](const platform::Notification& n) {
                    entries << QStringLiteral("%1@%2")
                                   .arg(n.name.startsWith(QLatin1String("OveralyViewWill")) ? "will"
                                                                                            : "did")
                                   .arg(platform::Scheduler::current().now() - 1000.0, 0, 'f', 2);
                });
        }
    }
    ~NotificationLog() { platform::NotificationCenter::defaultCenter().removeObserver(this); }

    QStringList entries;
};

struct OverlayFixture : testing::Test {
    OverlayFixture()
    {
        window.setCentralWidget(new QWidget);
        window.resize(500, 400);
        window.show();
    }

    bool plateShown() { return controller.view()->parentWidget() == window.centralWidget(); }

    platform::FakeScheduler scheduler; // starts at 1000 s
    QMainWindow window;
    OverlayViewController controller;
    NotificationLog log { &controller };
};

class FadeTakingDelegate final : public OverlayViewControllerDelegate {
public:
    bool overlayViewControllerFadeIn(OverlayViewController*) override
    {
        ++fadeIns;
        return takeFades;
    }
    bool overlayViewControllerFadeOut(OverlayViewController*) override
    {
        ++fadeOuts;
        return takeFades;
    }

    bool takeFades = false;
    int fadeIns = 0;
    int fadeOuts = 0;
};

} // namespace

TEST_F(OverlayFixture, MessageAppearsFadesAndPostsBothNotificationsInOrder)
{
    controller.showInWindow(&window, QStringLiteral("Undo Typing"));
    EXPECT_TRUE(plateShown());
    EXPECT_EQ(controller.messageLabel()->text(), QStringLiteral("Undo Typing"));
    EXPECT_EQ(controller.callsCount(), 1);
    const QPoint windowCentre
        = window.centralWidget()->mapFromGlobal(window.frameGeometry().center());
    EXPECT_LE((controller.view()->geometry().center() - windowCentre).manhattanLength(), 1);

    scheduler.advance(0.3);
    EXPECT_DOUBLE_EQ(controller.viewAlpha(), 1.0);
    scheduler.advance(0.7); // the duration has passed: the fade-out starts
    EXPECT_EQ(controller.callsCount(), 0);
    scheduler.advance(0.1);
    EXPECT_GT(controller.viewAlpha(), 0.0);
    EXPECT_LT(controller.viewAlpha(), 1.0);
    EXPECT_TRUE(log.entries.isEmpty());

    scheduler.advance(0.5);
    EXPECT_DOUBLE_EQ(controller.viewAlpha(), 0.0);
    EXPECT_EQ(
        log.entries, (QStringList { QStringLiteral("will@1.25"), QStringLiteral("did@1.26") }));
    EXPECT_FALSE(plateShown());
    EXPECT_EQ(controller.view()->parentWidget(), nullptr);
}

TEST_F(OverlayFixture, OverlappingRequestsShowTheLatestTextAndCompleteOnce)
{
    controller.showInWindow(&window, QStringLiteral("first"));
    scheduler.advance(0.5);
    controller.showInWindow(&window, QStringLiteral("second"));
    EXPECT_EQ(controller.callsCount(), 2);
    EXPECT_EQ(controller.messageLabel()->text(), QStringLiteral("second"));

    scheduler.advance(0.9); // past the first request's fade-out step
    EXPECT_EQ(controller.callsCount(), 1);
    EXPECT_DOUBLE_EQ(controller.viewAlpha(), 1.0);

    scheduler.advance(2.0);
    EXPECT_EQ(
        log.entries, (QStringList { QStringLiteral("will@1.75"), QStringLiteral("did@1.76") }));
}

TEST_F(OverlayFixture, ARequestDuringTheFadeRestartsIt)
{
    controller.showInWindow(&window, QStringLiteral("first"));
    scheduler.advance(1.1); // fading out
    const double fading = controller.viewAlpha();
    EXPECT_LT(fading, 1.0);

    controller.showInWindow(&window, QStringLiteral("again"));
    scheduler.advance(0.2); // the first cycle's completion step has come and gone
    EXPECT_TRUE(log.entries.isEmpty());
    EXPECT_TRUE(plateShown());
    EXPECT_GT(controller.viewAlpha(), fading);

    scheduler.advance(0.2);
    EXPECT_DOUBLE_EQ(controller.viewAlpha(), 1.0);
    scheduler.advance(2.0);
    EXPECT_EQ(
        log.entries, (QStringList { QStringLiteral("will@2.35"), QStringLiteral("did@2.36") }));
}

TEST_F(OverlayFixture, ARequestJustBeforeTheTakeDownIsShownNotLost)
{
    controller.showInWindow(&window, QStringLiteral("first"));
    scheduler.advance(1.25);
    ASSERT_EQ(log.entries, QStringList { QStringLiteral("will@1.25") });

    controller.showInWindow(&window, QStringLiteral("late"));
    scheduler.advance(0.5);
    EXPECT_TRUE(plateShown());
    EXPECT_TRUE(controller.view()->isVisible());
    EXPECT_DOUBLE_EQ(controller.viewAlpha(), 1.0);
    EXPECT_EQ(controller.messageLabel()->text(), QStringLiteral("late"));

    scheduler.advance(2.0);
    EXPECT_FALSE(plateShown());
    EXPECT_EQ(log.entries,
        (QStringList { QStringLiteral("will@1.25"), QStringLiteral("will@2.50"),
            QStringLiteral("did@2.51") }));
}

TEST_F(OverlayFixture, DelegateTakesTheFadesOnlyWhenItSaysSo)
{
    FadeTakingDelegate delegate;
    controller.setDelegate(&delegate);

    controller.showInWindow(&window, QStringLiteral("default fades"));
    scheduler.advance(0.5);
    EXPECT_DOUBLE_EQ(controller.viewAlpha(), 1.0);
    scheduler.advance(1.0);
    EXPECT_DOUBLE_EQ(controller.viewAlpha(), 0.0);

    delegate.takeFades = true;
    controller.showInWindow(&window, QStringLiteral("delegate fades"));
    scheduler.advance(0.5);
    EXPECT_DOUBLE_EQ(controller.viewAlpha(), 0.0);
    scheduler.advance(1.0);
    EXPECT_EQ(delegate.fadeIns, 2);
    EXPECT_EQ(delegate.fadeOuts, 2);
    EXPECT_EQ(log.entries.size(), 4);
    controller.setDelegate(nullptr);
}

TEST_F(OverlayFixture, AWindowDestroyedWhileShowingTakesThePlateAndTheNextRequestMakesANewOne)
{
    auto* other = new QWidget;
    other->resize(300, 200);
    other->show();
    controller.showInWindow(other, QStringLiteral("going"));
    delete other;
    scheduler.advance(2.0);
    EXPECT_EQ(controller.callsCount(), 0);

    controller.showInWindow(&window, QStringLiteral("back"));
    EXPECT_TRUE(plateShown());
    EXPECT_EQ(controller.messageLabel()->text(), QStringLiteral("back"));
}

TEST(OverlayWindowController, ShowsItsWindowOverTheParentAndHidesItWhenComplete)
{
    platform::FakeScheduler scheduler;
    QWidget parent;
    parent.setGeometry(100, 80, 600, 400);
    parent.show();
    OverlayWindowController controller;
    controller.setDuration(0.5);
    EXPECT_DOUBLE_EQ(controller.overlayViewController()->duration(), 0.5);
    NotificationLog log(controller.overlayViewController());

    controller.showInWindow(&parent, QStringLiteral("Redo Paste"));
    QWidget* overlay = controller.window();
    EXPECT_TRUE(overlay->isWindow());
    EXPECT_EQ(overlay->frameGeometry().center(), parent.frameGeometry().center());
    EXPECT_FALSE(overlay->isVisible());
    scheduler.advance(0.05);
    EXPECT_TRUE(overlay->isVisible());
    EXPECT_EQ(
        controller.overlayViewController()->messageLabel()->text(), QStringLiteral("Redo Paste"));

    scheduler.advance(1.0);
    EXPECT_EQ(
        log.entries, (QStringList { QStringLiteral("will@0.75"), QStringLiteral("did@0.76") }));
    EXPECT_FALSE(overlay->isVisible());

    // The closed window comes back for the next message.
    controller.showInWindow(&parent, QStringLiteral("Undo Paste"));
    scheduler.advance(0.05);
    EXPECT_TRUE(overlay->isVisible());
}

TEST(OverlayScreenshot, MessageIsDrawnOverTheWindow)
{
    platform::FakeScheduler scheduler;
    QMainWindow window;
    auto* content = new QWidget;
    content->setAutoFillBackground(true);
    QPalette palette = content->palette();
    palette.setColor(QPalette::Window, QColor(236, 236, 236));
    content->setPalette(palette);
    window.setCentralWidget(content);
    window.resize(480, 320);
    window.show();
    OverlayViewController controller;
    controller.showInWindow(&window, QStringLiteral("Undo Typing"));
    scheduler.advance(0.5);

    const QImage shot = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("/overlay.png");
    ASSERT_TRUE(shot.save(path));

    // Text pixels: near white, inside the dark plate, at the centre of the window.
    const QRect plate = controller.view()->geometry().translated(content->pos());
    int text = 0;
    int dark = 0;
    for (int y = plate.top(); y <= plate.bottom(); ++y) {
        for (int x = plate.left(); x <= plate.right(); ++x) {
            const int grey = qGray(shot.pixel(x, y));
            text += grey > 200;
            dark += grey < 80;
        }
    }
    EXPECT_GT(text, 40);
    EXPECT_GT(dark, plate.width() * plate.height() / 2);
    EXPECT_EQ(qGray(shot.pixel(5, shot.height() - 5)), qGray(QColor(236, 236, 236).rgb()));
}

#include "ui/ToolbarAdditions.h"
#include "ui/WindowAdditions.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QGuiApplication>
#include <QScreen>
#include <QToolBar>
#include <QWidget>

#include <memory>
#include <vector>

TEST(WindowAdditions, ValidateWindowPositionCentresOnlyMisplacedWindows)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    struct Case {
        const char* name;
        QPoint position;
        bool centred;
    };
    const std::vector<Case> cases = {
        { "inside", screen.topLeft() + QPoint(40, 30), false },
        { "top at the screen's top", screen.topLeft() + QPoint(40, 0), false },
        { "above the screen's top", screen.topLeft() + QPoint(40, -20), true },
        { "on no screen", screen.bottomRight() + QPoint(3000, 3000), true },
        { "left of every screen", QPoint(screen.left() - 5000, screen.top() + 10), true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QWidget window;
        window.resize(200, 150);
        window.move(c.position);
        WindowAdditions::validateWindowPosition(&window);
        if (c.centred)
            EXPECT_EQ(window.frameGeometry().center(), screen.center());
        else
            EXPECT_EQ(window.pos(), c.position);
    }
}

// Frames (windows with their decoration) relative to the screen's available area.
TEST(WindowAdditions, CascadeStepsPastWindowsStandingWhereAWindowOpens)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    struct Case {
        const char* name;
        QSize size;
        QSize minimum;
        QList<QPoint> taken; // the other windows' frames' top left corners
        QRect expected;
    };
    const QSize full = screen.size() - QSize(10, 10);
    const std::vector<Case> cases = {
        { "a free place is kept", { 300, 200 }, {}, { { 100, 100 } }, { 10, 10, 300, 200 } },
        { "one step past one window", { 300, 200 }, {}, { { 10, 10 } }, { 32, 32, 300, 200 } },
        // As a window manager leaves one a decoration's width from where it was asked to be.
        { "a window a few units off is in the way", { 300, 200 }, {}, { { 13, 15 } },
            { 32, 32, 300, 200 } },
        { "two steps past two", { 300, 200 }, {}, { { 10, 10 }, { 32, 32 } },
            { 54, 54, 300, 200 } },
        { "a full window gives up the step at its far edges", full, {}, { { 10, 10 } },
            { 32, 32, full.width() - 22, full.height() - 22 } },
        { "too small to give it up starts at the corner", full, full - QSize(20, 20),
            { { 10, 10 } }, { 0, 0, full.width(), full.height() } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::unique_ptr<QWidget>> others;
        QList<QWidget*> shown;
        QMargins margins;
        const auto placeFrame = [&](QWidget* window, const QRect& frame) {
            window->setGeometry(frame.translated(screen.topLeft()).marginsRemoved(margins));
        };
        for (const QPoint& corner : c.taken) {
            others.push_back(std::make_unique<QWidget>());
            others.back()->show();
            const QRect frame = others.back()->frameGeometry();
            const QRect inner = others.back()->geometry();
            margins = QMargins(inner.left() - frame.left(), inner.top() - frame.top(),
                frame.right() - inner.right(), frame.bottom() - inner.bottom());
            placeFrame(others.back().get(), QRect(corner, QSize(100, 80)));
            shown << others.back().get();
        }
        QWidget window;
        window.setMinimumSize(c.minimum.shrunkBy(margins).expandedTo(QSize(0, 0)));
        placeFrame(&window, QRect(QPoint(10, 10), c.size));
        WindowAdditions::cascade(&window, shown);
        EXPECT_EQ(
            window.geometry().marginsAdded(margins).translated(-screen.topLeft()), c.expected);
    }
}

TEST(ToolbarAdditions, ItemForIdentifierFindsTheFirstActionByName)
{
    QToolBar toolbar;
    QAction* general = toolbar.addAction(QStringLiteral("General"));
    general->setObjectName(QStringLiteral("general"));
    QAction* fonts = toolbar.addAction(QStringLiteral("Fonts"));
    fonts->setObjectName(QStringLiteral("fonts"));
    toolbar.addAction(QStringLiteral("Fonts again"))->setObjectName(QStringLiteral("fonts"));

    EXPECT_EQ(ToolbarAdditions::itemForIdentifier(&toolbar, QStringLiteral("general")), general);
    EXPECT_EQ(ToolbarAdditions::itemForIdentifier(&toolbar, QStringLiteral("fonts")), fonts);
    EXPECT_EQ(ToolbarAdditions::itemForIdentifier(&toolbar, QStringLiteral("missing")), nullptr);
    EXPECT_EQ(ToolbarAdditions::itemForIdentifier(nullptr, QStringLiteral("general")), nullptr);
}

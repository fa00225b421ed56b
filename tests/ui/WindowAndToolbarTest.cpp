#include "ui/ToolbarAdditions.h"
#include "ui/WindowAdditions.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QGuiApplication>
#include <QScreen>
#include <QToolBar>
#include <QWidget>

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

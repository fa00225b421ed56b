#include "platform/appkit/PopupWidget.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

using namespace platform;

namespace {

struct Fixture {
    Fixture()
    {
        window.setGeometry(100, 100, 400, 300);
        button = new QPushButton(QStringLiteral("Anchor"), &window);
        button->setGeometry(50, 40, 100, 30);
        other = new QPushButton(QStringLiteral("Other"), &window);
        other->setGeometry(200, 200, 100, 30);
        window.show();
        popup = new PopupWidget(&window);
        auto* layout = new QVBoxLayout(popup);
        inside = new QLabel(QStringLiteral("Some text"), popup);
        layout->addWidget(inside);
    }

    QWidget window;
    QPushButton* button;
    QPushButton* other;
    PopupWidget* popup;
    QLabel* inside;
};

} // namespace

TEST(PopupWidget, ShowsOnThePreferredEdgeAndFlipsWhenTheScreenHasNoRoom)
{
    Fixture f;
    const QRect anchor(f.button->mapToGlobal(QPoint(0, 0)), f.button->size());
    f.popup->showRelativeTo(f.button->rect(), f.button, PopupWidget::Edge::Bottom);
    ASSERT_TRUE(f.popup->isVisible());
    EXPECT_TRUE(f.popup->isWindow());
    EXPECT_GT(f.popup->geometry().top(), anchor.bottom());
    EXPECT_NEAR(f.popup->geometry().center().x(), anchor.center().x(), 1);

    // Above the anchor there are only 140 pixels of screen: far too few for a tall popup.
    f.popup->close();
    f.popup->setMinimumHeight(200);
    f.popup->showRelativeTo(f.button->rect(), f.button, PopupWidget::Edge::Top);
    EXPECT_GT(f.popup->geometry().top(), anchor.bottom());
}

TEST(PopupWidget, ClickOutsideOrEscapeClosesItAndAClickInsideDoesNot)
{
    Fixture f;
    QSignalSpy closed(f.popup, &PopupWidget::closed);
    f.popup->showRelativeTo(f.button->rect(), f.button, PopupWidget::Edge::Bottom);

    QTest::mouseClick(f.inside, Qt::LeftButton);
    EXPECT_TRUE(f.popup->isVisible());
    QTest::mouseClick(f.other, Qt::LeftButton);
    EXPECT_FALSE(f.popup->isVisible());
    EXPECT_EQ(closed.count(), 1);

    f.popup->showRelativeTo(f.button->rect(), f.button, PopupWidget::Edge::Bottom);
    QTest::keyClick(f.other, Qt::Key_Escape);
    EXPECT_FALSE(f.popup->isVisible());
    EXPECT_EQ(closed.count(), 2);
}

TEST(PopupWidget, MovesToTheWindowOfItsAnchorView)
{
    Fixture f;
    QWidget second;
    auto* anchor = new QWidget(&second);
    anchor->setGeometry(10, 10, 20, 20);
    second.show();
    f.popup->showRelativeTo(anchor->rect(), anchor, PopupWidget::Edge::Bottom);
    EXPECT_EQ(f.popup->parentWidget(), &second);
    EXPECT_TRUE(f.popup->isWindow());
    EXPECT_TRUE(f.popup->isVisible());
}

#include "platform/appkit/PopUpButton.h"
#include "platform/appkit/CommandRouter.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

using namespace platform;

TEST(PopUpButton, ItemsShowTheirOwnFontAndAFreeTitleChecksNone)
{
    PopUpButton button;
    QFont control = button.font();
    control.setPointSizeF(11);
    button.setControlFont(control);
    QFont serif(QStringLiteral("DejaVu Serif"));
    serif.setPointSizeF(13);
    QAction* plain = button.addItem(QStringLiteral("Sans"), 1);
    QAction* styled = button.addItem(QStringLiteral("Serif"), 2, serif);

    EXPECT_TRUE(button.selectItemWithTitle(QStringLiteral("Serif")));
    EXPECT_EQ(button.selectedItem(), styled);
    EXPECT_TRUE(styled->isChecked());
    EXPECT_EQ(button.title(), QStringLiteral("Serif"));
    EXPECT_EQ(button.font().family(), serif.family());

    EXPECT_TRUE(button.selectItemWithTag(1));
    EXPECT_TRUE(plain->isChecked());
    EXPECT_FALSE(styled->isChecked());
    EXPECT_EQ(button.font().pointSizeF(), 11);

    // A family the list does not hold still shows, with no item checked.
    button.setTitle(QStringLiteral("Missing Family"));
    EXPECT_EQ(button.title(), QStringLiteral("Missing Family"));
    EXPECT_EQ(button.selectedItem(), nullptr);
    EXPECT_FALSE(plain->isChecked());
    EXPECT_FALSE(button.selectItemWithTag(9));
    EXPECT_EQ(CommandRouter::tag(button.itemWithTitle(QStringLiteral("Serif"))), 2);

    button.addSeparator();
    button.removeAllItems();
    EXPECT_TRUE(button.items().isEmpty());
    EXPECT_TRUE(button.menu()->actions().isEmpty());
    EXPECT_EQ(button.title(), QStringLiteral("Missing Family"));
}

TEST(PopUpButton, ChoosingFromTheOpenMenuSelectsAndReports)
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* button = new PopUpButton;
    layout->addWidget(button);
    layout->addStretch();
    button->setFixedWidth(170);
    QFont family(QStringLiteral("DejaVu Serif"));
    family.setPointSizeF(13);
    for (const char* title : { "DejaVu Sans", "DejaVu Sans Mono", "DejaVu Serif" }) {
        family.setFamily(QLatin1String(title));
        button->addItem(QLatin1String(title), 0, family);
    }
    button->selectItemWithTitle(QStringLiteral("DejaVu Sans"));
    window.resize(240, 160);
    window.show();
    QSignalSpy chosen(button, &PopUpButton::itemChosen);

    QTimer::singleShot(0, [&] {
        QMenu* menu = button->menu();
        ASSERT_TRUE(menu->isVisible());
        const QRect area = QRect(QPoint(0, 0), window.size())
                               .united(menu->geometry().translated(-window.geometry().topLeft()));
        QImage shot(area.size(), QImage::Format_ARGB32);
        shot.fill(Qt::white);
        window.render(&shot);
        menu->render(&shot, menu->geometry().topLeft() - window.geometry().topLeft());
        bxtest::saveScreenshot(shot, QStringLiteral("popupbutton-open"));
        menu->setActiveAction(button->items().at(2));
        QTest::keyClick(menu, Qt::Key_Return);
    });
    button->showMenu();

    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(button->title(), QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(button->selectedItem(), button->items().at(2));
}

TEST(PopUpButton, ANarrowButtonShortensItsTitleAtTheEnd)
{
    PopUpButton button;
    const QString title = QStringLiteral("DejaVu Sans Mono");
    button.setTitle(title);
    button.resize(button.sizeHint());
    EXPECT_EQ(button.shownTitle(), title);
    for (const int width : { button.sizeHint().width() - 30, 56, 10 }) {
        SCOPED_TRACE(width);
        button.resize(width, button.sizeHint().height());
        const QString shown = button.shownTitle();
        EXPECT_NE(shown, title);
        if (!shown.isEmpty()) {
            EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
            EXPECT_TRUE(title.startsWith(shown.chopped(1)));
        }
        // The title stays whole for what it says and the items it picks.
        EXPECT_EQ(button.title(), title);
    }
}

#include "platform/appkit/ColorPanel.h"
#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/FontPanel.h"
#include "platform/controllers/Responder.h"

#include <gtest/gtest.h>

#include <QColorDialog>
#include <QFontDialog>
#include <QSignalSpy>

using namespace platform;

namespace {

// Stands at the end of the chain, as a text view in the main window would take the changes.
class Taker final : public QObject, public Responder {
public:
    bool respondsTo(const QString& action) const override
    {
        return action == FontPanel::kChangeFontAction || action == ColorPanel::kChangeColorAction;
    }
    void perform(const Command& command) override { taken << command; }
    QList<Command> taken;
};

class PanelsTest : public ::testing::Test {
protected:
    void SetUp() override { CommandRouter::shared().setApplicationResponder(&taker); }
    void TearDown() override
    {
        CommandRouter::shared().setApplicationResponder(nullptr);
        FontPanel::shared().close();
        ColorPanel::shared().close();
    }
    Taker taker;
};

} // namespace

TEST_F(PanelsTest, TheFontPanelIsSharedNonModalAndAppliesEachChange)
{
    FontPanel& panel = FontPanel::shared();
    EXPECT_EQ(&panel, &FontPanel::shared());
    QFont shown(QStringLiteral("DejaVu Sans"), 12);
    panel.setPanelFont(shown);
    panel.orderFront();
    ASSERT_TRUE(panel.isVisible());
    EXPECT_FALSE(panel.dialog()->isModal());
    EXPECT_EQ(panel.dialog()->currentFont().family(), shown.family());
    QSignalSpy changed(&panel, &FontPanel::fontChanged);

    // Shown by code: applies nowhere.
    panel.setPanelFont(QFont(QStringLiteral("DejaVu Serif"), 14));
    EXPECT_EQ(changed.count(), 0);
    EXPECT_TRUE(taker.taken.isEmpty());

    // The user's change (the dialog's own signal) applies at once.
    const QFont chosen(QStringLiteral("DejaVu Sans Mono"), 18);
    emit panel.dialog()->currentFontChanged(chosen);
    ASSERT_EQ(changed.count(), 1);
    ASSERT_EQ(taker.taken.size(), 1);
    EXPECT_EQ(taker.taken.at(0).action, FontPanel::kChangeFontAction);
    EXPECT_EQ(taker.taken.at(0).representedObject.value<QFont>().family(), chosen.family());
    EXPECT_EQ(panel.panelFont().pointSize(), 18);
}

TEST_F(PanelsTest, TheColorPanelIsSharedNonModalAndAppliesEachChange)
{
    ColorPanel& panel = ColorPanel::shared();
    panel.setPanelColor(Qt::red);
    panel.orderFront();
    ASSERT_TRUE(panel.isVisible());
    EXPECT_FALSE(panel.dialog()->isModal());
    EXPECT_EQ(panel.dialog()->currentColor(), QColor(Qt::red));
    QSignalSpy changed(&panel, &ColorPanel::colorChanged);

    panel.dialog()->setCurrentColor(QColor(10, 20, 30));
    ASSERT_EQ(changed.count(), 1);
    ASSERT_EQ(taker.taken.size(), 1);
    EXPECT_EQ(taker.taken.at(0).action, ColorPanel::kChangeColorAction);
    EXPECT_EQ(taker.taken.at(0).representedObject.value<QColor>(), QColor(10, 20, 30));

    panel.setPanelColor(Qt::blue);
    EXPECT_EQ(changed.count(), 1);
}

#include "platform/appkit/SegmentedControl.h"
#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/SymbolIcon.h"
#include "platform/controllers/Responder.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

using namespace platform;

namespace {

class Navigator final : public QObject, public Responder {
public:
    bool respondsTo(const QString& action) const override { return action == u"navigate:"; }
    void perform(const Command& command) override { tags << command.tag; }
    QList<int> tags;
};

SegmentedControl* makeBackForward(QWidget* parent)
{
    auto* control = new SegmentedControl(parent);
    control->setSegmentCount(2);
    const char* symbols[] = { "chevron.backward", "chevron.forward" };
    const char* labels[] = { "Back", "Forward" };
    for (int segment = 0; segment < 2; ++segment) {
        control->setIcon(segment, SymbolIcon::named(QLatin1String(symbols[segment])));
        control->setLabel(segment, QLatin1String(labels[segment]));
        control->setTag(segment, segment - 2);
        control->setWidth(segment, 25);
    }
    return control;
}

} // namespace

TEST(SegmentedControl, TrackingDecidesWhatStaysSelectedAndClicksSendTheSegmentsTag)
{
    QWidget window;
    SegmentedControl* control = makeBackForward(&window);
    Navigator navigator;
    CommandRouter::setAction(control, QStringLiteral("navigate:"));
    CommandRouter::setTarget(control, &navigator);
    window.show();
    EXPECT_EQ(control->width(0), 25);

    control->setTracking(SegmentedControl::Tracking::Momentary);
    int selectedWhileReported = -99;
    QObject::connect(control, &SegmentedControl::segmentClicked, control,
        [&] { selectedWhileReported = control->selectedSegment(); });
    QTest::mouseClick(control->buttonForSegment(1), Qt::LeftButton);
    EXPECT_EQ(selectedWhileReported, 1);
    EXPECT_EQ(control->selectedSegment(), -1);
    EXPECT_EQ(navigator.tags, QList<int>({ -1 }));

    control->setTracking(SegmentedControl::Tracking::SelectOne);
    QTest::mouseClick(control->buttonForSegment(0), Qt::LeftButton);
    EXPECT_EQ(control->selectedSegment(), 0);
    EXPECT_EQ(control->tagOfSelectedSegment(), -2);
    EXPECT_TRUE(control->buttonForSegment(0)->isChecked());
    EXPECT_EQ(navigator.tags, QList<int>({ -1, -2 }));

    control->setEnabled(1, false);
    QTest::mouseClick(control->buttonForSegment(1), Qt::LeftButton);
    EXPECT_EQ(control->selectedSegment(), 0);

    control->setTextOnly(true);
    EXPECT_EQ(control->buttonForSegment(0)->toolButtonStyle(), Qt::ToolButtonTextOnly);
    control->setTextOnly(false);
    EXPECT_EQ(control->buttonForSegment(0)->toolButtonStyle(), Qt::ToolButtonIconOnly);
}

TEST(SegmentedControl, ASegmentsMenuOpensOnPressAndHold)
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    SegmentedControl* control = makeBackForward(&window);
    layout->addWidget(control, 0, Qt::AlignLeft);
    layout->addStretch();
    QMenu back;
    back.addAction(QStringLiteral("Shopping list"));
    back.addAction(QStringLiteral("Meeting notes"));
    control->setMenu(0, &back);
    window.resize(220, 140);
    window.show();
    QToolButton* button = control->buttonForSegment(0);
    EXPECT_EQ(control->menu(0), &back);
    EXPECT_EQ(control->menu(1), nullptr);
    EXPECT_EQ(button->popupMode(), QToolButton::DelayedPopup);

    QSignalSpy clicked(control, &SegmentedControl::segmentClicked);
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(back.isVisible());
        const QRect area = QRect(QPoint(0, 0), window.size())
                               .united(back.geometry().translated(-window.geometry().topLeft()));
        QImage shot(area.size(), QImage::Format_ARGB32);
        shot.fill(Qt::white);
        window.render(&shot);
        back.render(&shot, back.geometry().topLeft() - window.geometry().topLeft());
        bxtest::saveScreenshot(shot, QStringLiteral("segmentedcontrol-menu"));
        back.close();
    });
    // What holding the mouse down ends in.
    button->showMenu();
    EXPECT_EQ(clicked.count(), 0);
}

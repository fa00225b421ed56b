#include "platform/appkit/Stepper.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

using namespace platform;

TEST(Stepper, StepsByTheIncrementAndStopsAtTheEnds)
{
    const struct {
        const char* name;
        double start;
        int direction;
        double expected;
        bool reported;
    } cases[] = {
        { "value kept unrounded", 12.6, 1, 13.6, true },
        { "down", 12.6, -1, 11.6, true },
        { "clamped at the top", 143.5, 1, 144, true },
        { "at the top: no wrap", 144, 1, 144, false },
        { "at the bottom: no wrap", 6, -1, 6, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Stepper stepper;
        stepper.setMinimum(6);
        stepper.setMaximum(144);
        stepper.setIncrement(1);
        stepper.setValue(c.start);
        EXPECT_EQ(stepper.value(), c.start);
        QSignalSpy stepped(&stepper, &Stepper::stepped);
        QTest::keyClick(&stepper, c.direction > 0 ? Qt::Key_Up : Qt::Key_Down);
        EXPECT_DOUBLE_EQ(stepper.value(), c.expected);
        EXPECT_EQ(stepped.count(), c.reported ? 1 : 0);
    }
    Stepper stepper;
    stepper.setMinimum(6);
    stepper.setMaximum(144);
    stepper.setValue(500);
    EXPECT_EQ(stepper.value(), 144);
}

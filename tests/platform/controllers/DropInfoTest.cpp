#include "platform/controllers/DropValidation.h"

#include <gtest/gtest.h>

#include <QMimeData>

using namespace platform;

namespace {

TEST(DropInfoTest, ADragFromAnotherApplicationOrAGoneSourceIsExternal)
{
    QMimeData data;
    auto source = std::make_unique<QObject>();
    const DropInfo inside(&data, source.get(), Qt::CopyAction | Qt::MoveAction, Qt::MoveAction, 3,
        DropPosition::Above, Qt::AltModifier);
    EXPECT_FALSE(inside.isExternal());
    EXPECT_EQ(inside.row(), 3);
    EXPECT_EQ(inside.position(), DropPosition::Above);
    EXPECT_EQ(inside.modifiers(), Qt::AltModifier);
    source.reset();
    EXPECT_TRUE(inside.isExternal());
    EXPECT_EQ(inside.source(), nullptr);

    const DropInfo outside(&data, nullptr, Qt::CopyAction, Qt::CopyAction, -1, DropPosition::On);
    EXPECT_TRUE(outside.isExternal());
}

TEST(DropInfoTest, ValidationGivesTheDelegatesContext)
{
    struct Case {
        const char* name;
        DropValidation validation;
        QVariantMap context;
        bool valid;
    };
    const Case cases[] = {
        { "refused", DropValidation::refused(),
            { { "DropOperation", 0 }, { "DropExternal", false } }, false },
        { "above, counted", DropValidation(Qt::MoveAction, 2, DropPosition::Above, false, 4),
            { { "DropOperation", 1 }, { "DropExternal", false }, { "DropCount", 4 } }, true },
        { "on, external, not counted", DropValidation(Qt::CopyAction, 0, DropPosition::On, true),
            { { "DropOperation", 0 }, { "DropExternal", true } }, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.validation.contextInfo(), c.context);
        EXPECT_EQ(c.validation.isValid(), c.valid);
    }
}

} // namespace

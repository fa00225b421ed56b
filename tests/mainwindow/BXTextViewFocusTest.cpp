#include "mainwindow/editor/BXTextViewFocus.h"

#include <gtest/gtest.h>

#include <QMenuBar>
#include <QWidget>

#include <map>
#include <ostream>
#include <vector>

namespace {

using Change = BXTextViewFocus::Change;

// One move of the keys, by the names of the widgets below ("" for none), and what the view's
// editing makes of it.
struct Move {
    const char* to;
    Change change;
};

struct Path {
    const char* name;
    // Where the keys are before the first move.
    const char* from;
    std::vector<Move> moves;
    bool holdsKeysAfter;
};

void PrintTo(const Path& path, std::ostream* out)
{
    *out << path.name;
}

// A note window (its text, a field beside it, its menu bar) and a message window in front.
class BXTextViewFocusTest : public testing::TestWithParam<Path> {
protected:
    QWidget window;
    QWidget* view = new QWidget(&window);
    QWidget* field = new QWidget(&window);
    QMenuBar* bar = new QMenuBar(&window);
    QWidget message;
    QWidget* button = new QWidget(&message);
    const std::map<std::string, QWidget*> widgets { { "", nullptr }, { "view", view },
        { "field", field }, { "bar", bar }, { "button", button } };
};

TEST_P(BXTextViewFocusTest, EndsTheEditingOnlyWhenAnotherViewTakesTheKeys)
{
    BXTextViewFocus focus(view);
    QWidget* at = widgets.at(GetParam().from);
    for (const Move& move : GetParam().moves) {
        SCOPED_TRACE(std::string("to \"") + move.to + "\"");
        QWidget* to = widgets.at(move.to);
        EXPECT_EQ(focus.focusChanged(at, to), move.change);
        at = to;
    }
    EXPECT_EQ(focus.holdsKeys(), GetParam().holdsKeysAfter);
}

INSTANTIATE_TEST_SUITE_P(Paths, BXTextViewFocusTest,
    testing::Values(Path { "menu_bar_browsed", "field",
                        { { "view", Change::Taken }, { "bar", Change::None }, { "", Change::None },
                            { "bar", Change::None } },
                        true },
        Path { "back_from_the_menu_bar", "bar",
            { { "view", Change::Taken }, { "bar", Change::None }, { "view", Change::Taken } },
            true },
        Path { "window_inactive_for_a_moment", "",
            { { "view", Change::Taken }, { "", Change::None }, { "view", Change::Taken } }, true },
        Path { "field_beside_it", "", { { "view", Change::Taken }, { "field", Change::Lost } },
            false },
        Path { "field_after_the_menu_bar", "",
            { { "view", Change::Taken }, { "bar", Change::None }, { "field", Change::Lost },
                { "bar", Change::None } },
            false },
        // The message window's button ends the editing, but the note window still types into
        // its text once back.
        Path { "message_answered", "",
            { { "view", Change::Taken }, { "button", Change::Lost }, { "", Change::None },
                { "bar", Change::None } },
            true },
        Path { "never_in_the_view", "",
            { { "field", Change::None }, { "bar", Change::None }, { "button", Change::None },
                { "", Change::None } },
            false }),
    [](const testing::TestParamInfo<Path>& tested) { return std::string(tested.param.name); });

} // namespace

#include "ScenarioApp.h"

#include "document/model/BXNote.h"
#include "lists/BXTableView.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"
#include "platform/text/AttributedText.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTextDocument>

#include <optional>

using scenario::ScenarioApp;

namespace {

// The topmost row of ink in each of the two runs of ink left to right in `image`.
std::optional<std::pair<int, int>> inkTops(const QImage& image)
{
    const auto inked = [&image](int x, int y) { return qGray(image.pixel(x, y)) < 128; };
    QList<std::pair<int, int>> runs; // first column, top row
    bool inRun = false;
    for (int x = 0; x < image.width(); ++x) {
        int top = -1;
        for (int y = 0; y < image.height() && top < 0; ++y) {
            if (inked(x, y))
                top = y;
        }
        if (top < 0) {
            inRun = false;
            continue;
        }
        if (!inRun)
            runs.append({ x, top });
        else
            runs.last().second = std::min(runs.last().second, top);
        inRun = true;
    }
    if (runs.size() != 2)
        return std::nullopt;
    return std::pair { runs.at(0).second, runs.at(1).second };
}

struct BaselineCase {
    const char* item;
    double stored;
};

void PrintTo(const BaselineCase& c, std::ostream* out)
{
    *out << c.item;
}

class RaisedTextScenario : public testing::TestWithParam<BaselineCase> { };

} // namespace

// Format > Font > Baseline > Raise draws the selected letter above its neighbour, Lower below
// it, and the file keeps the offset in points.
TEST_P(RaisedTextScenario, RaiseAndLowerMoveTheDrawnText)
{
    const BaselineCase& c = GetParam();
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Raised.brindlex");
    scenario::writeNotesFile(path, { QStringLiteral("x x") });
    BXMainWindowController* main = app.openDocument(path);
    ASSERT_NE(main, nullptr);
    ScenarioApp::clickToTheEndOfTheText(main);
    ScenarioApp::key(Qt::Key_Left, Qt::ShiftModifier);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(ScenarioApp::chooseMenuItem(
            { u"Format"_qs, u"Font"_qs, u"Baseline"_qs, QString::fromLatin1(c.item) }));
    }
    // The caret and the selection leave the text, so that only the letters are ink.
    ScenarioApp::key(Qt::Key_Home);
    ScenarioApp::clickRow(main->notesTableView(), 0);
    ScenarioApp::idle(200);

    const QImage shown = main->noteTextView()->viewport()->grab().toImage();
    bxtest::saveScreenshot(shown, QStringLiteral("scenario-baseline-") + c.item);
    const auto tops = inkTops(shown);
    ASSERT_TRUE(tops.has_value());
    // Three points at the editor's zoom are several pixels.
    if (c.stored > 0)
        EXPECT_LE(tops->second, tops->first - 3) << tops->first << " " << tops->second;
    else
        EXPECT_GE(tops->second, tops->first + 3) << tops->first << " " << tops->second;

    app.save();
    scenario::forEachStoredNote(path, [&c](const BXNote& note) {
        const std::unique_ptr<QTextDocument> text = note.attributedString();
        EXPECT_EQ(platform::AttributedText::attribute(
                      *text, platform::AttributedText::BaselineOffsetAttributeName, 2),
            QVariant(c.stored));
    });
}

INSTANTIATE_TEST_SUITE_P(Items, RaisedTextScenario,
    testing::Values(BaselineCase { "Raise", 3.0 }, BaselineCase { "Lower", -3.0 }),
    [](const testing::TestParamInfo<BaselineCase>& c) { return std::string(c.param.item); });

#include "markdown/textviews/DecorationGeometry.h"

#include <gtest/gtest.h>

using markdown::DecorationGeometry;
using markdown::LineFragment;
using platform::TextRange;

namespace {

// Three lines of 20 high stacked from y 0, each five characters; text starts at x 30 (an
// indent) and runs 100 wide in a 400-wide line box starting at x 4.
std::vector<LineFragment> threeLines()
{
    std::vector<LineFragment> lines;
    for (int i = 0; i < 3; ++i)
        lines.push_back(
            { QRectF(4, 20 * i, 400, 20), QRectF(30, 20 * i, 100, 20), TextRange { 5 * i, 5 } });
    return lines;
}

std::string describe(const std::vector<QRectF>& rects)
{
    std::string out;
    for (const QRectF& r : rects)
        out += "(" + std::to_string(r.x()) + "," + std::to_string(r.y()) + ","
            + std::to_string(r.width()) + "," + std::to_string(r.height()) + ")";
    return out;
}

} // namespace

TEST(DecorationGeometryTest, BlockBackgroundIsOnePanelWithInsetsAtItsEnds)
{
    const auto lines = threeLines();
    const QPointF origin(10, 100);
    struct Case {
        const char* name;
        std::vector<LineFragment> lines;
        std::vector<TextRange> blocks;
        std::vector<QRectF> expected;
    };
    // x = 30 - inset 4 = 26 (+10), right edge 404: width 378; tops and bottoms +100.
    const std::vector<Case> cases = {
        { "three lines drawn at once", lines, { { 0, 15 } },
            { QRectF(36, 96, 378, 24), QRectF(36, 120, 378, 20), QRectF(36, 140, 378, 24) } },
        { "partial redraw: the first redrawn line counts as first", { lines[1], lines[2] },
            { { 5, 10 } }, { QRectF(36, 116, 378, 24), QRectF(36, 140, 378, 24) } },
        { "touching runs merge into one block, in any order", lines, { { 5, 10 }, { 0, 5 } },
            { QRectF(36, 96, 378, 24), QRectF(36, 120, 378, 20), QRectF(36, 140, 378, 24) } },
        { "separate blocks each get their insets", lines, { { 0, 4 }, { 10, 5 } },
            { QRectF(36, 96, 378, 28), QRectF(36, 120, 378, 20), QRectF(36, 136, 378, 28) } },
        { "a one-line block", { lines[0] }, { { 0, 5 } }, { QRectF(36, 96, 378, 28) } },
        { "no lines", {}, { { 0, 5 } }, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto rects = DecorationGeometry::blockBackground(c.lines, c.blocks, 0, 4, origin);
        EXPECT_EQ(rects, c.expected) << describe(rects);
    }
}

TEST(DecorationGeometryTest, PaddingMovesTheLeadingEdgeOnly)
{
    const auto rects
        = DecorationGeometry::blockBackground({ threeLines()[0] }, { { 0, 5 } }, 5, 4, {});
    EXPECT_EQ(rects, std::vector { QRectF(31, -4, 373, 28) }) << describe(rects);
}

TEST(DecorationGeometryTest, ThematicBreakRunsFromTheTextToTheTrailingEdgeAtMidHeight)
{
    const LineFragment line { QRectF(4, 40, 400, 20), QRectF(30, 40, 12, 20), { 10, 2 } };
    EXPECT_EQ(
        DecorationGeometry::thematicBreak(line, 0, QPointF(10, 100)), QLineF(40, 150, 414, 150));
    EXPECT_EQ(DecorationGeometry::thematicBreak(line, 2, {}), QLineF(32, 50, 404, 50));
}

TEST(DecorationGeometryTest, QuoteStripesRunTheFullHeightOfEveryLine)
{
    const auto lines = threeLines();
    struct Case {
        const char* name;
        std::vector<double> locations;
        std::vector<QRectF> expected;
    };
    const std::vector<Case> cases = {
        { "no locations draw nothing", {}, {} },
        { "one stripe per line and level", { 0, 8 },
            { QRectF(14, 100, 3, 20), QRectF(22, 100, 3, 20), QRectF(14, 120, 3, 20),
                QRectF(22, 120, 3, 20), QRectF(14, 140, 3, 20), QRectF(22, 140, 3, 20) } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto rects
            = DecorationGeometry::quoteStripes(lines, c.locations, 3, 0, QPointF(10, 100));
        EXPECT_EQ(rects, c.expected) << describe(rects);
    }
}

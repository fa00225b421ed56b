#include "markdown/textviews/MarkdownTextView.h"
#include "markdown/styler/CustomAttributes.h"
#include "markdown/styler/MarkdownStyler.h"
#include "markdown/styler/StaticColorCollection.h"
#include "markdown/textviews/MarkdownDebugLayoutManager.h"
#include "markdown/textviews/MarkdownDebugTextView.h"
#include "platform/text/MutableAttributedString.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QTextDocument>

#include <algorithm>

using markdown::CustomAttributes;
using markdown::MarkdownDecorations;
using markdown::MarkdownLayoutManager;
using markdown::MarkdownStyler;
using markdown::MarkdownStylerConfiguration;
using markdown::MarkdownTextView;

namespace {

const QColor codeBackground(255, 226, 196);
const QColor stripeColor(0, 170, 0);
const QColor ruleColor(0, 0, 230);

// The default configuration with decoration colours that no text uses, so a pixel can be traced
// to the decoration that painted it.
MarkdownStylerConfiguration probeConfiguration()
{
    MarkdownStylerConfiguration configuration = MarkdownStylerConfiguration::defaultConfiguration();
    const QColor text(0x1D, 0x1D, 0x1F);
    configuration.colors = markdown::StaticColorCollection(text, text, text, text, text, text, text,
        text, QColor(0x0A, 0x5F, 0xC2), QColor(0x6E, 0x6E, 0x73), stripeColor, ruleColor, text,
        codeBackground);
    configuration.quoteStripeOptions = { 4, 10 };
    configuration.thematicBreakOptions = { 3, 0 };
    return configuration;
}

// Counts the renders and the headings it styles.
class CountingStyler final : public MarkdownStyler {
public:
    CountingStyler() : MarkdownStyler(probeConfiguration()) { }

    void styleDocument(platform::MutableAttributedString& document) override
    {
        ++documents;
        MarkdownStyler::styleDocument(document);
    }
    void styleHeading(platform::MutableAttributedString& heading, int level) override
    {
        ++headings;
        MarkdownStyler::styleHeading(heading, level);
    }

    int documents = 0;
    int headings = 0;
};

QFont fontAt(const QTextDocument& document, qsizetype index)
{
    return platform::AttributedText::attribute(
        document, platform::AttributedText::FontAttributeName, index)
        .value<QFont>();
}

QImage grabbed(MarkdownTextView& view)
{
    return view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

TEST(MarkdownTextViewTest, SettingTextRendersOnlyWhenItChanges)
{
    auto styler = std::make_shared<CountingStyler>();
    MarkdownTextView view(QRect(0, 0, 400, 300), styler);
    EXPECT_EQ(view.string(), QString());
    EXPECT_EQ(styler->documents, 0);

    view.setString(u"# Title"_qs);
    EXPECT_EQ(view.string(), u"Title"_qs);
    EXPECT_EQ(styler->headings, 1);
    const QFont heading = fontAt(*view.document(), 0);
    EXPECT_TRUE(heading.bold());
    EXPECT_GT(heading.pointSizeF(), view.font().pointSizeF());

    struct Step {
        const char* name;
        QString text;
        int documents;
        QString shown;
    };
    const QList<Step> steps = {
        { "the same text", u"Title"_qs, 1, u"Title"_qs },
        { "two paragraphs", u"one\n\ntwo"_qs, 2, u"one\ntwo"_qs },
        { "precomposed accent", u"caf\u00e9"_qs, 3, u"caf\u00e9"_qs },
        { "the same text decomposed", u"cafe\u0301"_qs, 3, u"cafe\u0301"_qs },
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        view.setString(step.text);
        EXPECT_EQ(styler->documents, step.documents);
        EXPECT_EQ(view.string(), step.shown);
    }
}

TEST(MarkdownTextViewTest, ReplacingTheStylerRendersTheRenderedText)
{
    auto first = std::make_shared<CountingStyler>();
    MarkdownTextView view(QRect(0, 0, 400, 300), first);
    view.setString(u"# Title"_qs);
    ASSERT_EQ(first->headings, 1);

    auto second = std::make_shared<CountingStyler>();
    view.setStyler(second);
    EXPECT_EQ(view.styler(), second);
    EXPECT_EQ(second->documents, 1);
    // The view holds "Title" now, which is a paragraph, not a heading.
    EXPECT_EQ(second->headings, 0);
    EXPECT_EQ(view.string(), u"Title"_qs);
    EXPECT_FALSE(fontAt(*view.document(), 0).bold());
}

TEST(MarkdownTextViewTest, ThinnestRuleStillShows)
{
    platform::MutableAttributedString text(u"\u200b\n"_qs);
    text.addAttribute(CustomAttributes::thematicBreak,
        CustomAttributes::box(markdown::ThematicBreakAttribute { 0, ruleColor }), { 0, 2 });
    const auto document = text.toTextDocument();
    document->setTextWidth(200);

    QImage image(220, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    const MarkdownLayoutManager manager;
    manager.drawAfterText(&painter, *document, { 0, 2 }, {});
    painter.end();

    const MarkdownDecorations found = MarkdownLayoutManager::decorations(*document, { 0, 2 }, {});
    ASSERT_EQ(found.rules.size(), 1u);
    const QLineF rule = found.rules.front().line;
    const int x = int(rule.center().x());
    const int y = int(rule.y1());
    EXPECT_TRUE(image.pixelColor(x, y) == ruleColor || image.pixelColor(x, y - 1) == ruleColor);
    // Without a painter nothing is drawn and nothing fails.
    manager.drawAfterText(nullptr, *document, { 0, 2 }, {});
    manager.drawBeforeText(nullptr, *document, { 0, 2 }, {});
}

TEST(MarkdownTextViewTest, SampleShowsBackgroundsStripesAndRules)
{
    const QString sample = uR"(# Heading one

## Heading two

A paragraph with *emphasis*, **strong**, `code`, a [link](https://example.com "title")
and an ![image](picture.png).
A hard break follows\
here.

> A quote
> > nested inside it

1. first item
2. second item

   > a quote inside a list item

- bullet
  - nested bullet

```swift
let a = 1
let b = 2
let c = 3
```

<div>html block</div>

---

Last paragraph with <b>inline html</b>.
)"_qs;
    MarkdownTextView view(
        QRect(0, 0, 640, 900), std::make_shared<MarkdownStyler>(probeConfiguration()));
    view.setString(sample);
    view.show();
    const QImage image = grabbed(view);
    image.save(QCoreApplication::applicationDirPath() + u"/markdown-textview.png"_qs);

    const QPointF origin(0, 0);
    const MarkdownDecorations found = MarkdownLayoutManager::decorations(
        *view.document(), { 0, platform::AttributedText::length(*view.document()) }, origin);
    // Code and HTML blocks; both quotes, the nested one with two stripes; one rule.
    EXPECT_GE(found.backgrounds.size(), 4u);
    EXPECT_GE(found.stripes.size(), 4u);
    ASSERT_EQ(found.rules.size(), 1u);

    for (const MarkdownDecorations::Fill& fill : found.backgrounds) {
        SCOPED_TRACE("background");
        EXPECT_EQ(fill.color, codeBackground);
        // The inset strip before the text carries no glyphs.
        const QPoint probe(int(fill.rect.left()) + 2, int(fill.rect.center().y()));
        EXPECT_EQ(image.pixelColor(probe), codeBackground) << probe.x() << "," << probe.y();
    }
    for (const MarkdownDecorations::Fill& stripe : found.stripes) {
        SCOPED_TRACE("stripe");
        const QPoint probe = stripe.rect.center().toPoint();
        EXPECT_EQ(image.pixelColor(probe), stripeColor) << probe.x() << "," << probe.y();
    }
    const QLineF rule = found.rules.front().line;
    const QPoint probe(int(rule.center().x()), int(rule.y1()));
    EXPECT_EQ(image.pixelColor(probe), ruleColor) << probe.x() << "," << probe.y();
    // The quote inside the list item is indented past the list's prefix column.
    EXPECT_GT(found.stripes.back().rect.left(), found.stripes.front().rect.left());
}

TEST(MarkdownTextViewTest, DecorationsSitWhereTheStyleIndentsTheText)
{
    using platform::AttributedText;
    MarkdownTextView view(
        QRect(0, 0, 400, 300), std::make_shared<MarkdownStyler>(probeConfiguration()));
    view.setString(u"> > quoted\n\n```\ncode\n```"_qs);
    view.show();
    const QTextDocument& document = *view.document();
    const platform::TextRange all { 0, AttributedText::length(document) };
    const MarkdownDecorations found = MarkdownLayoutManager::decorations(document, all, {});
    const std::vector<markdown::LineFragment> lines
        = MarkdownLayoutManager::lineFragments(document, all);
    ASSERT_GE(found.stripes.size(), 2u);
    ASSERT_EQ(found.backgrounds.size(), 1u);
    ASSERT_GE(lines.size(), 2u);

    // Stripes 4 wide with 10 after each, as the quote indents its text by 14 per level.
    const auto [outer, inner] = std::minmax_element(found.stripes.begin(), found.stripes.end(),
        [](const auto& a, const auto& b) { return a.rect.left() < b.rect.left(); });
    EXPECT_NEAR(outer->rect.width(), AttributedText::pointsToPixels(4), 0.01);
    EXPECT_NEAR(inner->rect.left() - outer->rect.left(), AttributedText::pointsToPixels(14), 0.01);
    EXPECT_NEAR(lines.front().usedRect.left() - outer->rect.left(),
        AttributedText::pointsToPixels(28), 0.01);
    // The code block's background reaches its inset of 8 before the text.
    EXPECT_NEAR(lines.back().usedRect.left() - found.backgrounds.front().rect.left(),
        AttributedText::pointsToPixels(8), 0.01);
}

TEST(MarkdownTextViewTest, DebugViewOutlinesEveryLine)
{
    markdown::MarkdownDebugTextView view(
        QRect(0, 0, 300, 200), std::make_shared<MarkdownStyler>(probeConfiguration()));
    view.setString(u"one\n\ntwo"_qs);
    view.show();
    const QImage image = grabbed(view);
    const auto lines = MarkdownLayoutManager::lineFragments(
        *view.document(), { 0, platform::AttributedText::length(*view.document()) });
    ASSERT_EQ(lines.size(), 2u);
    for (const auto& line : lines) {
        const QPoint rightEdge(int(line.rect.right()), int(line.rect.center().y()));
        EXPECT_EQ(image.pixelColor(rightEdge), QColor(Qt::red));
    }
}

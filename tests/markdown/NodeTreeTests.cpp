#include "markdown/CmarkNode.h"
#include "markdown/DebugVisitor.h"
#include "markdown/Markdown.h"
#include "markdown/renderers/MarkdownASTRenderer.h"
#include "markdown/renderers/MarkdownXMLRenderer.h"

#include "QStringPrinter.h"

#include <gtest/gtest.h>

#include <QXmlStreamReader>

using namespace markdown;

namespace {

const MarkdownOptions kNone = MarkdownOptions::defaultOptions;

struct XmlElement {
    QString name;
    QXmlStreamAttributes attributes;
    QString text;
    std::vector<XmlElement> children;
};

XmlElement readElement(QXmlStreamReader& reader)
{
    XmlElement element { reader.name().toString(), reader.attributes(), {}, {} };
    while (reader.readNext() != QXmlStreamReader::EndElement && !reader.atEnd()) {
        if (reader.isStartElement())
            element.children.push_back(readElement(reader));
        else if (reader.isCharacters() && !reader.isWhitespace())
            element.text += reader.text();
        else if (reader.isCharacters() && element.name != QLatin1String("document"))
            element.text += reader.text();
    }
    return element;
}

XmlElement parseXml(const QString& xml)
{
    QXmlStreamReader reader(xml);
    while (!reader.atEnd() && !reader.isStartElement())
        reader.readNext();
    return readElement(reader);
}

template <typename Class> bool is(const Node& node)
{
    return dynamic_cast<const Class*>(&node) != nullptr;
}

QString xmlName(const Node& node)
{
    if (is<Document>(node))
        return QStringLiteral("document");
    if (is<BlockQuote>(node))
        return QStringLiteral("block_quote");
    if (is<List>(node))
        return QStringLiteral("list");
    if (is<Item>(node))
        return QStringLiteral("item");
    if (is<CodeBlock>(node))
        return QStringLiteral("code_block");
    if (is<HtmlBlock>(node))
        return QStringLiteral("html_block");
    if (is<CustomBlock>(node))
        return QStringLiteral("custom_block");
    if (is<Paragraph>(node))
        return QStringLiteral("paragraph");
    if (is<Heading>(node))
        return QStringLiteral("heading");
    if (is<ThematicBreak>(node))
        return QStringLiteral("thematic_break");
    if (is<Text>(node))
        return QStringLiteral("text");
    if (is<SoftBreak>(node))
        return QStringLiteral("softbreak");
    if (is<LineBreak>(node))
        return QStringLiteral("linebreak");
    if (is<Code>(node))
        return QStringLiteral("code");
    if (is<HtmlInline>(node))
        return QStringLiteral("html_inline");
    if (is<CustomInline>(node))
        return QStringLiteral("custom_inline");
    if (is<Emphasis>(node))
        return QStringLiteral("emph");
    if (is<Strong>(node))
        return QStringLiteral("strong");
    if (is<Link>(node))
        return QStringLiteral("link");
    if (is<Image>(node))
        return QStringLiteral("image");
    return {};
}

std::optional<QString> attribute(const XmlElement& element, const char* name)
{
    const QString value = element.attributes.value(QLatin1String(name)).toString();
    return value.isEmpty() ? std::nullopt : std::optional<QString>(value);
}

std::optional<QString> literalOf(const Node& node)
{
    if (auto* n = dynamic_cast<const Text*>(&node))
        return n->literal();
    if (auto* n = dynamic_cast<const Code*>(&node))
        return n->literal();
    if (auto* n = dynamic_cast<const HtmlInline*>(&node))
        return n->literal();
    if (auto* n = dynamic_cast<const HtmlBlock*>(&node))
        return n->literal();
    if (auto* n = dynamic_cast<const CodeBlock*>(&node))
        return n->literal();
    return std::nullopt;
}

// Compares the node objects with cmark's XML rendering of the same tree, element by element;
// counts the kinds of node seen.
void expectSameTree(const Node& node, const XmlElement& element, QSet<QString>& seen)
{
    const QString name = xmlName(node);
    ASSERT_EQ(name, element.name);
    seen.insert(name);
    if (std::optional<QString> literal = literalOf(node))
        EXPECT_EQ(*literal, element.text) << name.toStdString();
    if (auto* heading = dynamic_cast<const Heading*>(&node))
        EXPECT_EQ(QString::number(heading->headingLevel()), attribute(element, "level"));
    if (auto* code = dynamic_cast<const CodeBlock*>(&node))
        EXPECT_EQ(code->fenceInfo(), attribute(element, "info"));
    if (auto* link = dynamic_cast<const Link*>(&node)) {
        EXPECT_EQ(link->url(), attribute(element, "destination"));
        EXPECT_EQ(link->title(), attribute(element, "title"));
    }
    if (auto* image = dynamic_cast<const Image*>(&node)) {
        EXPECT_EQ(image->url(), attribute(element, "destination"));
        EXPECT_EQ(image->title(), attribute(element, "title"));
    }
    if (auto* list = dynamic_cast<const List*>(&node)) {
        EXPECT_EQ(list->listType().isOrdered(), attribute(element, "type") == u"ordered");
        if (list->listType().isOrdered())
            EXPECT_EQ(QString::number(list->listType().start()), attribute(element, "start"));
        EXPECT_EQ(list->isTight(), attribute(element, "tight") == u"true");
        const std::optional<QString> delimiter = attribute(element, "delim");
        EXPECT_EQ(list->delimiter().has_value(), delimiter.has_value());
        if (list->delimiter())
            EXPECT_EQ(List::description(*list->delimiter()), *delimiter);
        EXPECT_EQ(list->numberOfItems(), int(element.children.size()));
    }
    ASSERT_EQ(node.children().size(), element.children.size()) << name.toStdString();
    for (size_t i = 0; i < element.children.size(); ++i)
        expectSameTree(*node.children()[i], element.children[i], seen);
}

// A parsed document holding every kind of node, the two custom kinds added by hand because
// the parser never makes them.
CmarkTree everyKindOfNode()
{
    const QString text = QStringLiteral(
        "# Heading *emph* **strong**\n\n"
        "> quoted\n> > nested\n\n"
        "3) three\n4) four\n\n"
        "- loose\n\n- list\n  1. inner\n\n"
        "```swift\nlet x = 1\nlet y = 2\n```\n\n"
        "    indented\n\n"
        "<div>\nblock html\n</div>\n\n"
        "soft\nbreak and hard  \nbreak `code` <span>inline</span> [link](http://a.b \"T\") "
        "![alt](img.png)\n\n"
        "***\n");
    CmarkTree root = MarkdownASTRenderer::stringToAST(text, kNone, nullptr);
    cmark_node* customBlock = cmark_node_new(CMARK_NODE_CUSTOM_BLOCK);
    cmark_node_set_on_enter(customBlock, "<enter>");
    cmark_node_append_child(root.get(), customBlock);
    cmark_node* paragraph = cmark_node_new(CMARK_NODE_PARAGRAPH);
    cmark_node_append_child(paragraph, cmark_node_new(CMARK_NODE_CUSTOM_INLINE));
    cmark_node_append_child(customBlock, paragraph);
    return root;
}

} // namespace

TEST(NodeTree, WalkMatchesCmarksXmlForEveryKindOfNode)
{
    CmarkTree tree = everyKindOfNode();
    const QString xml = *MarkdownXMLRenderer::astToXML(tree.get(), kNone, nullptr);
    Document document(std::move(tree));

    QSet<QString> seen;
    expectSameTree(document, parseXml(xml), seen);
    EXPECT_EQ(seen.size(), 20) << QStringList(seen.begin(), seen.end()).join(u',').toStdString();

    // The child sequence walks the same children, as new objects.
    std::vector<std::shared_ptr<Node>> walked;
    ChildSequence::Iterator iterator = document.childSequence().makeIterator();
    while (std::shared_ptr<Node> child = iterator.next())
        walked.push_back(child);
    ASSERT_EQ(walked.size(), document.children().size());
    for (size_t i = 0; i < walked.size(); ++i) {
        EXPECT_EQ(walked[i]->cmarkNode(), document.children()[i]->cmarkNode());
        EXPECT_NE(walked[i], document.children()[i]);
        EXPECT_EQ(walked[i]->hasSuccessor(), i + 1 < walked.size());
    }
}

TEST(NodeTree, DescriptionsOfEachKind)
{
    const struct {
        const char* markdown;
        std::vector<int> path; // child indexes from the document down
        const char* description;
    } cases[] = {
        { "## Two", { 0 }, "Heading - L2" },
        { "```\na\nb\n```", { 0 }, "Code Block - fenceInfo: nil, content: a\\nb\\n" },
        { "```js\nx\n```", { 0 }, "Code Block - fenceInfo: js, content: x\\n" },
        { "3) a\n3) b", { 0 }, "List - type: Ordered (start: 3), isTight: true, delimiter: paren" },
        { "1. a\n\n2. b", { 0 },
            "List - type: Ordered (start: 1), isTight: false, delimiter: period" },
        { "- a\n- b", { 0 }, "List - type: Bullet, isTight: true" },
        { "<div>\nx\n</div>", { 0 }, "Html Block - content: <div>\\nx\\n</div>\\n" },
        { "[a](u)", { 0, 0 }, "Link - title: nil, url: u)" },
        { "![a](u \"t\")", { 0, 0 }, "Image - title: t, url: u)" },
        { "`c`", { 0, 0 }, "Code - c" },
        { "a <b>", { 0, 1 }, "Html Inline - <b>" },
        { "x", { 0, 0 }, "Text - x" },
        { "a\nb", { 0, 1 }, "Soft Break" },
        { "a  \nb", { 0, 1 }, "Line Break" },
        { "*a*", { 0, 0 }, "Emphasis" },
        { "**a**", { 0, 0 }, "Strong" },
        { "> a", { 0 }, "Block Quote" },
        { "- a", { 0, 0 }, "Item" },
        { "---", { 0 }, "Thematic Break" },
        { "a", { 0 }, "Paragraph" },
        { "", {}, "Document" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.markdown);
        std::shared_ptr<Document> document
            = Markdown(QString::fromUtf8(c.markdown)).toDocument(kNone);
        ASSERT_TRUE(document);
        const Node* node = document.get();
        for (int index : c.path) {
            ASSERT_LT(size_t(index), node->children().size());
            node = node->children()[size_t(index)].get();
        }
        EXPECT_EQ(dynamic_cast<const BaseNode&>(*node).debugDescription(),
            QString::fromUtf8(c.description));
    }

    // Empty strings count as absent.
    CmarkTree code(cmark_node_new(CMARK_NODE_CODE));
    EXPECT_EQ(CmarkNode::wrap(code.get())->debugDescription(), QStringLiteral("Code - nil"));
    CmarkTree custom(cmark_node_new(CMARK_NODE_CUSTOM_INLINE));
    EXPECT_EQ(
        CmarkNode::wrap(custom.get())->debugDescription(), QStringLiteral("Custom Inline - nil"));
}

TEST(NodeTree, NestDepthCountsOnlyAncestorsOfTheSameKind)
{
    std::shared_ptr<Document> document
        = Markdown(QStringLiteral("- a\n\n  > - b\n  >\n  >   > > c")).toDocument(kNone);
    ASSERT_TRUE(document);
    auto& outer = dynamic_cast<List&>(*document->children()[0]);
    auto& quote = dynamic_cast<BlockQuote&>(*outer.children()[0]->children()[1]);
    auto& inner = dynamic_cast<List&>(*quote.children()[0]);
    auto& innerQuote = dynamic_cast<BlockQuote&>(*inner.children()[0]->children()[1]);
    auto& innermost = dynamic_cast<BlockQuote&>(*innerQuote.children()[0]);
    EXPECT_EQ(outer.nestDepth(), 0);
    EXPECT_EQ(quote.nestDepth(), 0);
    EXPECT_EQ(inner.nestDepth(), 1);
    EXPECT_EQ(innerQuote.nestDepth(), 1);
    EXPECT_EQ(innermost.nestDepth(), 2);
}

TEST(NodeTree, AssignedPropertiesReplaceTheCacheButNotTheTree)
{
    std::shared_ptr<Document> document = Markdown(QStringLiteral("- a\n- b")).toDocument(kNone);
    ASSERT_TRUE(document);
    auto& list = dynamic_cast<List&>(*document->children()[0]);
    ASSERT_TRUE(list.isTight());
    list.setIsTight(false);
    list.setListType(List::ListType::ordered(7));
    list.setDelimiter(List::Delimiter::paren);
    EXPECT_FALSE(list.isTight());
    EXPECT_EQ(cmark_node_get_list_tight(list.cmarkNode()), 1);
    EXPECT_EQ(list.debugDescription(),
        QStringLiteral("List - type: Ordered (start: 7), isTight: false, delimiter: paren"));
    // A fresh wrap reads cmark again.
    EXPECT_TRUE(dynamic_cast<List&>(*CmarkNode::wrap(list.cmarkNode())).isTight());
}

TEST(NodeTree, WrappingTheRootDoesNotTakeTheTreeAway)
{
    std::shared_ptr<Document> document = Markdown(QStringLiteral("# kept")).toDocument(kNone);
    ASSERT_TRUE(document);
    {
        std::shared_ptr<BaseNode> wrapped = CmarkNode::wrap(document->cmarkNode());
        ASSERT_TRUE(dynamic_cast<Document*>(wrapped.get()));
        EXPECT_EQ(wrapped->children().size(), 1u);
    }
    EXPECT_EQ(DebugVisitor().visit(*document),
        QStringLiteral("Document\n    \u21B3 Heading - L1\n        \u21B3 Text - kept\n"));
}

TEST(DebugVisitor, DumpsOneIndentedLinePerNode)
{
    DebugVisitor visitor;
    std::shared_ptr<Document> empty = Markdown(QString()).toDocument(kNone);
    EXPECT_EQ(empty->accept(visitor), QStringLiteral("Document\n"));

    std::shared_ptr<Document> document = Markdown(QStringLiteral("# Word\n\nplain *emphasised*\n\n"
                                                                 "```\ncode\n```\n"))
                                             .toDocument(kNone);
    const QString expected = QStringLiteral("Document\n"
                                            "    \u21B3 Heading - L1\n"
                                            "        \u21B3 Text - Word\n"
                                            "    \u21B3 Paragraph\n"
                                            "        \u21B3 Text - plain \n"
                                            "        \u21B3 Emphasis\n"
                                            "            \u21B3 Text - emphasised\n"
                                            "    \u21B3 Code Block - fenceInfo: nil, content: "
                                            "code\\n\n");
    EXPECT_EQ(document->accept(visitor), expected);
    // The depth is back at zero, so the same visitor dumps again identically.
    EXPECT_EQ(document->accept(visitor), expected);
}

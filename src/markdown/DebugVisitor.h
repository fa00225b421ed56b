#pragma once

#include "Visitor.h"

#include <QString>

namespace markdown {

// Dumps a node tree as text: one line per node, parent before children, each line indented by
// four spaces per level and holding the node's debug description. One visitor serves one dump
// at a time; it can be reused afterwards. Deep trees make long dumps: the indentation alone
// grows with the square of the depth.
class DebugVisitor final : public Visitor<QString> {
public:
    QString visit(Document& document) override;
    QString visit(BlockQuote& blockQuote) override;
    QString visit(List& list) override;
    QString visit(Item& item) override;
    QString visit(CodeBlock& codeBlock) override;
    QString visit(HtmlBlock& htmlBlock) override;
    QString visit(CustomBlock& customBlock) override;
    QString visit(Paragraph& paragraph) override;
    QString visit(Heading& heading) override;
    QString visit(ThematicBreak& thematicBreak) override;
    QString visit(Text& text) override;
    QString visit(SoftBreak& softBreak) override;
    QString visit(LineBreak& lineBreak) override;
    QString visit(Code& code) override;
    QString visit(HtmlInline& htmlInline) override;
    QString visit(CustomInline& customInline) override;
    QString visit(Emphasis& emphasis) override;
    QString visit(Strong& strong) override;
    QString visit(Link& link) override;
    QString visit(Image& image) override;

private:
    QString line(const BaseNode& node, bool arrow = true) const;
    QString withChildren(const BaseNode& node, bool arrow = true);

    int m_depth = 0;
};

} // namespace markdown

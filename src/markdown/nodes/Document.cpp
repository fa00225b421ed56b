#include "Document.h"

namespace markdown {

Document::Document(CmarkTree root) : BaseNode(root.get()), m_tree(std::move(root)) { }

QString Document::debugDescription() const
{
    return QStringLiteral("Document");
}

} // namespace markdown

#include "StaticColorCollection.h"

#include <utility>

namespace markdown {

StaticColorCollection::StaticColorCollection(QColor heading1, QColor heading2, QColor heading3,
    QColor heading4, QColor heading5, QColor heading6, QColor body, QColor code, QColor link,
    QColor quote, QColor quoteStripe, QColor thematicBreak, QColor listItemPrefix,
    QColor codeBlockBackground)
    : m_heading1(std::move(heading1)),
      m_heading2(std::move(heading2)),
      m_heading3(std::move(heading3)),
      m_heading4(std::move(heading4)),
      m_heading5(std::move(heading5)),
      m_heading6(std::move(heading6)),
      m_body(std::move(body)),
      m_code(std::move(code)),
      m_link(std::move(link)),
      m_quote(std::move(quote)),
      m_quoteStripe(std::move(quoteStripe)),
      m_thematicBreak(std::move(thematicBreak)),
      m_listItemPrefix(std::move(listItemPrefix)),
      m_codeBlockBackground(std::move(codeBlockBackground))
{ }

} // namespace markdown

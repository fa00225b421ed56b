#include "StaticFontCollection.h"

#include <utility>

namespace markdown {

StaticFontCollection::StaticFontCollection(QFont heading1, QFont heading2, QFont heading3,
    QFont heading4, QFont heading5, QFont heading6, QFont body, QFont code, QFont listItemPrefix)
    : m_heading1(std::move(heading1)),
      m_heading2(std::move(heading2)),
      m_heading3(std::move(heading3)),
      m_heading4(std::move(heading4)),
      m_heading5(std::move(heading5)),
      m_heading6(std::move(heading6)),
      m_body(std::move(body)),
      m_code(std::move(code)),
      m_listItemPrefix(std::move(listItemPrefix))
{ }

} // namespace markdown

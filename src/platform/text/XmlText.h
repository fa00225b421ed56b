#pragma once

#include <QString>
#include <QStringView>

namespace platform {

// Text that XML 1.0 may carry: control characters other than tab, line feed and carriage
// return are dropped, non-characters U+FFFE and U+FFFF too, and a lone half of a surrogate pair
// becomes U+FFFD. Writers of XML formats pass text and attribute values through it, since a
// reader refuses the whole file over one such character.
class XmlText final {
public:
    XmlText() = delete;

    static QString clean(QStringView text);
};

} // namespace platform

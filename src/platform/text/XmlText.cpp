#include "XmlText.h"

namespace platform {

QString XmlText::clean(QStringView text)
{
    const auto allowed = [](char16_t c) {
        return (c >= 0x20 || c == u'\t' || c == u'\n' || c == u'\r') && c != 0xFFFE && c != 0xFFFF
            && !QChar::isSurrogate(c);
    };
    bool clean = true;
    for (QChar c : text) {
        if (!allowed(c.unicode())) {
            clean = false;
            break;
        }
    }
    if (clean)
        return text.toString();
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size()
            && QChar::isLowSurrogate(text[i + 1].unicode())) {
            result += text[i];
            result += text[++i];
        } else if (QChar::isSurrogate(c)) {
            result += QChar(QChar::ReplacementCharacter);
        } else if (allowed(c)) {
            result += QChar(c);
        }
    }
    return result;
}

} // namespace platform

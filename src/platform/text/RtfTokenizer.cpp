#include "RtfTokenizer.h"

#include <algorithm>
#include <climits>

namespace platform {

namespace {

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

constexpr qsizetype kMaximumWordLength = 32;

} // namespace

RtfToken RtfTokenizer::next()
{
    const char* data = m_data.data();
    const qsizetype size = m_data.size();
    while (m_position < size && (data[m_position] == '\r' || data[m_position] == '\n'))
        ++m_position;
    RtfToken token;
    if (m_position >= size)
        return token;
    const char c = data[m_position];
    if (c == '{') {
        ++m_position;
        token.type = RtfToken::Type::GroupOpen;
        return token;
    }
    if (c == '}') {
        ++m_position;
        token.type = RtfToken::Type::GroupClose;
        return token;
    }
    if (c != '\\') {
        const qsizetype start = m_position;
        while (m_position < size) {
            const char b = data[m_position];
            if (b == '\\' || b == '{' || b == '}' || b == '\r' || b == '\n')
                break;
            ++m_position;
        }
        token.type = RtfToken::Type::Text;
        token.text = m_data.sliced(start, m_position - start);
        return token;
    }
    ++m_position;
    if (m_position >= size) {
        // A lone backslash at the very end: nothing follows it.
        token.type = RtfToken::Type::ControlSymbol;
        token.symbol = 0;
        return token;
    }
    const char first = data[m_position];
    if (!isLetter(first)) {
        ++m_position;
        token.type = RtfToken::Type::ControlSymbol;
        token.symbol = first;
        if (first == '\'') {
            token.parameter = -1;
            if (m_position + 1 < size) {
                const int high = hexValue(data[m_position]);
                const int low = hexValue(data[m_position + 1]);
                if (high >= 0 && low >= 0) {
                    token.parameter = high * 16 + low;
                    m_position += 2;
                }
            }
        }
        return token;
    }
    const qsizetype start = m_position;
    while (m_position < size && isLetter(data[m_position]))
        ++m_position;
    token.type = RtfToken::Type::ControlWord;
    token.text = m_data.sliced(start, std::min(m_position - start, kMaximumWordLength));
    bool negative = false;
    if (m_position + 1 < size && data[m_position] == '-' && isDigit(data[m_position + 1])) {
        negative = true;
        ++m_position;
    }
    if (m_position < size && isDigit(data[m_position])) {
        long long value = 0;
        while (m_position < size && isDigit(data[m_position])) {
            if (value <= INT_MAX)
                value = value * 10 + (data[m_position] - '0');
            ++m_position;
        }
        if (negative)
            value = -value;
        token.hasParameter = true;
        token.parameter = int(std::clamp<long long>(value, INT_MIN, INT_MAX));
    }
    if (m_position < size && data[m_position] == ' ')
        ++m_position;
    return token;
}

bool RtfTokenizer::takeBinary(qsizetype count, QByteArrayView* bytes)
{
    if (count < 0 || count > m_data.size() - m_position)
        return false;
    *bytes = m_data.sliced(m_position, count);
    m_position += count;
    return true;
}

bool RtfTokenizer::takeByte(char byte)
{
    if (m_position >= m_data.size() || m_data[m_position] != byte)
        return false;
    ++m_position;
    return true;
}

} // namespace platform

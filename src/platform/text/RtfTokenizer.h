#pragma once

#include <QByteArrayView>

namespace platform {

// One lexical element of RTF. Views point into the tokenizer's data.
struct RtfToken {
    enum class Type { End, GroupOpen, GroupClose, ControlWord, ControlSymbol, Text };
    Type type = Type::End;
    QByteArrayView text; // control word name, or the run of text bytes
    bool hasParameter = false;
    int parameter = 0; // for ControlSymbol '\'': the byte value, -1 when the hex is bad
    char symbol = 0; // for ControlSymbol
};

// Splits RTF bytes into tokens without interpreting them. Text runs stop at braces,
// backslashes and line ends (which RTF ignores in text). A parameter too large for an int is
// clamped; a control word name longer than 32 letters is cut there.
class RtfTokenizer final {
public:
    explicit RtfTokenizer(QByteArrayView data) : m_data(data) { }

    RtfToken next();
    // Takes `count` raw bytes, as \bin asks; false when fewer remain.
    bool takeBinary(qsizetype count, QByteArrayView* bytes);
    // Takes the next byte when it is `byte`; false, taking nothing, otherwise.
    bool takeByte(char byte);
    bool atEnd() const { return m_position >= m_data.size(); }
    qsizetype position() const { return m_position; }

private:
    QByteArrayView m_data;
    qsizetype m_position = 0;
};

} // namespace platform

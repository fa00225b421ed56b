#pragma once

#include <QString>
#include <QStringView>

#include <vector>

namespace platform {

// The fields of RTF ({\field{\*\fldinst ...}{\fldrslt ...}}): the instructions of the fields
// open around the reader's position, and the link a HYPERLINK field's result carries. Fields
// nest; the innermost one counts. One per read; one thread.
class RtfFieldControls final {
public:
    void open() { m_instructions.emplace_back(); }
    void close();
    bool isOpen() const { return !m_instructions.empty(); }
    void appendInstruction(QStringView text);
    // The target of the innermost field when it is a hyperlink, else empty.
    QString linkTarget() const;

    // The target of a HYPERLINK instruction (with its \l anchor as "#anchor" when it has no
    // address); empty for other instructions.
    static QString hyperlinkTarget(const QString& instruction);

private:
    std::vector<QString> m_instructions;
};

} // namespace platform

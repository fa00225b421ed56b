#include "RtfFieldControls.h"

namespace platform {

void RtfFieldControls::close()
{
    if (!m_instructions.empty())
        m_instructions.pop_back();
}

void RtfFieldControls::appendInstruction(QStringView text)
{
    if (!m_instructions.empty())
        m_instructions.back().append(text);
}

QString RtfFieldControls::linkTarget() const
{
    return m_instructions.empty() ? QString() : hyperlinkTarget(m_instructions.back());
}

QString RtfFieldControls::hyperlinkTarget(const QString& instruction)
{
    QString text = instruction.trimmed();
    if (!text.startsWith(u"HYPERLINK", Qt::CaseInsensitive))
        return {};
    text = text.mid(9).trimmed();
    QString anchor;
    while (text.startsWith(u'\\')) {
        // Switches such as \l "anchor" or \o "tip" come before or after the target.
        const bool isAnchor = text.startsWith(u"\\l");
        text = text.mid(2).trimmed();
        QString argument;
        if (text.startsWith(u'"')) {
            const qsizetype end = text.indexOf(u'"', 1);
            argument = text.mid(1, end < 0 ? -1 : end - 1);
            text = end < 0 ? QString() : text.mid(end + 1).trimmed();
        }
        if (isAnchor)
            anchor = argument;
    }
    QString target;
    if (text.startsWith(u'"')) {
        const qsizetype end = text.indexOf(u'"', 1);
        target = text.mid(1, end < 0 ? -1 : end - 1);
    } else {
        target = text.section(u' ', 0, 0);
    }
    if (target.isEmpty() && !anchor.isEmpty())
        target = u'#' + anchor;
    return target;
}

} // namespace platform

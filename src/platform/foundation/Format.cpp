#include "Format.h"

#include <QDateTime>

namespace platform {

namespace {

QString describe(const QVariant& value)
{
    if (!value.isValid())
        return QStringLiteral("(null)");
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::QDateTime:
        return value.toDateTime().toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss +0000"));
    case QMetaType::QUrl:
        return value.toUrl().toString();
    case QMetaType::QStringList:
        return QStringLiteral("(") + value.toStringList().join(QStringLiteral(", ")) +
               QStringLiteral(")");
    default:
        return value.toString();
    }
}

} // namespace

QString formatString(const QString& format, const QVariantList& args)
{
    QString out;
    out.reserve(format.size() + 16 * args.size());
    qsizetype next = 0;
    const qsizetype n = format.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = format.at(i);
        if (c != u'%' || i + 1 >= n) {
            out += c;
            continue;
        }
        if (format.at(i + 1) == u'%') {
            out += u'%';
            ++i;
            continue;
        }
        qsizetype j = i + 1;
        // Positional argument "%N$".
        qsizetype position = -1;
        {
            qsizetype k = j;
            int number = 0;
            while (k < n && format.at(k).isDigit())
                number = number * 10 + format.at(k++).digitValue();
            if (k > j && k < n && format.at(k) == u'$') {
                position = number - 1;
                j = k + 1;
            }
        }
        // Flags, width and precision.
        QString flags;
        while (j < n && QStringLiteral("-+ #0").contains(format.at(j)))
            flags += format.at(j++);
        int width = 0;
        while (j < n && format.at(j).isDigit())
            width = width * 10 + format.at(j++).digitValue();
        int precision = -1;
        if (j < n && format.at(j) == u'.') {
            ++j;
            precision = 0;
            while (j < n && format.at(j).isDigit())
                precision = precision * 10 + format.at(j++).digitValue();
        }
        while (j < n && QStringLiteral("hlqLzjt").contains(format.at(j)))
            ++j;
        if (j >= n) {
            out += format.mid(i);
            break;
        }
        const QChar conversion = format.at(j);
        const qsizetype index = position >= 0 ? position : next++;
        const QVariant arg = index < args.size() ? args.at(index) : QVariant();
        QString piece;
        switch (conversion.unicode()) {
        case '@':
        case 's':
            piece = describe(arg);
            break;
        case 'd':
        case 'i':
            piece = QString::number(arg.toLongLong());
            break;
        case 'u':
            piece = QString::number(arg.toULongLong());
            break;
        case 'x':
            piece = QString::number(arg.toULongLong(), 16);
            break;
        case 'X':
            piece = QString::number(arg.toULongLong(), 16).toUpper();
            break;
        case 'c':
            piece = QChar(char16_t(arg.toUInt()));
            break;
        case 'f':
        case 'F':
            piece = QString::number(arg.toDouble(), 'f', precision < 0 ? 6 : precision);
            break;
        case 'e':
            piece = QString::number(arg.toDouble(), 'e', precision < 0 ? 6 : precision);
            break;
        case 'g':
            piece = QString::number(arg.toDouble(), 'g', precision < 0 ? 6 : precision);
            break;
        default:
            piece = format.mid(i, j - i + 1);
            break;
        }
        if (piece.size() < width) {
            const bool left = flags.contains(u'-');
            const QChar pad = flags.contains(u'0') && !left ? u'0' : u' ';
            piece = left ? piece.leftJustified(width, pad) : piece.rightJustified(width, pad);
        }
        out += piece;
        i = j;
    }
    return out;
}

QString elidedMiddle(const QString& text, qsizetype maxLength)
{
    if (text.size() <= maxLength)
        return text;
    const qsizetype head = (maxLength - 1) / 2;
    const qsizetype tail = maxLength - 1 - head;
    return text.first(head) + QChar(0x2026) + text.last(tail);
}

} // namespace platform

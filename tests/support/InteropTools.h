#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <optional>

namespace bxtest {

// The Python that Debian's python3-* modules belong to, whatever else is first on the path.
inline const QString DebianPython = QStringLiteral("/usr/bin/python3");

// Runs an independent reader of an exported file and returns what it printed, or nullopt when
// the program is missing (the test then skips) or failed.
inline std::optional<QByteArray> runTool(
    const QString& program, const QStringList& arguments, QString* failure = nullptr)
{
    if (QStandardPaths::findExecutable(program).isEmpty())
        return std::nullopt;
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        if (failure)
            *failure = QString::fromUtf8(process.readAllStandardError());
        return QByteArray();
    }
    return process.readAllStandardOutput();
}

inline bool haveTool(const QString& program)
{
    return !QStandardPaths::findExecutable(program).isEmpty();
}

// Pandoc's words and lists in document order, from its JSON output: "B(" and "O(" open a
// bulleted and an ordered list, ")" closes one.
inline void describePandoc(const QJsonValue& value, QStringList& out)
{
    if (value.isArray()) {
        for (const QJsonValue& child : value.toArray())
            describePandoc(child, out);
        return;
    }
    if (!value.isObject())
        return;
    const QJsonObject node = value.toObject();
    const QString type = node.value(u"t").toString();
    if (type == u"Str") {
        out << node.value(u"c").toString();
    } else if (type == u"BulletList" || type == u"OrderedList") {
        out << (type == u"BulletList" ? QStringLiteral("B(") : QStringLiteral("O("));
        describePandoc(node.value(u"c"), out);
        out << QStringLiteral(")");
    } else {
        describePandoc(node.value(u"c"), out);
    }
}

// What pandoc reads from a file (`from` names its reader, or empty to go by the extension),
// described as above with the words joined by spaces; nullopt when pandoc is missing.
inline std::optional<QString> pandocOutline(
    const QString& path, const QString& from = {}, QString* failure = nullptr)
{
    QStringList arguments { QStringLiteral("-t"), QStringLiteral("json"), path };
    if (!from.isEmpty())
        arguments << QStringLiteral("-f") << from;
    const std::optional<QByteArray> json = runTool(QStringLiteral("pandoc"), arguments, failure);
    if (!json)
        return std::nullopt;
    QStringList words;
    describePandoc(QJsonDocument::fromJson(*json).object().value(u"blocks"), words);
    return words.join(u' ');
}

} // namespace bxtest

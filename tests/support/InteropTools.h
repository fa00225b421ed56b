#pragma once

#include <QByteArray>
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

} // namespace bxtest

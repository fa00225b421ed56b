#include "SecondCopy.h"

#include "CopyCommands.h"
#include "MessageBoxWatch.h"
#include "ScenarioApp.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace scenario {

namespace {

const char* const kFolderVariable = "BX_SECOND_COPY_FOLDER";
// A first copy that sends nothing for this long has gone; the second ends too.
constexpr int kLongestSilenceMs = 20 * 60 * 1000;

QString commandPath(const QString& folder, int number)
{
    return folder + QStringLiteral("/command-%1").arg(number);
}

QString answerPath(const QString& folder, int number)
{
    return folder + QStringLiteral("/answer-%1").arg(number);
}

// Written whole under its name, so that the other side never reads half of it.
void writeWhole(const QString& path, const QString& text)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit())
        ADD_FAILURE() << "could not write " << path.toStdString();
}

QString readWhole(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

SecondCopy::SecondCopy() : m_folder(bxtest::makeTempFolder(QStringLiteral("second-copy")))
{
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kFolderVariable), m_folder);
    m_process.setProcessEnvironment(environment);
    // What it prints (its failures) shows beside this copy's.
    m_process.setProcessChannelMode(QProcess::ForwardedChannels);
    m_process.start(QCoreApplication::applicationFilePath(),
        { QStringLiteral("--gtest_filter=%1.%2")
                .arg(QString::fromUtf8(test->test_suite_name()), QString::fromUtf8(test->name())),
            QStringLiteral("--gtest_brief=1") });
    EXPECT_TRUE(m_process.waitForStarted()) << "the second copy did not start";
}

SecondCopy::~SecondCopy()
{
    if (!m_finished)
        EXPECT_TRUE(finish());
}

bool SecondCopy::isSecondCopy()
{
    return qEnvironmentVariableIsSet(kFolderVariable);
}

QString SecondCopy::send(const QString& command, int timeoutMs)
{
    if (m_process.state() != QProcess::Running)
        return QStringLiteral("failed: the second copy is not running");
    const int number = ++m_sent;
    writeWhole(commandPath(m_folder, number), command);
    const QString answer = answerPath(m_folder, number);
    if (!ScenarioApp::waitUntil(
            [&] { return QFileInfo::exists(answer) || m_process.state() != QProcess::Running; },
            timeoutMs))
        return QStringLiteral("failed: no answer to %1").arg(command);
    if (!QFileInfo::exists(answer))
        return QStringLiteral("failed: the second copy ended at %1").arg(command);
    return readWhole(answer);
}

bool SecondCopy::finish()
{
    m_finished = true;
    if (m_process.state() == QProcess::Running)
        send(QStringLiteral("quit"), 60000);
    if (!ScenarioApp::waitUntil(
            [this] { return m_process.state() == QProcess::NotRunning; }, 60000)) {
        m_process.kill();
        m_process.waitForFinished();
        return false;
    }
    return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
}

void SecondCopy::serve()
{
    const QString folder = qEnvironmentVariable(kFolderVariable);
    ScenarioApp app;
    MessageBoxWatch watch;
    for (int number = 1;; ++number) {
        const QString command = commandPath(folder, number);
        if (!ScenarioApp::waitUntil(
                [&] { return QFileInfo::exists(command); }, kLongestSilenceMs)) {
            ADD_FAILURE() << "the first copy sent nothing more";
            return;
        }
        const QString line = readWhole(command);
        if (line == QStringLiteral("quit")) {
            writeWhole(answerPath(folder, number), QStringLiteral("ok"));
            return;
        }
        writeWhole(answerPath(folder, number), CopyCommands::carryOut(app, watch, line));
    }
}

} // namespace scenario

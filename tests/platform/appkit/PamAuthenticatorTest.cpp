#include "platform/appkit/PamAuthenticator.h"

#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <security/pam_appl.h>

using platform::PamAuthenticator;

namespace {

const char* kChildVariable = "BX_PAM_CHILD";
const QString kLibraryDir = QStringLiteral("/usr/lib/x86_64-linux-gnu");

bool writeFile(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

} // namespace

// Runs only inside the child that PamAuthenticatorTest starts under pam_wrapper, where the
// services below exist and "secret" is the user's password for "brindlex-test".
TEST(PamChild, ChecksThroughTheWrappedStack)
{
    if (qEnvironmentVariableIsEmpty(kChildVariable))
        GTEST_SKIP() << "runs in the child process only";
    const QByteArray user = PamAuthenticator::userName();
    ASSERT_FALSE(user.isEmpty());
    const struct {
        const char* name;
        const char* service;
        const char* password;
        bool success;
    } cases[] = {
        { "right", "brindlex-test", "secret", true },
        { "wrong", "brindlex-test", "guess", false },
        { "a stack that cannot be used", "broken", "secret", false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray password(c.password);
        const int result = PamAuthenticator::check(c.service, user, password);
        EXPECT_EQ(result == PAM_SUCCESS, c.success) << pam_strerror(nullptr, result);
        EXPECT_TRUE(password.isEmpty()) << "the password is wiped";
    }

    // The whole request: a wrong password asks again, the right one answers YES.
    qputenv(PamAuthenticator::kServiceVariable, "brindlex-test");
    QStringList typed { QStringLiteral("guess"), QStringLiteral("secret") };
    QList<bool> retries;
    PamAuthenticator authenticator([&](const QString&, bool retry) -> std::optional<QString> {
        retries.append(retry);
        if (typed.isEmpty())
            return std::nullopt;
        return typed.takeFirst();
    });
    ASSERT_TRUE(authenticator.canEvaluate());
    std::optional<bool> reply;
    authenticator.evaluate(QStringLiteral("Unlock"), [&](bool success) { reply = success; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return reply.has_value(); }, 20000));
    EXPECT_TRUE(*reply);
    EXPECT_EQ(retries, QList<bool>({ false, true }));

    // Cancel answers NO.
    reply.reset();
    authenticator.evaluate(QStringLiteral("Unlock"), [&](bool success) { reply = success; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return reply.has_value(); }, 20000));
    EXPECT_FALSE(*reply);
}

TEST(PamAuthenticatorTest, RealPamUnderTheWrapperAcceptsOnlyTheRightPassword)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the preloaded PAM wrapper would load before the address sanitizer's runtime";
#endif
    const QString wrapper = kLibraryDir + QStringLiteral("/libpam_wrapper.so");
    const QString matrix = kLibraryDir + QStringLiteral("/pam_wrapper/pam_matrix.so");
    if (!QFile::exists(wrapper) || !QFile::exists(matrix))
        GTEST_SKIP() << "libpam-wrapper is not installed";
    const QString folder = bxtest::makeTempFolder(QStringLiteral("pam"));
    const QString services = folder + QStringLiteral("/services");
    QDir().mkpath(services);
    const QString passdb = folder + QStringLiteral("/passdb");
    ASSERT_TRUE(writeFile(passdb, PamAuthenticator::userName() + ":secret:brindlex-test\n"));
    const QByteArray module = matrix.toUtf8() + " passdb=" + passdb.toUtf8() + "\n";
    ASSERT_TRUE(writeFile(services + QStringLiteral("/brindlex-test"),
        "auth required " + module + "account required " + module));
    ASSERT_TRUE(writeFile(services + QStringLiteral("/broken"),
        "auth required " + folder.toUtf8() + "/missing_module.so\naccount required "
            + folder.toUtf8() + "/missing_module.so\n"));
    ASSERT_TRUE(writeFile(services + QStringLiteral("/other"), "auth required " + module));

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LD_PRELOAD"), wrapper);
    environment.insert(QStringLiteral("PAM_WRAPPER"), QStringLiteral("1"));
    environment.insert(QStringLiteral("PAM_WRAPPER_SERVICE_DIR"), services);
    environment.insert(QStringLiteral("PAM_WRAPPER_DISABLE_DEEPBIND"), QStringLiteral("1"));
    environment.insert(QString::fromLatin1(kChildVariable), QStringLiteral("1"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
        { QStringLiteral("--gtest_filter=PamChild.ChecksThroughTheWrappedStack") });
    ASSERT_TRUE(child.waitForFinished(60000));
    const QString output = QString::fromLocal8Bit(child.readAll());
    EXPECT_EQ(child.exitCode(), 0) << qPrintable(output);
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << qPrintable(output);
    EXPECT_FALSE(output.contains(QStringLiteral("SKIPPED"))) << qPrintable(output);
}

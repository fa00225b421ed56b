#include "QtWarnings.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

// Every test binary runs headless with a private home: test discovery runs it without the
// test environment, and no test may read or write the real user's settings or documents.
int main(int argc, char** argv)
{
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/brindlex-test-XXXXXX"));
    if (!home.isValid())
        return 2;
    bxtest::usePrivateHome(home);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brindlex"));
    QApplication::setOrganizationName(QStringLiteral("Brindlex"));
    ::testing::InitGoogleTest(&argc, argv);
    bxtest::failOnQtWarnings();
    const int status = RUN_ALL_TESTS();
    return bxtest::hadWarningOutsideTests() ? 1 : status;
}

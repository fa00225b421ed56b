#include "support/QtWarnings.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QWebEngineUrlScheme>

// The web view's tests need WebEngine's start-up conditions, all of which must hold before the
// application object exists: shared GL contexts, no sandbox (tests may run as root), and the
// custom scheme the scheme-handler tests serve.
int main(int argc, char** argv)
{
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/brindlex-test-XXXXXX"));
    if (!home.isValid())
        return 2;
    bxtest::usePrivateHome(home);
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QWebEngineUrlScheme scheme("bxtest");
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    QWebEngineUrlScheme::registerScheme(scheme);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brindlex"));
    ::testing::InitGoogleTest(&argc, argv);
    bxtest::failOnQtWarnings();
    const int status = RUN_ALL_TESTS();
    return bxtest::hadWarningOutsideTests() ? 1 : status;
}

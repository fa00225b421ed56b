#include "QtWarnings.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <atomic>
#include <cstdio>

namespace bxtest {

namespace {

struct Allowed {
    const char* pattern;
    const char* reason;
};

// Keep this short: every entry hides a message a user's log would show.
const Allowed kAllowed[] = {
    { "^This plugin does not support propagateSizeHints\\(\\)",
        "the offscreen platform cannot resize windows to their size hints; real desktops do" },
    { "^This plugin does not support raise\\(\\)",
        "the offscreen platform has no stacking order; bringing a window forward still activates "
        "it" },
    { "^WebEngineContext used before QtWebEngineCore::initialize\\(\\) or OpenGL context creation "
      "failed\\.$",
        "the offscreen platform has no OpenGL; the web view renders in software there" },
    { "^No suitable graphics backend found$",
        "the same: Chromium finds no GPU under the offscreen platform and draws in software" },
    { "^This plugin does not support grabbing the keyboard",
        "the offscreen platform has no keyboard grab; an open menu still gets its keys" },
};

std::atomic<bool> warningOutsideTests { false };
QtMessageHandler previousHandler = nullptr;

void handler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (previousHandler)
        previousHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
    if (type != QtWarningMsg && type != QtCriticalMsg && type != QtFatalMsg)
        return;
    if (isAllowedQtWarning(message))
        return;
    if (!::testing::UnitTest::GetInstance()->current_test_info()) {
        warningOutsideTests = true;
        std::fprintf(stderr, "Qt warning outside a test: %s\n", qPrintable(message));
        return;
    }
    ADD_FAILURE() << "Qt warning: " << message.toStdString();
}

} // namespace

bool isAllowedQtWarning(const QString& message)
{
    for (const Allowed& allowed : kAllowed) {
        if (QRegularExpression(QString::fromUtf8(allowed.pattern)).match(message).hasMatch())
            return true;
    }
    return false;
}

void failOnQtWarnings()
{
    previousHandler = qInstallMessageHandler(&handler);
}

bool hadWarningOutsideTests()
{
    return warningOutsideTests;
}

} // namespace bxtest

#pragma once

#include <QString>

// A Qt warning or critical message, Qt's or ours, fails the running test: it is how Qt reports
// a cursor out of range, a view asked to close a stranger's editor, a connection to a missing
// signal. The few messages a test environment causes by itself are allowed in QtWarnings.cpp,
// each with its reason.
namespace bxtest {

// Installs the handler; call once the QApplication exists. Messages are still printed.
void failOnQtWarnings();

// True when a warning arrived while no test was running (at start-up or exit); the test main
// then exits non-zero.
bool hadWarningOutsideTests();

// Whether `message` is on the allow-list.
bool isAllowedQtWarning(const QString& message);

} // namespace bxtest

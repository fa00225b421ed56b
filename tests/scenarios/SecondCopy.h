#pragma once

#include <QProcess>
#include <QString>

namespace scenario {

// A second copy of the application in a process of its own, for a scenario where two copies
// work on one file. The process is this test program running the same test, which sees
// isSecondCopy() and serves: it starts the application as a scenario does and carries out the
// commands this side sends (a line each, through files in a folder both see), answering each. Its
// own failures and Qt warnings fail its exit, which the first copy checks when it ends.
class SecondCopy final {
public:
    // Starts the second copy of the running test.
    SecondCopy();
    // Ends the second copy; a failure of its own becomes one here.
    ~SecondCopy();
    SecondCopy(const SecondCopy&) = delete;
    SecondCopy& operator=(const SecondCopy&) = delete;

    // Whether this process is the second copy of the running test.
    static bool isSecondCopy();

    // Sends a command (see CopyCommands) and waits for its answer, running this copy's event
    // loop meanwhile; "failed: ..." when none comes in time. "quit" ends the second copy,
    // closing what it has open.
    QString send(const QString& command, int timeoutMs = 120000);
    // Ends the second copy with "quit"; false when it failed or did not end.
    bool finish();

    // In the second copy: serves commands until "quit", then returns.
    static void serve();

private:
    QString m_folder;
    QProcess m_process;
    int m_sent = 0;
    bool m_finished = false;
};

} // namespace scenario

#include "platform/foundation/UnixSignalNotifier.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {

int g_pipe[2] = { -1, -1 };

void handleSignal(int signalNumber)
{
    const char number = char(signalNumber);
    [[maybe_unused]] const ssize_t written = write(g_pipe[0], &number, 1);
}

} // namespace

UnixSignalNotifier::UnixSignalNotifier(QObject* parent) : QObject(parent)
{
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0)
        return;
    fcntl(g_pipe[0], F_SETFL, O_NONBLOCK);
    m_notifier = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char number = 0;
        while (read(g_pipe[1], &number, 1) == 1)
            emit terminationRequested(number);
    });
    fcntl(g_pipe[1], F_SETFL, O_NONBLOCK);
    struct sigaction action { };
    action.sa_handler = handleSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

UnixSignalNotifier::~UnixSignalNotifier()
{
    signal(SIGTERM, SIG_DFL);
    signal(SIGINT, SIG_DFL);
    for (int& fd : g_pipe) {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
}

} // namespace platform

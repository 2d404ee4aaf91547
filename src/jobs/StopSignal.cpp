#include "StopSignal.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace {

// Written from the handler: lock-free, so the handler does nothing unsafe.
std::atomic<int> g_signal{0};
static_assert(std::atomic<int>::is_always_lock_free);
int g_wake = -1;

extern "C" void NoteStop(int number)
{
    int none = 0;
    g_signal.compare_exchange_strong(none, number);
    if (g_wake >= 0) {
        const int saved = errno;
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(g_wake, &byte, 1);
        errno = saved;
    }
}

} // namespace

void InstallStopHandlers(int wakeFd)
{
    g_wake = wakeFd;
    struct sigaction action {};
    action.sa_handler = NoteStop;
    sigemptyset(&action.sa_mask);
    // Reads of the image file go on rather than fail with EINTR.
    action.sa_flags = SA_RESTART;
    for (int number : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction before {};
        sigaction(number, nullptr, &before);
        if (before.sa_handler != SIG_IGN)
            sigaction(number, &action, nullptr);
    }
}

void IgnoreClosedPipes()
{
    std::signal(SIGPIPE, SIG_IGN);
}

int StopSignalNumber()
{
    return g_signal.load();
}

#include "StopSignal.h"

#include <atomic>
#include <csignal>

namespace {

// Written from the handler: lock-free, so the handler does nothing unsafe.
std::atomic<int> g_signal{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void NoteStop(int number)
{
    int none = 0;
    g_signal.compare_exchange_strong(none, number);
}

} // namespace

void InstallStopHandlers()
{
    struct sigaction action {};
    action.sa_handler = NoteStop;
    sigemptyset(&action.sa_mask);
    // Reads of the image file go on rather than fail with EINTR.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int StopSignalNumber()
{
    return g_signal.load();
}

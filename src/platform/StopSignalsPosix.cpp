#include "platform/StopSignals.h"

#include <initializer_list>
#include <signal.h>

namespace orrin::platform {

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

extern "C" void onStopSignal(int signal)
{
    if (g_stopSignal != 0) {
        // The second signal: the default action, now.
        struct sigaction fallback {};
        fallback.sa_handler = SIG_DFL;
        sigemptyset(&fallback.sa_mask);
        sigaction(signal, &fallback, nullptr);
        raise(signal);
        return;
    }
    g_stopSignal = signal;
}

} // namespace

void StopSignals::install()
{
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);

    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction before {};
        if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) {
            continue;
        }
        struct sigaction stop {};
        stop.sa_handler = onStopSignal;
        sigemptyset(&stop.sa_mask);
        // No SA_RESTART: a question waiting on the terminal returns, and the run stops right there.
        stop.sa_flags = 0;
        sigaction(signal, &stop, nullptr);
    }
}

const volatile std::sig_atomic_t* StopSignals::flag()
{
    return &g_stopSignal;
}

} // namespace orrin::platform

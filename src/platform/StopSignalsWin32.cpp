#include "platform/StopSignals.h"

#include <windows.h>

namespace orrin::platform {

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

BOOL WINAPI onControlEvent(DWORD event)
{
    const bool closing =
        event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT;
    if (g_stopSignal != 0 && !closing)
        return FALSE; // the second Ctrl-C: the system's default, which ends the program now
    if (g_stopSignal == 0)
        g_stopSignal = closing ? SIGTERM : SIGINT;
    if (closing) {
        // The system ends the program as soon as this returns (and after five seconds at most): give
        // the run the time to finish the statement in hand and roll back.
        Sleep(4000);
    }
    return TRUE;
}

} // namespace

void StopSignals::install()
{
    SetConsoleCtrlHandler(onControlEvent, TRUE);
}

const volatile std::sig_atomic_t* StopSignals::flag()
{
    return &g_stopSignal;
}

} // namespace orrin::platform

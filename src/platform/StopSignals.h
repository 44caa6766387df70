#pragma once

#include <csignal>

namespace orrin::platform {

// The runner's answer to SIGINT, SIGTERM and SIGHUP: the first one only records its number, so that
// the run finishes the statement in hand, rolls back and says so; a second one ends the program at
// once with the signal's own status (the target's journal still protects the file). A signal that
// was ignored when the program started (nohup) stays ignored. SIGPIPE is ignored: a reader that
// went away makes writes fail, and those are dropped.
// On Windows the console's control events stand in for the signals and are recorded under the same
// numbers: Ctrl-C and Ctrl-Break as SIGINT, closing the console window, logging off and shutting
// down as SIGTERM; a second Ctrl-C ends the program at once.
class StopSignals {
  public:
    // Installs the handlers for the life of the program.
    static void install();
    // The number of the first stop signal, 0 while none came.
    static const volatile std::sig_atomic_t* flag();
};

} // namespace orrin::platform

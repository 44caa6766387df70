#pragma once

#include <csignal>

namespace orrin::cli {

// The runner's answer to SIGINT, SIGTERM and SIGHUP: the first one only records its number, so that
// the run finishes the statement in hand, rolls back and says so; a second one ends the program at
// once with the signal's own status (the target's journal still protects the file). A signal that
// was ignored when the program started (nohup) stays ignored. SIGPIPE is ignored: a reader that
// went away makes writes fail, and those are dropped.
class StopSignals {
  public:
    // Installs the handlers for the life of the program.
    static void install();
    // The number of the first stop signal, 0 while none came.
    static const volatile std::sig_atomic_t* flag();
};

} // namespace orrin::cli

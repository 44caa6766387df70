#pragma once

#include <csignal>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace orrin::cli {

// The streams the command talks through, and whether input and error output are terminals.
struct Terminal {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    bool inputIsTerminal = false;
    bool errorIsTerminal = false;
    bool outputIsTerminal = false;
    // Set to a signal's number by the program's signal handler: the run stops and rolls back.
    const volatile std::sig_atomic_t* stopSignal = nullptr;
};

// The whole headless import: reads the arguments (after the program name), runs the migration and
// prints its summary. Returns the exit status: 0 finished cleanly, 3 finished but not cleanly,
// 1 stopped or failed (nothing changed in the target), 2 bad usage: a database path that does not
// exist, an output file that would be written over an input database, an error log that is not a
// regular file, a summary that could not be written. Never throws.
int runImport(const std::vector<std::string>& arguments, Terminal& terminal);

} // namespace orrin::cli

#pragma once

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
};

// The whole headless import: reads the arguments (after the program name), runs the migration and
// prints its summary. Returns the exit status: 0 finished cleanly, 3 finished but not cleanly,
// 1 stopped or failed (nothing changed in the target), 2 bad usage. Never throws.
int runImport(const std::vector<std::string>& arguments, Terminal& terminal);

} // namespace orrin::cli

#include "cli/ImportCommand.h"
#include "cli/StopSignals.h"

#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv)
{
    orrin::cli::StopSignals::install();
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    orrin::cli::Terminal terminal{std::cin, std::cout, std::cerr, isatty(STDIN_FILENO) != 0,
                                  isatty(STDERR_FILENO) != 0};
    terminal.outputIsTerminal = isatty(STDOUT_FILENO) != 0;
    terminal.stopSignal = orrin::cli::StopSignals::flag();
    return orrin::cli::runImport(arguments, terminal);
}

#include "cli/ImportCommand.h"

#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv)
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    orrin::cli::Terminal terminal{std::cin, std::cout, std::cerr, isatty(STDIN_FILENO) != 0,
                                  isatty(STDERR_FILENO) != 0};
    return orrin::cli::runImport(arguments, terminal);
}

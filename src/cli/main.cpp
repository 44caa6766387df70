#include "cli/ImportCommand.h"
#include "platform/Console.h"
#include "platform/StopSignals.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    using orrin::platform::isTerminal;
    using orrin::platform::StandardStream;
    orrin::platform::StopSignals::install();
    orrin::platform::useBinaryOutput();
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    orrin::cli::Terminal terminal{std::cin, std::cout, std::cerr, isTerminal(StandardStream::Input),
                                  isTerminal(StandardStream::Error)};
    terminal.outputIsTerminal = isTerminal(StandardStream::Output);
    terminal.stopSignal = orrin::platform::StopSignals::flag();
    return orrin::cli::runImport(arguments, terminal);
}

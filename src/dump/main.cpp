#include "dump/DumpCommand.h"
#include "platform/Console.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    // CSV and JSON lines go out byte for byte, with the line ends they were written with.
    orrin::platform::useBinaryOutput();
    return orrin::dump::runDump(arguments, std::cout, std::cerr);
}

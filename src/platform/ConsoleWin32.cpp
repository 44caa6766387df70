#include "platform/Console.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace orrin::platform {

bool isTerminal(StandardStream stream)
{
    const DWORD which = stream == StandardStream::Input    ? STD_INPUT_HANDLE
                        : stream == StandardStream::Output ? STD_OUTPUT_HANDLE
                                                           : STD_ERROR_HANDLE;
    // A console handle answers GetConsoleMode; _isatty would also take the NUL device for one.
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(which), &mode) != 0;
}

void useBinaryOutput()
{
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
}

} // namespace orrin::platform

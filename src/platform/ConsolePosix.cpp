#include "platform/Console.h"

#include <unistd.h>

namespace orrin::platform {

bool isTerminal(StandardStream stream)
{
    const int fd = stream == StandardStream::Input    ? STDIN_FILENO
                   : stream == StandardStream::Output ? STDOUT_FILENO
                                                      : STDERR_FILENO;
    return ::isatty(fd) != 0;
}

void useBinaryOutput() {}

} // namespace orrin::platform

#pragma once

namespace orrin::platform {

enum class StandardStream { Input, Output, Error };

// Whether the stream is a terminal (a console window on Windows) rather than a file or a pipe.
bool isTerminal(StandardStream stream);

// Makes standard output carry bytes unchanged (Windows would turn each LF into CR LF, which breaks
// CSV and binary output); nothing to do on POSIX.
void useBinaryOutput();

} // namespace orrin::platform

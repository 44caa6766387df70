#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace orrin::reliability {

// What one run of a program gave: its exit status (or the signal that ended it), what it wrote,
// and whether it had to be killed for running past its time.
struct ProcessResult {
    int exitCode = -1;     // -1 when it did not exit normally
    int signal = 0;        // the signal that ended it, 0 when it exited
    bool timedOut = false; // killed by us after the time limit
    std::string out;
    std::string err;
};

// Runs a program with arguments, feeding it input on its standard input (closed at the end, so a
// question it asks reads end of input), and waits at most limit for it. A program still running
// then is killed with SIGKILL and reported as timed out: a hang fails a test instead of stalling it.
// The program runs in workingDirectory when one is given. Throws std::runtime_error when the
// program cannot be started at all.
ProcessResult runProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                         const std::string& input = {},
                         std::chrono::milliseconds limit = std::chrono::seconds(120),
                         const std::filesystem::path& workingDirectory = {});

// A program left running in the background while a test does something else, with a pipe on its
// standard input that stays open until the object goes; then the program is killed and reaped.
class BackgroundProgram {
  public:
    // withErrors: the program's standard error goes into the same pipe as its standard output.
    BackgroundProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                      bool withErrors = false);
    ~BackgroundProgram();
    BackgroundProgram(const BackgroundProgram&) = delete;
    BackgroundProgram& operator=(const BackgroundProgram&) = delete;

    // Writes to the program's standard input.
    void send(const std::string& text);
    // Waits until the program's standard output holds text; false when it did not within limit.
    bool waitForOutput(const std::string& text, std::chrono::milliseconds limit);
    // Everything the program wrote so far, and on until its output ends or limit passes.
    const std::string& output(std::chrono::milliseconds limit);
    // Closes the program's input and waits at most limit for it to end by itself: its exit status,
    // or -1 when it was still running (it is then killed) or ended by a signal.
    int waitForExit(std::chrono::milliseconds limit);

  private:
    int m_pid = -1;
    int m_input = -1;
    int m_output = -1;
    std::string m_seen;
};

// A readable summary of a result for failure messages: status, then both outputs (cut short).
std::string describe(const ProcessResult& result);

} // namespace orrin::reliability

#include "reliability/ProcessRunner.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace orrin::reliability {

namespace {

// A temporary file that goes away with the object; the child writes its outputs into two of them.
class TempFile {
  public:
    TempFile()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "orrin-reliability-XXXXXX").string();
        m_fd = mkstemp(pattern.data());
        if (m_fd < 0)
            throw std::runtime_error("cannot create a temporary file");
        m_path = pattern;
    }
    ~TempFile()
    {
        if (m_fd >= 0)
            close(m_fd);
        std::error_code ignored;
        std::filesystem::remove(m_path, ignored);
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    int fd() const { return m_fd; }
    const std::filesystem::path& path() const { return m_path; }
    std::string contents() const
    {
        std::ifstream in(m_path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

  private:
    int m_fd = -1;
    std::filesystem::path m_path;
};

class SpawnActions {
  public:
    SpawnActions() { posix_spawn_file_actions_init(&m_actions); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&m_actions); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    posix_spawn_file_actions_t* get() { return &m_actions; }

  private:
    posix_spawn_file_actions_t m_actions;
};

} // namespace

ProcessResult runProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                         const std::string& input, std::chrono::milliseconds limit,
                         const std::filesystem::path& workingDirectory)
{
    TempFile in;
    TempFile out;
    TempFile err;
    {
        std::ofstream writer(in.path(), std::ios::binary);
        writer << input;
    }

    SpawnActions actions;
    posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, in.path().c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(actions.get(), out.fd(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(actions.get(), err.fd(), STDERR_FILENO);
    if (!workingDirectory.empty())
        posix_spawn_file_actions_addchdir_np(actions.get(), workingDirectory.c_str());

    std::vector<std::string> argv{program.string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (std::string& argument : argv)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);

    pid_t child = 0;
    const int spawned =
        posix_spawn(&child, program.c_str(), actions.get(), nullptr, pointers.data(), environ);
    if (spawned != 0)
        throw std::runtime_error("cannot start " + program.string());

    ProcessResult result;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child)
            break;
        if (done < 0 && errno != EINTR)
            throw std::runtime_error("lost the child process of " + program.string());
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            result.timedOut = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
    result.out = out.contents();
    result.err = err.contents();
    return result;
}

BackgroundProgram::BackgroundProgram(const std::filesystem::path& program,
                                     const std::vector<std::string>& arguments, bool withErrors)
{
    int input[2];
    int output[2];
    if (pipe(input) != 0)
        throw std::runtime_error("cannot make a pipe");
    if (pipe(output) != 0) {
        close(input[0]);
        close(input[1]);
        throw std::runtime_error("cannot make a pipe");
    }
    SpawnActions actions;
    posix_spawn_file_actions_adddup2(actions.get(), input[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(actions.get(), output[1], STDOUT_FILENO);
    if (withErrors)
        posix_spawn_file_actions_adddup2(actions.get(), output[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(actions.get(), input[1]);
    posix_spawn_file_actions_addclose(actions.get(), output[0]);

    std::vector<std::string> argv{program.string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (std::string& argument : argv)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);

    pid_t child = 0;
    const int spawned =
        posix_spawn(&child, program.c_str(), actions.get(), nullptr, pointers.data(), environ);
    close(input[0]);
    close(output[1]);
    m_input = input[1];
    m_output = output[0];
    if (spawned != 0) {
        close(m_input);
        close(m_output);
        throw std::runtime_error("cannot start " + program.string());
    }
    m_pid = child;
    fcntl(m_output, F_SETFL, fcntl(m_output, F_GETFL) | O_NONBLOCK);
}

BackgroundProgram::~BackgroundProgram()
{
    if (m_input >= 0)
        close(m_input);
    close(m_output);
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        int status = 0;
        waitpid(m_pid, &status, 0);
    }
}

int BackgroundProgram::waitForExit(std::chrono::milliseconds limit)
{
    if (m_input >= 0) {
        close(m_input);
        m_input = -1;
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    for (;;) {
        // Keep the pipe drained, so a program that writes a lot cannot block on it.
        char buffer[512];
        for (ssize_t n = 0; (n = read(m_output, buffer, sizeof buffer)) > 0;)
            m_seen.append(buffer, static_cast<std::size_t>(n));
        const pid_t done = waitpid(m_pid, &status, WNOHANG);
        if (done == m_pid)
            break;
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, &status, 0);
            m_pid = -1;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void BackgroundProgram::send(const std::string& text)
{
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = write(m_input, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw std::runtime_error("cannot write to the background program");
        written += static_cast<std::size_t>(n);
    }
}

bool BackgroundProgram::waitForOutput(const std::string& text, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (m_seen.find(text) == std::string::npos) {
        char buffer[512];
        const ssize_t n = read(m_output, buffer, sizeof buffer);
        if (n > 0) {
            m_seen.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n == 0 || std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

const std::string& BackgroundProgram::output(std::chrono::milliseconds limit)
{
    waitForOutput(std::string(1, '\0'), limit);
    return m_seen;
}

std::string describe(const ProcessResult& result)
{
    auto cut = [](const std::string& text) {
        constexpr std::size_t kMost = 3000;
        return text.size() <= kMost ? text : "..." + text.substr(text.size() - kMost);
    };
    std::ostringstream text;
    text << "exit " << result.exitCode << ", signal " << result.signal
         << (result.timedOut ? ", timed out" : "") << "\n--- stdout\n"
         << cut(result.out) << "\n--- stderr\n"
         << cut(result.err);
    return text.str();
}

} // namespace orrin::reliability

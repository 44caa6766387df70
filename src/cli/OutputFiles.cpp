#include "cli/OutputFiles.h"

#include "store/DatabaseFile.h"
#include "store/KnownDatabases.h"
#include "store/SqlText.h"
#include "value/Error.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orrin::cli {

namespace fs = std::filesystem;

namespace {

fs::path resolvedOrAsIs(const fs::path& path)
{
    try {
        return store::resolveDataSource(path.string());
    } catch (const Error&) {
        return path; // several names differ only in letter case; the plain name is still compared
    }
}

// The folder as the file system knows it, so that "a/./b", "a/b/" and a symlinked folder compare
// equal; the text itself when it cannot be resolved.
fs::path canonicalFolder(const fs::path& folder)
{
    std::error_code error;
    const fs::path canonical = fs::weakly_canonical(folder.empty() ? fs::path(".") : folder, error);
    return error ? folder : canonical;
}

} // namespace

std::vector<InputFile> inputFiles(const std::string& OrrinDbFolder, const std::string& AgentDbFolder,
                                  const fs::path& bonusDb)
{
    return {
        {"the Orrin database", resolvedOrAsIs(fs::path(OrrinDbFolder) / std::string(kOrrinFileName))},
        {"the Calvane database", resolvedOrAsIs(fs::path(AgentDbFolder) / std::string(kCalvaneFileName))},
        {"the bonus database", resolvedOrAsIs(bonusDb)},
    };
}

std::optional<std::string> outputOverInput(const std::string& option, const fs::path& output,
                                           const std::vector<InputFile>& inputs)
{
    const std::string refused = option + " '" + output.string() + "' would be written over ";
    struct stat written {};
    const bool exists = ::stat(output.c_str(), &written) == 0;
    const fs::path outputFolder = canonicalFolder(output.parent_path());
    const std::string outputName = output.filename().string();
    for (const InputFile& input : inputs) {
        struct stat read {};
        if (exists && ::stat(input.path.c_str(), &read) == 0 && read.st_dev == written.st_dev &&
            read.st_ino == written.st_ino) {
            return refused + input.role + " '" + input.path.string() + "'";
        }
        const std::string inputName = input.path.filename().string();
        if (canonicalFolder(input.path.parent_path()) == outputFolder &&
            (store::equalsIgnoringCase(outputName, inputName) ||
             store::equalsIgnoringCase(outputName, inputName + "-journal"))) {
            return refused + input.role + " '" + input.path.string() + "' (or its journal)";
        }
    }
    return std::nullopt;
}

std::optional<std::string> unusableLog(const fs::path& log)
{
    struct stat found {};
    if (::lstat(log.c_str(), &found) != 0) {
        return std::nullopt; // made at the first entry
    }
    if (S_ISLNK(found.st_mode)) {
        return "the error log '" + log.string() + "' is a symbolic link; name the file itself";
    }
    if (!S_ISREG(found.st_mode)) {
        return "the error log '" + log.string() + "' is not a regular file";
    }
    return std::nullopt;
}

std::optional<std::string> unwritableSummary(const fs::path& summary)
{
    std::error_code error;
    if (fs::is_directory(summary, error)) {
        return "the summary file '" + summary.string() + "' is a folder";
    }
    const fs::path folder = summary.parent_path().empty() ? fs::path(".") : summary.parent_path();
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        return "cannot write the summary file '" + summary.string() +
               "': its folder is missing or not writable";
    }
    return std::nullopt;
}

bool replaceFile(const fs::path& path, const std::string& text)
{
    const fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    std::string pattern = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        return false;
    }
    bool written = ::fchmod(fd, S_IRUSR | S_IWUSR | S_IRGRP | S_IROTH) == 0;
    std::size_t done = 0;
    while (written && done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        written = n > 0;
        done += n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    written = written && ::fsync(fd) == 0;
    written = ::close(fd) == 0 && written;
    if (!written || std::rename(pattern.c_str(), path.c_str()) != 0) {
        ::unlink(pattern.c_str());
        return false;
    }
    return true;
}

std::string escapeControls(const std::string& text)
{
    std::string shown;
    shown.reserve(text.size());
    const auto escaped = [&](unsigned char byte) {
        char code[8];
        std::snprintf(code, sizeof code, "\\x%02X", byte);
        shown += code;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte < 0x20 && byte != '\n' && byte != '\t') || byte == 0x7F) {
            escaped(byte);
        } else if (byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            escaped(static_cast<unsigned char>(text[++i])); // a C1 control, U+0080 to U+009F
        } else {
            shown += static_cast<char>(byte);
        }
    }
    return shown;
}

} // namespace orrin::cli

#include "cli/OutputFiles.h"

#include "store/DatabaseFile.h"
#include "store/KnownDatabases.h"
#include "store/SqlText.h"
#include "value/Error.h"

#include "platform/FileError.h"
#include "platform/FileIdentity.h"
#include "platform/Files.h"
#include "platform/ReplacementFile.h"
#include "platform/Utf8Path.h"

#include <cstdio>

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
        {"the Orrin database",
         resolvedOrAsIs(platform::pathFromUtf8(OrrinDbFolder) / std::string(kOrrinFileName))},
        {"the Calvane database",
         resolvedOrAsIs(platform::pathFromUtf8(AgentDbFolder) / std::string(kCalvaneFileName))},
        {"the bonus database", resolvedOrAsIs(bonusDb)},
    };
}

std::optional<std::string> outputOverInput(const std::string& option, const fs::path& output,
                                           const std::vector<InputFile>& inputs)
{
    const std::string refused = option + " '" + output.string() + "' would be written over ";
    const auto written = platform::identityOf(output);
    const fs::path outputFolder = canonicalFolder(output.parent_path());
    const std::string outputName = output.filename().string();
    for (const InputFile& input : inputs) {
        const auto read = platform::identityOf(input.path);
        if (written && read && read->sameFile(*written)) {
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
    const platform::EntryKind kind = platform::entryKind(log);
    if (kind == platform::EntryKind::Missing) {
        return std::nullopt; // made at the first entry
    }
    if (kind == platform::EntryKind::Link) {
        return "the error log '" + log.string() + "' is a symbolic link; name the file itself";
    }
    if (kind != platform::EntryKind::Regular) {
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
    if (!platform::folderWritable(folder)) {
        return "cannot write the summary file '" + summary.string() +
               "': its folder is missing or not writable";
    }
    return std::nullopt;
}

bool replaceFile(const fs::path& path, const std::string& text)
{
    const fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    try {
        platform::ReplacementFile file(path, (folder / ("." + path.filename().string() + ".")).string());
        file.write(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
        file.commit(0644);
    } catch (const platform::FileError&) {
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

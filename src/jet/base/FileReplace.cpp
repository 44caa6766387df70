#include "jet/base/FileReplace.h"

#include "jet/base/JetError.h"

#include "platform/FileError.h"
#include "platform/ReplacementFile.h"

#include <string>

namespace orrin::jet {

namespace {

constexpr const char* kTemporarySuffix = ".orrin-";

// The platform's new copy of a file, seen by the producer as a sink.
class CopySink final : public FileSink {
  public:
    explicit CopySink(platform::ReplacementFile& copy) : m_copy(copy) {}
    void write(std::span<const std::uint8_t> bytes) override { m_copy.write(bytes); }

  private:
    platform::ReplacementFile& m_copy;
};

// The file a path leads to, symbolic links followed; the path itself when it is no link (or when
// the link leads nowhere, which the first step of the replace then reports).
std::filesystem::path realFile(const std::filesystem::path& path)
{
    std::error_code error;
    if (!std::filesystem::is_symlink(path, error))
        return path;
    const std::filesystem::path real = std::filesystem::canonical(path, error);
    return error ? path : real;
}

void checkUnchanged(const std::filesystem::path& shown, const std::filesystem::path& real,
                    const std::optional<platform::FileIdentity>& expected)
{
    if (!expected)
        return;
    const auto now = platform::identityOf(real);
    if (!now || !(*now == *expected))
        throw Error(Failure::Changed,
                    shown.string() + " was changed by another program since it was opened.");
}

} // namespace

void replaceFile(const std::filesystem::path& shown, const std::function<void(FileSink&)>& produce,
                 const std::optional<platform::FileIdentity>& expected,
                 const std::function<void()>& beforeReplace)
{
    const std::filesystem::path target = realFile(shown);
    checkUnchanged(shown, target, expected);
    try {
        const unsigned mode = platform::replaceableMode(target);
        platform::ReplacementFile copy(target, target.string() + kTemporarySuffix);
        CopySink sink(copy);
        produce(sink);
        copy.commit(mode, [&] {
            if (beforeReplace)
                beforeReplace();
            checkUnchanged(shown, target, expected);
        });
    } catch (const platform::FileError& e) {
        throw Error(Failure::Io,
                    "Cannot write " + target.string() + ": " + e.action() + ": " + e.reason() + ".");
    }
}

int removeLeftoverCopies(const std::filesystem::path& shown)
{
    const std::filesystem::path target = realFile(shown);
    const std::string prefix = target.filename().string() + kTemporarySuffix;
    std::filesystem::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    int removed = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0 &&
            entry.is_regular_file(error) && std::filesystem::remove(entry.path(), error))
            ++removed;
    }
    return removed;
}

} // namespace orrin::jet

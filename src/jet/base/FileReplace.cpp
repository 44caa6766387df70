#include "jet/base/FileReplace.h"

#include "jet/base/JetError.h"
#include "platform/FileError.h"
#include "platform/ReplacementFile.h"

#include <string>

namespace orrin::jet {

namespace {

constexpr const char* kTemporarySuffix = ".orrin-";

// Hands the new contents to the platform's replacement file.
class ReplacementSink final : public FileSink {
  public:
    explicit ReplacementSink(platform::ReplacementFile& file) : m_file(file) {}
    void write(std::span<const std::uint8_t> bytes) override { m_file.write(bytes); }

  private:
    platform::ReplacementFile& m_file;
};

} // namespace

void replaceFile(const std::filesystem::path& target, const std::function<void(FileSink&)>& produce)
{
    try {
        const unsigned mode = platform::replaceableMode(target);
        platform::ReplacementFile temporary(target, target.string() + kTemporarySuffix);
        ReplacementSink sink(temporary);
        produce(sink);
        temporary.commit(mode);
    } catch (const platform::FileError& error) {
        throw Error(Failure::Io,
                    "Cannot write " + target.string() + ": " + error.action() + ": " + error.reason() + ".");
    }
}

int removeLeftoverCopies(const std::filesystem::path& target)
{
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

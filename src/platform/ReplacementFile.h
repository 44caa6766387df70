#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>

namespace orrin::platform {

// The permission bits a replacement of target should get (POSIX mode bits; 0 on Windows, where a new
// file takes its folder's rights). Fails with FileError "cannot read its permissions" when target
// cannot be read, "the file is read-only" when it may not be written.
unsigned replaceableMode(const std::filesystem::path& target);

// A new copy of target, written beside it under a temporary name and then put in its place in one
// step, so that a stop, a crash or a power cut leaves either the old file or the new one, never a
// mixture. The temporary file is named temporaryStem followed by six random characters; it is
// removed again unless commit() put it in place. Failures are FileError with the action naming the
// step ("cannot create a file in its folder", "writing the new copy failed", ...).
class ReplacementFile {
  public:
    ReplacementFile(std::filesystem::path target, const std::string& temporaryStem);
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Appends bytes (disk full, file too large: FileError).
    void write(std::span<const std::uint8_t> bytes);
    // Gives the copy mode (ignored on Windows), flushes it to disk and closes it, calls lastCheck
    // (which may throw to leave target as it is), renames the copy over target and flushes the folder
    // where the system allows it (POSIX fsync; Windows MoveFileEx write-through). No handle of the
    // copy is open when lastCheck runs; on Windows no handle of target may be open either.
    void commit(unsigned mode, const std::function<void()>& lastCheck = {});

  private:
    std::filesystem::path m_target;
    std::filesystem::path m_path;
    std::intptr_t m_handle = -1;
    bool m_renamed = false;
};

} // namespace orrin::platform

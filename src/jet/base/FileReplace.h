#pragma once

// Replacing a file atomically: the new contents go into a temporary file beside it, which is
// flushed to disk with its folder and then renamed over the original, so that a stop, a crash or a
// power cut at any moment leaves either the old file or the new one, never a mixture.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>

namespace orrin::jet {

// Receives the new contents in order.
class FileSink {
  public:
    virtual ~FileSink() = default;
    // Appends bytes; fails with Failure::Io saying why (disk full, file too large, ...).
    virtual void write(std::span<const std::uint8_t> bytes) = 0;
};

// Writes the new contents of target through produce into a temporary file in target's folder,
// gives it target's permission bits, flushes it to disk, renames it over target and flushes the
// folder. Any failure (the folder read-only or not writable, the disk full, a write refused, or
// an exception from produce) removes the temporary file, leaves target untouched and is reported
// as Failure::Io "Cannot write TARGET: reason." (an exception from produce passes unchanged).
void replaceFile(const std::filesystem::path& target, const std::function<void(FileSink&)>& produce);

// Removes the temporary copies that a replace of target killed half-way left beside it (target's
// name followed by ".orrin-" and six characters). Returns how many it removed; a copy that cannot
// be removed is left.
int removeLeftoverCopies(const std::filesystem::path& target);

} // namespace orrin::jet

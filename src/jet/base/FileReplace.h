#pragma once

// Replacing a file atomically: the new contents go into a temporary file beside it, which is
// flushed to disk with its folder and then renamed over the original, so that a stop, a crash or a
// power cut at any moment leaves either the old file or the new one, never a mixture.

#include "platform/FileIdentity.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
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
// gives it target's permission bits, flushes it (fsync), renames it over target and flushes the
// folder. A target that is a symbolic link (or a chain of them) is followed: the file it leads to is
// replaced, in that file's folder, and the link stays a link. Any failure (the folder read-only or
// not writable, the disk full, a write refused, or an exception from produce) removes the temporary
// file, leaves target untouched and is reported as Failure::Io "Cannot write TARGET: reason." (an
// exception from produce passes unchanged).
// expected: the identity, size and modification time target must still have; checked before the
// new contents are produced and again just before the rename. A file that differs (written, cut
// short, another file renamed over it, or gone) is Failure::Changed "TARGET was changed by another
// program since it was opened." and nothing is written.
// beforeReplace: called once the new copy is written and closed, before that last check: the
// caller closes there what it still holds open of target (Windows refuses to rename over a file
// that any handle holds open, whatever its sharing).
void replaceFile(const std::filesystem::path& target, const std::function<void(FileSink&)>& produce,
                 const std::optional<platform::FileIdentity>& expected = std::nullopt,
                 const std::function<void()>& beforeReplace = {});

// Removes the temporary copies that a replace of target killed half-way left beside it (target's
// name followed by ".orrin-" and six characters; beside the file a link leads to, for a link).
// Returns how many it removed; a copy that cannot be removed is left.
int removeLeftoverCopies(const std::filesystem::path& target);

} // namespace orrin::jet

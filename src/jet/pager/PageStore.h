#pragma once

// The pages of a file that a writer is changing.

#include <cstdint>
#include <span>
#include <string>

namespace orrin::jet {

// The pages a writer changes, and new ones it takes.
class PageStore {
  public:
    virtual ~PageStore() = default;
    // Page n as it is now (changed or not).
    virtual std::span<const std::uint8_t> page(std::uint32_t n) = 0;
    // Page n to change in place (the store keeps the change).
    virtual std::span<std::uint8_t> changePage(std::uint32_t n) = 0;
    // A free page for a new bitmap (reused before the file grows).
    virtual std::uint32_t allocatePage() = 0;
    virtual std::uint32_t pageCount() const = 0;
    virtual const std::string& fileName() const = 0;
};

} // namespace orrin::jet

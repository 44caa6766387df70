// Feeds arbitrary bytes to the pager as a whole Access file: opening either refuses them with a
// jet::Error or gives a file whose every page decodes, and encodes back to the bytes it came from.
// The corpus holds the first two pages of files made by Access, one for each kind of header and
// encryption (the agile one with a small spin count, so that each run stays quick), cut from the
// sample files of tests/data/access (their licences are there).

#include "jet/base/JetError.h"
#include "jet/pager/PageFile.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace orrin::jet;
    std::unique_ptr<PageFile> file;
    try {
        file = PageFile::openBytes(std::vector<std::uint8_t>(data, data + size), "fuzz.accdb", "password");
    } catch (const Error&) {
        return 0;
    }
    require(file->pageCount() * file->header().pageSize == size);
    for (std::uint32_t n = 0; n < file->pageCount(); ++n) {
        const auto plain = file->page(n);
        const auto stored = file->storedPage(n);
        const auto encoded = file->encodePage(n, plain);
        require(std::equal(encoded.begin(), encoded.end(), stored.begin(), stored.end()));
    }
    try {
        file->page(file->pageCount());
        require(false);
    } catch (const Error& e) {
        require(e.failure() == Failure::Damaged);
    }
    return 0;
}

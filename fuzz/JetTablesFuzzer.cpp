// Feeds arbitrary bytes to the table reader as a whole Access file: the catalog, every table's
// definition and properties, and every row. Each either reads or is refused with a jet::Error;
// nothing crashes, hangs or reads outside a page. The corpus holds small files made by Access, cut
// from the sample files of tests/data/access (their licences are there).

#include "jet/base/JetError.h"
#include "jet/pager/PageFile.h"
#include "jet/table/Database.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace orrin::jet;
    try {
        const auto db =
            Database::open(PageFile::openBytes(std::vector<std::uint8_t>(data, data + size), "fuzz.mdb", ""));
        for (const auto& entry : db->tables()) {
            try {
                const TableDef& def = db->table(entry.name);
                db->properties(entry.name);
                auto cursor = db->rows(def);
                while (cursor.next()) {
                }
            } catch (const Error&) {
                // One table's damage leaves the others to read.
            }
        }
    } catch (const Error&) {
    }
    return 0;
}

#pragma once

// The catalog: the rows of MSysObjects (its definition is always on page 2) that are user tables,
// with the page of each table's definition.

#include "jet/base/Text.h"
#include "jet/pager/PageFile.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orrin::jet {

struct CatalogEntry {
    std::string name;
    std::uint32_t definitionPage = 0;
    std::int32_t id = 0; // the catalog's Id (the definition page in its low 24 bits)
    std::int32_t parentId = 0;
    std::uint32_t flags = 0;
    std::vector<std::uint8_t> properties; // the LvProp value (jet::Properties reads it)
};

// A table linked to a table of another Access file (a catalog row of type 6).
struct LinkEntry {
    std::string name;        // as this file knows it
    std::string database;    // the other file's path, as stored (often an absolute Windows path)
    std::string foreignName; // the table's name in the other file
    std::string connect;     // the connect text (";PWD=..." when the other file has a password)
};

class Catalog {
  public:
    // Reads the catalog of file: the user tables (type 1, neither system flag) in catalog order.
    // Fails with Failure::Damaged when the catalog's definition or rows do not hold, or it lacks
    // the columns Id, Name, Type or Flags.
    static Catalog read(const PageFile& file);

    const std::vector<CatalogEntry>& tables() const { return m_tables; }
    // The table with this name, letter case ignored (as Access compares names), or nullptr.
    const CatalogEntry* find(std::string_view name) const;
    // The definition page of the system table MSysRelationships, or 0 when the file has none.
    std::uint32_t relationshipsPage() const { return m_relationshipsPage; }
    // The tables linked to other Access files, in catalog order.
    const std::vector<LinkEntry>& links() const { return m_links; }

  private:
    std::vector<CatalogEntry> m_tables;
    std::uint32_t m_relationshipsPage = 0;
    std::vector<LinkEntry> m_links;
};

} // namespace orrin::jet

#pragma once

// An Access file opened for reading: its pages, its catalog of user tables, and each table's
// definition (read once, on first use) and rows in stored order.

#include "jet/pager/PageFile.h"
#include "jet/table/Catalog.h"
#include "jet/table/Format.h"
#include "jet/table/Properties.h"
#include "jet/table/TableCursor.h"
#include "jet/table/TableDef.h"

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace orrin::jet {

// A relationship between two tables (a row group of MSysRelationships): the table holding the
// foreign key, the table it refers to, the column pairs in order, and how the engine keeps it.
struct Relationship {
    std::string name;
    std::string table;                          // the referring (child) table
    std::string referencedTable;                // the referred-to (parent) table
    std::vector<std::string> columns;           // of table
    std::vector<std::string> referencedColumns; // of referencedTable, pairwise
    std::uint32_t flags = 0;                    // grbit

    bool enforced() const { return (flags & relationflag::NotEnforced) == 0; }
    bool cascadeUpdates() const { return (flags & relationflag::CascadeUpdates) != 0; }
    bool cascadeDeletes() const { return (flags & relationflag::CascadeDeletes) != 0; }
};

class Database {
  public:
    // Opens path with password (ignored by a file that has none). Fails as PageFile::open does,
    // and with Failure::Damaged when the catalog does not hold.
    static std::unique_ptr<Database> open(const std::filesystem::path& path, std::string_view password);
    // The same over a file the pager has opened already.
    static std::unique_ptr<Database> open(std::unique_ptr<PageFile> file);

    const PageFile& file() const { return *m_file; }
    Version version() const { return m_file->header().version; }
    // The user tables in catalog order.
    const std::vector<CatalogEntry>& tables() const { return m_catalog.tables(); }
    // The tables linked to other Access files, in catalog order.
    const std::vector<LinkEntry>& links() const { return m_catalog.links(); }
    // The definition of a table by name (letter case ignored); Failure::NotFound naming the table
    // and the file when there is none, Failure::Damaged when its definition does not hold.
    const TableDef& table(std::string_view name);
    // The definition starting at definitionPage, under name (for system tables, which the catalog
    // of user tables leaves out); fails as TableDef::read does.
    const TableDef& tableAt(std::uint32_t definitionPage, std::string_view name);
    // The properties Access keeps for a table and its columns (Required, DefaultValue ...);
    // Failure::NotFound or Failure::Damaged as table() fails.
    Properties properties(std::string_view table) const;
    // The file's relationships, in the order of their names' first rows; none when it has no
    // MSysRelationships. Fails with Failure::Damaged when that table does not hold or lacks its columns.
    std::vector<Relationship> relationships();
    // A cursor over the rows of a definition that table() returned.
    TableCursor rows(const TableDef& table) const { return TableCursor(*m_file, table); }

  private:
    std::unique_ptr<PageFile> m_file;
    Catalog m_catalog;
    std::map<std::uint32_t, std::unique_ptr<TableDef>> m_definitions; // by definition page
};

// True when the first bytes of a file (at least 19) are those of an Access file: "Standard Jet DB"
// or "Standard ACE DB" at byte 4.
bool looksLikeAccessFile(std::span<const std::uint8_t> firstBytes);

} // namespace orrin::jet

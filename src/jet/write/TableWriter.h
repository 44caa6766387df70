#pragma once

// Writing tables back into an Access file. The writer holds the pages it changes; every other page
// stays as the file has it, byte for byte. Replacing a table's rows frees the pages its old rows,
// long values and indexes held, writes the new rows (in the order given) with their long values,
// rebuilds every index of the table from the new rows, and updates the table definition's row
// count, next AutoNumber and index roots, the table's usage maps and, at commit, the file's global
// map of free pages. Freed pages are reused before the file grows. commit() replaces the file
// atomically (FileReplace); until then the file is untouched.

#include "jet/base/Value.h"
#include "jet/table/Database.h"
#include "jet/write/UsageMapWriter.h"

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace orrin::jet {

class TableWriter : private PageStore {
  public:
    // A writer over db, which stays open (and unchanged) while the writer lives. Fails with
    // Failure::Unsupported for a Jet 3 file, and with Failure::Damaged naming the page for a file
    // whose usage maps claim pages past its end (a file that lost its last pages).
    explicit TableWriter(Database& db);
    ~TableWriter() override;

    // Replaces every row of the table (named as the catalog names it, letter case ignored) with
    // rows (each one value per column, TableDef::columns order). Fails with Failure::NotFound for no
    // such table, Failure::Unsupported for a value that does not fit its field, a duplicate key in a
    // unique index, an index whose keys this program cannot write, or a table replaced twice;
    // Failure::Damaged when the table's pages do not hold. After a failure the writer must not be
    // committed.
    void replaceRows(const std::string& table, const std::vector<std::vector<Value>>& rows);
    // The same for the table whose definition starts at definitionPage (a system table, which the
    // catalog of user tables does not name).
    void replaceRowsAt(std::uint32_t definitionPage, const std::string& table,
                       const std::vector<std::vector<Value>>& rows);

    // The same with the rows pulled one at a time, so that a large table is never held whole:
    // next(row) fills row (one value per column) and returns false after the last row.
    using RowSource = std::function<bool(std::vector<Value>& row)>;
    void replaceRows(const std::string& table, const RowSource& next);

    // Writes the changes: a copy of the file with the changed pages, flushed and renamed over the
    // file (see replaceFile, which calls beforeReplace just before its last check and the rename);
    // the file as it was on any failure, reported as Failure::Io.
    void commit(const std::function<void()>& beforeReplace = {});

    // The pages as the writer has them now, for checks.
    std::uint32_t pageCount() const override { return m_pageCount; }
    std::span<const std::uint8_t> page(std::uint32_t n) override;
    const std::set<std::uint32_t>& changedPages() const { return m_changedNumbers; }

  private:
    std::span<std::uint8_t> changePage(std::uint32_t n) override;
    std::uint32_t allocatePage() override;
    const std::string& fileName() const override;

    void checkMapsWithinFile();
    void replaceRowsOf(const TableDef& def, const std::string& name, const RowSource& next);
    void freePage(std::uint32_t n);
    // The pages and long-value rows the table's current rows hold.
    void collectOldPages(const TableDef& def, std::set<std::uint32_t>& pages,
                         std::map<std::uint32_t, std::set<std::uint16_t>>& longValueRows);
    void patchDefinition(const TableDef& def, std::size_t offset, std::span<const std::uint8_t> bytes);

    Database& m_db;
    const Layout& m_layout;
    std::uint32_t m_pageCount;
    std::map<std::uint32_t, std::vector<std::uint8_t>> m_changed; // plain pages
    std::set<std::uint32_t> m_changedNumbers;
    std::set<std::uint32_t> m_free;    // free pages inside the file, reused lowest first
    std::set<std::uint32_t> m_written; // tables replaced (definition pages)
    bool m_failed = false;
};

} // namespace orrin::jet

#include "jet/table/Database.h"

#include "jet/base/Header.h"
#include "jet/base/JetError.h"

#include <algorithm>
#include <cstring>

namespace orrin::jet {

std::unique_ptr<Database> Database::open(const std::filesystem::path& path, std::string_view password)
{
    return open(PageFile::open(path, password));
}

std::unique_ptr<Database> Database::open(std::unique_ptr<PageFile> file)
{
    auto db = std::unique_ptr<Database>(new Database());
    db->m_file = std::move(file);
    db->m_catalog = Catalog::read(*db->m_file);
    return db;
}

const TableDef& Database::table(std::string_view name)
{
    const CatalogEntry* entry = m_catalog.find(name);
    if (entry == nullptr)
        throw Error(Failure::NotFound,
                    "There is no table " + std::string(name) + " in " + m_file->fileName() + ".");
    auto& slot = m_definitions[entry->definitionPage];
    if (!slot) {
        slot = std::make_unique<TableDef>(TableDef::read(*m_file, entry->definitionPage));
        slot->name = entry->name;
    }
    return *slot;
}

const TableDef& Database::tableAt(std::uint32_t definitionPage, std::string_view name)
{
    auto& slot = m_definitions[definitionPage];
    if (!slot) {
        slot = std::make_unique<TableDef>(TableDef::read(*m_file, definitionPage));
        slot->name = std::string(name);
    }
    return *slot;
}

Properties Database::properties(std::string_view name) const
{
    const CatalogEntry* entry = m_catalog.find(name);
    if (entry == nullptr)
        throw Error(Failure::NotFound,
                    "There is no table " + std::string(name) + " in " + m_file->fileName() + ".");
    return Properties::read(entry->properties, m_file->header().version, m_file->header().codePage,
                            m_file->fileName());
}

std::vector<Relationship> Database::relationships()
{
    std::vector<Relationship> found;
    if (m_catalog.relationshipsPage() == 0)
        return found;
    const TableDef& def = tableAt(m_catalog.relationshipsPage(), "MSysRelationships");
    const auto column = [&](std::string_view name) {
        for (std::size_t i = 0; i < def.columns.size(); ++i)
            if (sameName(def.columns[i].name, name))
                return static_cast<int>(i);
        throw Error(Failure::Damaged, m_file->fileName() + " has a relationship table without the column " +
                                          std::string(name) + ".");
    };
    const int order = column("icolumn");
    const int flags = column("grbit");
    const int childColumn = column("szColumn");
    const int child = column("szObject");
    const int parentColumn = column("szReferencedColumn");
    const int parent = column("szReferencedObject");
    const int name = column("szRelationship");
    const auto text = [](const Value& v) { return v.kind == Value::Kind::Text ? v.text : std::string(); };
    struct Pair {
        std::int64_t order;
        std::string column;
        std::string referenced;
    };
    std::vector<std::vector<Pair>> pairs;
    auto cursor = rows(def);
    while (cursor.next()) {
        const auto& row = cursor.values();
        const std::string relationship = text(row[name]);
        auto it = std::find_if(found.begin(), found.end(),
                               [&](const Relationship& r) { return r.name == relationship; });
        if (it == found.end()) {
            Relationship r;
            r.name = relationship;
            r.table = text(row[child]);
            r.referencedTable = text(row[parent]);
            r.flags = row[flags].isNull() ? 0 : static_cast<std::uint32_t>(row[flags].integer);
            found.push_back(std::move(r));
            pairs.emplace_back();
            it = found.end() - 1;
        }
        pairs[static_cast<std::size_t>(it - found.begin())].push_back(Pair{
            row[order].isNull() ? 0 : row[order].integer, text(row[childColumn]), text(row[parentColumn])});
    }
    for (std::size_t i = 0; i < found.size(); ++i) {
        std::stable_sort(pairs[i].begin(), pairs[i].end(),
                         [](const Pair& a, const Pair& b) { return a.order < b.order; });
        for (const Pair& p : pairs[i]) {
            found[i].columns.push_back(p.column);
            found[i].referencedColumns.push_back(p.referenced);
        }
    }
    return found;
}

bool looksLikeAccessFile(std::span<const std::uint8_t> firstBytes)
{
    if (firstBytes.size() < header::Magic + header::MagicLength)
        return false;
    return std::memcmp(firstBytes.data() + header::Magic, header::JetMagic, header::MagicLength) == 0 ||
           std::memcmp(firstBytes.data() + header::Magic, header::AceMagic, header::MagicLength) == 0;
}

} // namespace orrin::jet

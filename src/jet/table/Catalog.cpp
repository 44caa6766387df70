#include "jet/table/Catalog.h"

#include "jet/base/JetError.h"
#include "jet/table/Format.h"
#include "jet/table/TableCursor.h"
#include "jet/table/TableDef.h"

#include <cctype>

namespace orrin::jet {

namespace {

int columnIndex(const TableDef& def, std::string_view name)
{
    for (std::size_t i = 0; i < def.columns.size(); ++i) {
        if (sameName(def.columns[i].name, name))
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace

Catalog Catalog::read(const PageFile& file)
{
    if (file.pageCount() <= kCatalogPage)
        throw damaged(file.fileName(), kCatalogPage, "the file ends before its catalog");
    TableDef def = TableDef::read(file, kCatalogPage);
    def.name = "MSysObjects";
    const int id = columnIndex(def, "Id");
    const int parentId = columnIndex(def, "ParentId");
    const int name = columnIndex(def, "Name");
    const int type = columnIndex(def, "Type");
    const int flags = columnIndex(def, "Flags");
    const int properties = columnIndex(def, "LvProp");
    const int database = columnIndex(def, "Database");
    const int foreignName = columnIndex(def, "ForeignName");
    const int connect = columnIndex(def, "Connect");
    if (id < 0 || name < 0 || type < 0 || flags < 0)
        throw damaged(file.fileName(), kCatalogPage, "the catalog lacks the columns Id, Name, Type or Flags");

    Catalog catalog;
    TableCursor cursor(file, def);
    while (cursor.next()) {
        const auto& row = cursor.values();
        const auto textOf = [&](int column) {
            return column >= 0 && row[column].kind == Value::Kind::Text ? row[column].text : std::string();
        };
        if (!row[type].isNull() && row[type].integer == kCatalogTypeLinkedTable &&
            row[name].kind == Value::Kind::Text) {
            catalog.m_links.push_back(
                LinkEntry{row[name].text, textOf(database), textOf(foreignName), textOf(connect)});
            continue;
        }
        if (row[type].isNull() || row[type].integer != kCatalogTypeTable)
            continue;
        const auto objectFlags = static_cast<std::uint32_t>(row[flags].isNull() ? 0 : row[flags].integer);
        if (row[name].kind == Value::Kind::Text && row[name].text == "MSysRelationships" && !row[id].isNull())
            catalog.m_relationshipsPage = static_cast<std::uint32_t>(row[id].integer) & kCatalogPageMask;
        if ((objectFlags & kCatalogSystemFlags) != 0 || row[name].kind != Value::Kind::Text ||
            row[id].isNull())
            continue;
        CatalogEntry entry;
        entry.name = row[name].text;
        entry.id = static_cast<std::int32_t>(row[id].integer);
        entry.parentId =
            parentId >= 0 && !row[parentId].isNull() ? static_cast<std::int32_t>(row[parentId].integer) : 0;
        entry.flags = objectFlags;
        entry.definitionPage = static_cast<std::uint32_t>(entry.id) & kCatalogPageMask;
        if (properties >= 0 && row[properties].kind == Value::Kind::Bytes)
            entry.properties = row[properties].bytes;
        catalog.m_tables.push_back(std::move(entry));
    }
    return catalog;
}

const CatalogEntry* Catalog::find(std::string_view name) const
{
    for (const auto& entry : m_tables) {
        if (sameName(entry.name, name))
            return &entry;
    }
    return nullptr;
}

} // namespace orrin::jet

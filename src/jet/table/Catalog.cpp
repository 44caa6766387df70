#include "jet/table/Catalog.h"

#include "jet/base/JetError.h"
#include "jet/table/Format.h"
#include "jet/table/TableCursor.h"
#include "jet/table/TableDef.h"

namespace orrin::jet {

Catalog Catalog::read(const PageFile& file)
{
    if (file.pageCount() <= catalog::DefinitionPage)
        throw damaged(file.fileName(), catalog::DefinitionPage, "the file ends before its catalog");
    TableDef def = TableDef::read(file, catalog::DefinitionPage);
    def.name = "MSysObjects";
    const int id = def.columnIndex("Id");
    const int parentId = def.columnIndex("ParentId");
    const int name = def.columnIndex("Name");
    const int type = def.columnIndex("Type");
    const int flags = def.columnIndex("Flags");
    const int properties = def.columnIndex("LvProp");
    const int database = def.columnIndex("Database");
    const int foreignName = def.columnIndex("ForeignName");
    const int connect = def.columnIndex("Connect");
    if (id < 0 || name < 0 || type < 0 || flags < 0)
        throw damaged(file.fileName(), catalog::DefinitionPage,
                      "the catalog lacks the columns Id, Name, Type or Flags");

    Catalog catalog;
    TableCursor cursor(file, def);
    while (cursor.next()) {
        const auto& row = cursor.values();
        const auto textOf = [&](int column) {
            return column >= 0 && row[column].kind == Value::Kind::Text ? row[column].text : std::string();
        };
        if (!row[type].isNull() && row[type].integer == catalog::TypeLinkedTable &&
            row[name].kind == Value::Kind::Text) {
            catalog.m_links.push_back(
                LinkEntry{row[name].text, textOf(database), textOf(foreignName), textOf(connect)});
            continue;
        }
        if (row[type].isNull() || row[type].integer != catalog::TypeTable)
            continue;
        const auto objectFlags = static_cast<std::uint32_t>(row[flags].isNull() ? 0 : row[flags].integer);
        if (row[name].kind == Value::Kind::Text && row[name].text == "MSysRelationships" && !row[id].isNull())
            catalog.m_relationshipsPage = static_cast<std::uint32_t>(row[id].integer) & catalog::PageMask;
        if ((objectFlags & catalog::SystemFlags) != 0 || row[name].kind != Value::Kind::Text ||
            row[id].isNull())
            continue;
        CatalogEntry entry;
        entry.name = row[name].text;
        entry.id = static_cast<std::int32_t>(row[id].integer);
        entry.parentId =
            parentId >= 0 && !row[parentId].isNull() ? static_cast<std::int32_t>(row[parentId].integer) : 0;
        entry.flags = objectFlags;
        entry.definitionPage = static_cast<std::uint32_t>(entry.id) & catalog::PageMask;
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

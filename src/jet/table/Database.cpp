#include "jet/table/Database.h"

#include "jet/base/Header.h"
#include "jet/base/JetError.h"

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

bool looksLikeAccessFile(std::span<const std::uint8_t> firstBytes)
{
    if (firstBytes.size() < header::Magic + header::MagicLength)
        return false;
    return std::memcmp(firstBytes.data() + header::Magic, header::JetMagic, header::MagicLength) == 0 ||
           std::memcmp(firstBytes.data() + header::Magic, header::AceMagic, header::MagicLength) == 0;
}

} // namespace orrin::jet

#include "jet/write/IndexRowKey.h"
#include "jet/base/Text.h"

#include "jet/base/JetError.h"
#include "jet/index/IndexKey.h"
#include "jet/table/Format.h"
#include "jet/write/FieldWriter.h"

namespace orrin::jet {

namespace {
// In a Jet 4 / ACE text column descriptor the sort order is 16 bits at columnSortOrder and its
// version the byte three after it.
constexpr std::size_t kSortVersionAfterOrder = 3;
} // namespace

TextSortOrder textSortOrderOfColumn(const TableDef& table, const ColumnDef& column)
{
    const Layout& layout = layoutFor(table.version);
    const std::size_t at = column.descriptorOffset + layout.columnSortOrder + kSortVersionAfterOrder;
    const std::uint8_t version = at < table.bytes.size() ? table.bytes[at] : 0;
    const bool aceDefault =
        table.version != Version::Jet4 && table.version != Version::Jet3 && table.version != Version::Ace12;
    TextSortOrder order{};
    if (table.version == Version::Jet3 || !textSortOrderOf(column.sortOrder, version, aceDefault, order))
        throw Error(Failure::Unsupported, "The text sort order " + std::to_string(column.sortOrder) +
                                              " (version " + std::to_string(version) + ") of the field '" +
                                              column.name + "' in " + table.fileName +
                                              " is not one this program writes.");
    return order;
}

IndexRowKey::IndexRowKey(const TableDef& table, const RealIndexDef& index, std::string tableName)
    : m_table(table), m_tableName(std::move(tableName))
{
    for (const IndexColumn& ic : index.columns) {
        std::size_t at = table.columns.size();
        for (std::size_t i = 0; i < table.columns.size(); ++i)
            if (table.columns[i].number == ic.columnNumber)
                at = i;
        if (at == table.columns.size())
            throw damaged(table.fileName, table.page,
                          "an index names the column number " + std::to_string(ic.columnNumber) +
                              ", which is not there");
        const ColumnDef& column = table.columns[at];
        Part part{at, {}};
        part.column.type = column.type;
        part.column.ascending = ic.ascending;
        part.column.legacyNumeric = table.version == Version::Jet4;
        if (!canIndexColumnType(column.type))
            throw Error(Failure::Unsupported, "The field '" + column.name + "' in " + table.fileName +
                                                  " has an index of a type this program cannot write.");
        if (column.type == coltype::Text || column.type == coltype::Memo)
            part.column.sortOrder = textSortOrderOfColumn(table, column);
        m_parts.push_back(part);
    }
}

std::vector<std::uint8_t> IndexRowKey::keyOf(const std::vector<Value>& values) const
{
    std::vector<std::uint8_t> key;
    std::vector<std::uint8_t> stored;
    std::u16string text;
    for (const Part& part : m_parts) {
        const Value& v = values.at(part.valueIndex);
        const ColumnDef& column = m_table.columns[part.valueIndex];
        KeyValue kv;
        if (column.type == coltype::Boolean) {
            kv = KeyValue::ofBoolean(!v.isNull() && v.integer != 0);
        } else if (v.isNull()) {
            kv = KeyValue::null();
        } else if (column.type == coltype::Text || column.type == coltype::Memo) {
            if (v.kind != Value::Kind::Text)
                throw Error(Failure::Unsupported,
                            "The field '" + column.name + "' holds text; the value is not.");
            text = utf16FromUtf8(v.text);
            kv = KeyValue::ofText(text);
        } else if (column.type == coltype::Binary) {
            stored = v.bytes;
            kv = KeyValue::ofStored(stored);
        } else {
            stored.clear();
            encodeFixedField(column, m_tableName, v, stored);
            kv = KeyValue::ofStored(stored);
        }
        appendIndexKey(key, part.column, kv);
    }
    return key;
}

bool IndexRowKey::allNull(const std::vector<Value>& values) const
{
    for (const Part& part : m_parts)
        if (m_table.columns[part.valueIndex].type == coltype::Boolean || !values.at(part.valueIndex).isNull())
            return false;
    return true;
}

bool IndexRowKey::anyNull(const std::vector<Value>& values) const
{
    for (const Part& part : m_parts)
        if (m_table.columns[part.valueIndex].type != coltype::Boolean && values.at(part.valueIndex).isNull())
            return true;
    return false;
}

} // namespace orrin::jet

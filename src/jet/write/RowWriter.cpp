#include "jet/write/RowWriter.h"

#include "jet/base/Coding.h"
#include "jet/base/JetError.h"
#include "jet/table/DataPage.h"
#include "jet/table/Format.h"
#include "jet/write/FieldWriter.h"

#include <algorithm>

namespace orrin::jet {

namespace {

constexpr std::size_t kChainChunk = RowWriter::kMaxLongValueRow - longvalue::ChainLinkSize;
// Rows are written in the Jet 4 form only (the constructor refuses Jet 3 tables).
constexpr std::size_t kCountSize = kJet4Layout.rowColumnCountSize;
constexpr std::size_t kVarOffsetSize = kJet4Layout.rowVarOffsetSize;
const std::string kBuilding = "a page being built"; // the file name a damaged page would give

[[noreturn]] void refuse(const std::string& table, const ColumnDef& column, const std::string& why)
{
    throw Error(Failure::Unsupported,
                "The field '" + table + "." + column.name + "' cannot take the value: " + why + ".");
}

} // namespace

RowWriter::RowWriter(const TableDef& table, std::string tableName)
    : m_table(table), m_tableName(std::move(tableName))
{
    if (table.version == Version::Jet3)
        throw Error(Failure::Unsupported,
                    "Writing Access 97 files is not supported (" + table.fileName + ").");
    m_columnCount = table.maxColumns;
    m_varSlots = table.varColumnCount;
    for (const ColumnDef& c : table.columns) {
        m_columnCount = std::max<std::size_t>(m_columnCount, c.number + 1u);
        if (c.isFixed()) {
            m_fixed.push_back(&c);
            m_fixedSize = std::max(m_fixedSize, std::size_t(c.fixedOffset) + c.fixedWidth());
        } else {
            m_variable.push_back(&c);
            m_varSlots = std::max<std::size_t>(m_varSlots, c.varIndex + 1u);
        }
    }
    std::sort(m_variable.begin(), m_variable.end(),
              [](const ColumnDef* a, const ColumnDef* b) { return a->varIndex < b->varIndex; });
}

void RowWriter::write(std::vector<Value>& values, LongValueSink& longValues, std::uint32_t& lastAutoNumber,
                      std::vector<std::uint8_t>& row)
{
    const std::size_t maskSize = rowlayout::nullMaskSize(m_columnCount);
    std::vector<std::uint8_t> mask(maskSize, 0);
    auto present = [&](const ColumnDef& c) {
        mask[c.number / 8] |= static_cast<std::uint8_t>(1u << (c.number % 8));
    };
    auto valueOf = [&](const ColumnDef& c) -> Value& {
        return values.at(static_cast<std::size_t>(&c - m_table.columns.data()));
    };

    row.assign(kCountSize + m_fixedSize, 0);
    encodeFixed16(row.data(), static_cast<std::uint16_t>(m_columnCount));
    for (const ColumnDef* c : m_fixed) {
        Value* v = &valueOf(*c);
        if (c->type == coltype::Boolean) {
            if (!v->isNull() && v->integer != 0)
                present(*c);
            continue;
        }
        if (v->isNull() && (c->flags & colflag::AutoLong) != 0) {
            v->kind = Value::Kind::Integer;
            v->integer = ++lastAutoNumber;
        }
        if (v->isNull())
            continue;
        if ((c->flags & colflag::AutoLong) != 0 && v->kind == Value::Kind::Integer && v->integer > 0 &&
            static_cast<std::uint64_t>(v->integer) > lastAutoNumber)
            lastAutoNumber = static_cast<std::uint32_t>(std::min<std::int64_t>(v->integer, 0x7FFFFFFF));
        m_scratch.clear();
        encodeFixedField(*c, m_tableName, *v, m_scratch);
        std::copy(m_scratch.begin(), m_scratch.end(),
                  row.begin() + std::ptrdiff_t(kCountSize + c->fixedOffset));
        present(*c);
    }

    if (m_varSlots > 0) {
        // The values first; then which short long values may stay in the row, in column order, as
        // far as the row's room goes; then the row.
        m_parts.resize(m_variable.size());
        const std::size_t trailer = kVarOffsetSize * (m_varSlots + 1) + rowlayout::VarCountSize + mask.size();
        std::size_t size = row.size() + trailer;
        for (std::size_t i = 0; i < m_variable.size(); ++i) {
            const ColumnDef& c = *m_variable[i];
            const Value& v = valueOf(c);
            auto& part = m_parts[i];
            part.clear();
            if (v.isNull())
                continue;
            if (c.isLongValue()) {
                longValueData(c, v, part);
                size += longvalue::ReferenceSize;
            } else {
                encodeVariable(c, v, part);
                size += part.size();
            }
        }
        std::size_t room = size < kMaxRowSize ? kMaxRowSize - size : 0;

        std::vector<std::uint16_t> offsets(m_varSlots + 1, 0);
        std::size_t slot = 0;
        for (std::size_t i = 0; i < m_variable.size(); ++i) {
            const ColumnDef& c = *m_variable[i];
            while (slot <= c.varIndex)
                offsets[slot++] = static_cast<std::uint16_t>(row.size());
            if (valueOf(c).isNull())
                continue;
            if (c.isLongValue()) {
                const bool inRow = m_parts[i].size() <= kMaxInlineLongValue && m_parts[i].size() <= room;
                if (inRow)
                    room -= m_parts[i].size();
                longValueReference(c, m_parts[i], inRow, longValues, row);
            } else {
                row.insert(row.end(), m_parts[i].begin(), m_parts[i].end());
            }
            present(c);
        }
        while (slot <= m_varSlots)
            offsets[slot++] = static_cast<std::uint16_t>(row.size());
        // The end offset, the slots' offsets from the last to the first, their count.
        std::uint8_t two[kVarOffsetSize];
        for (std::size_t i = m_varSlots + 1; i-- > 0;) {
            encodeFixed16(two, offsets[i]);
            row.insert(row.end(), two, two + kVarOffsetSize);
        }
        static_assert(rowlayout::VarCountSize == kVarOffsetSize);
        encodeFixed16(two, static_cast<std::uint16_t>(m_varSlots));
        row.insert(row.end(), two, two + rowlayout::VarCountSize);
    }
    row.insert(row.end(), mask.begin(), mask.end());
    if (row.size() > kMaxRowSize)
        throw Error(Failure::Unsupported, "A row of " + std::to_string(row.size()) +
                                              " bytes is too large for the table '" + m_tableName +
                                              "' (at most " + std::to_string(kMaxRowSize) + ").");
}

void RowWriter::encodeVariable(const ColumnDef& c, const Value& v, std::vector<std::uint8_t>& out)
{
    if (c.type == coltype::Text) {
        if (v.kind != Value::Kind::Text)
            refuse(m_tableName, c, "it is not text");
        if (utf16Length(v.text) > c.length / 2u)
            refuse(m_tableName, c, "the text is longer than " + std::to_string(c.length / 2) + " characters");
        encodeUnicodeText(v.text, (c.extFlags & colflag::CompressedUnicode) != 0, out);
    } else if (c.type == coltype::Guid || c.type == coltype::Numeric) {
        encodeFixedField(c, m_tableName, v, out);
    } else {
        if (v.kind != Value::Kind::Bytes)
            refuse(m_tableName, c, "it is not binary data");
        if (c.length > 0 && v.bytes.size() > c.length)
            refuse(m_tableName, c, "longer than " + std::to_string(c.length) + " bytes");
        out = v.bytes;
    }
}

void RowWriter::longValueData(const ColumnDef& column, const Value& value, std::vector<std::uint8_t>& out)
{
    if (column.type == coltype::Memo) {
        if (value.kind != Value::Kind::Text)
            refuse(m_tableName, column, "it is not text");
        encodeUnicodeText(value.text, (column.extFlags & colflag::CompressedUnicode) != 0, out);
    } else {
        if (value.kind != Value::Kind::Bytes)
            refuse(m_tableName, column, "it is not binary data");
        out = value.bytes;
    }
    if (out.size() > longvalue::LengthMask)
        refuse(m_tableName, column, "it is longer than a long value can be");
}

void RowWriter::longValueReference(const ColumnDef& column, const std::vector<std::uint8_t>& data, bool inRow,
                                   LongValueSink& sink, std::vector<std::uint8_t>& out)
{
    std::uint8_t ref[longvalue::ReferenceSize] = {};
    std::uint32_t head = static_cast<std::uint32_t>(data.size());
    if (inRow) {
        encodeFixed32(ref, head | longvalue::Inline);
        out.insert(out.end(), ref, ref + sizeof ref);
        out.insert(out.end(), data.begin(), data.end());
        return;
    }
    std::uint32_t pointer = 0;
    if (data.empty()) {
        // Nothing to store: a reference of length 0 and no pointer.
    } else if (data.size() <= kMaxLongValueRow) {
        head |= longvalue::SinglePage;
        pointer = sink.putRow(column, data);
    } else {
        // A chain, stored from its last piece back so that each piece knows where the next one is.
        const std::size_t pieces = (data.size() + kChainChunk - 1) / kChainChunk;
        std::vector<std::uint8_t> piece;
        for (std::size_t i = pieces; i-- > 0;) {
            const std::size_t from = i * kChainChunk;
            const std::size_t to = std::min(data.size(), from + kChainChunk);
            piece.assign(longvalue::ChainLinkSize, 0);
            encodeFixed32(piece.data(), pointer);
            piece.insert(piece.end(), data.begin() + std::ptrdiff_t(from), data.begin() + std::ptrdiff_t(to));
            pointer = sink.putRow(column, piece);
        }
    }
    encodeFixed32(ref, head);
    encodeFixed32(ref + longvalue::PointerOffset, pointer);
    out.insert(out.end(), ref, ref + sizeof ref);
}

DataPageBuilder::DataPageBuilder(std::uint32_t owner, std::size_t pageSize,
                                 std::function<std::uint32_t()> allocatePage)
    : m_owner(owner), m_layout(pageSize == kJet3Layout.pageSize ? kJet3Layout : kJet4Layout),
      m_allocate(std::move(allocatePage))
{
}

std::uint32_t DataPageBuilder::add(std::span<const std::uint8_t> row)
{
    const std::size_t need = row.size() + datapage::RowOffsetSize;
    if (row.empty() || need > m_layout.pageSize - m_layout.dataRowOffsets)
        throw Error(Failure::Unsupported,
                    "a row of " + std::to_string(row.size()) + " bytes does not fit a page");
    if (m_pages.empty() || m_pages.back().freeSpace < need ||
        decodeFixed16(&m_pages.back().bytes[m_layout.dataRowCount]) >= datapage::MaxRows) {
        Page p;
        p.number = m_allocate();
        p.bytes.assign(m_layout.pageSize, 0);
        p.bytes[pagehead::Type] = pagetype::Data;
        p.bytes[pagehead::Mark] = pagehead::MarkValue;
        encodeFixed32(&p.bytes[m_layout.dataOwner], m_owner);
        p.freeSpace = m_layout.pageSize - m_layout.dataRowOffsets;
        m_pages.push_back(std::move(p));
    }
    Page& page = m_pages.back();
    const std::uint16_t count = decodeFixed16(&page.bytes[m_layout.dataRowCount]);
    // The new row ends where the last one starts, as the reader bounds it.
    const std::size_t end =
        count == 0 ? m_layout.pageSize
                   : DataPage(page.bytes, m_layout, kBuilding, page.number).slot(count - 1).start;
    const std::size_t start = end - row.size();
    std::copy(row.begin(), row.end(), page.bytes.begin() + std::ptrdiff_t(start));
    encodeFixed16(&page.bytes[m_layout.dataRowOffsets + datapage::RowOffsetSize * count],
                  static_cast<std::uint16_t>(start));
    encodeFixed16(&page.bytes[m_layout.dataRowCount], static_cast<std::uint16_t>(count + 1));
    page.freeSpace -= need;
    encodeFixed16(&page.bytes[m_layout.dataFreeSpace], static_cast<std::uint16_t>(page.freeSpace));
    return makePointer(page.number, count);
}

} // namespace orrin::jet

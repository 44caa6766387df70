#include "jet/table/RowReader.h"

#include "jet/base/Coding.h"
#include "jet/base/JetError.h"
#include "jet/base/Text.h"
#include "jet/table/DataPage.h"
#include "jet/table/Format.h"

#include <cmath>
#include <cstdio>
#include <set>

namespace orrin::jet {

namespace {

// 128 bits hold a NUMERIC magnitude.
__extension__ typedef unsigned __int128 Magnitude;

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}": the first three groups are stored little-endian.
void formatGuid(const std::uint8_t* p, std::string& out)
{
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  decodeFixed32(p), decodeFixed16(p + 4), decodeFixed16(p + 6), p[8], p[9], p[10], p[11],
                  p[12], p[13], p[14], p[15]);
    out = buffer;
}

// The decimal text of magnitude / 10^scale with its sign.
std::string decimalText(Magnitude magnitude, unsigned scale, bool negative)
{
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(magnitude % 10)));
        magnitude /= 10;
    } while (magnitude != 0);
    if (scale > 0) {
        if (digits.size() <= scale)
            digits.insert(0, scale - digits.size() + 1, '0');
        digits.insert(digits.size() - scale, 1, '.');
    }
    return negative ? "-" + digits : digits;
}

// A NUMERIC value: a sign byte, then 128 bits as four 32-bit little-endian words, the most
// significant first. A double when it holds the value exactly, its decimal text otherwise.
void readNumeric(const std::uint8_t* p, unsigned scale, Value& out)
{
    const bool negative = (p[numeric::Sign] & numeric::Negative) != 0;
    Magnitude magnitude = 0;
    for (std::size_t word = 0; word < numeric::Words; ++word)
        magnitude = (magnitude << 32) | decodeFixed32(p + numeric::wordAt(word));
    if (magnitude < (Magnitude{1} << 53) && scale <= 22) {
        const double value =
            static_cast<double>(static_cast<std::uint64_t>(magnitude)) / std::pow(10.0, scale);
        out.kind = Value::Kind::Double;
        out.real = negative ? -value : value;
    } else {
        out.kind = Value::Kind::Text;
        out.text = decimalText(magnitude, scale, negative);
    }
}

} // namespace

RowReader::RowReader(const PageFile& file, const TableDef& table)
    : m_file(file), m_table(table), m_layout(layoutFor(file.header().version))
{
}

void RowReader::read(std::span<const std::uint8_t> row, std::uint32_t page, std::vector<Value>& values)
{
    values.resize(m_table.columns.size());
    const std::size_t countSize = m_layout.rowColumnCountSize;
    if (row.size() < countSize + 1)
        throw damaged(m_file.fileName(), page,
                      "a row of " + std::to_string(row.size()) + " bytes is too short");
    const std::size_t rowColumns = countSize == 1 ? row[0] : decodeFixed16(row.data());
    const std::size_t nullMaskSize = rowlayout::nullMaskSize(rowColumns);
    if (row.size() < countSize + nullMaskSize)
        throw damaged(m_file.fileName(), page, "a row is shorter than its null mask");
    const std::uint8_t* nullMask = row.data() + row.size() - nullMaskSize;

    // The variable part's offsets, entry i for variable slot i, entry count for its end.
    bool offsetsRead = false;
    std::size_t varCount = 0;
    const auto readOffsets = [&] {
        if (offsetsRead)
            return;
        offsetsRead = true;
        if (m_layout.rowVarOffsetSize == 1) {
            jet3Offsets(row, nullMaskSize, page);
        } else {
            const std::size_t tail = row.size() - nullMaskSize;
            if (tail < countSize + rowlayout::VarCountSize)
                throw damaged(m_file.fileName(), page, "a row has no room for its variable-column count");
            const std::size_t count = decodeFixed16(row.data() + tail - rowlayout::VarCountSize);
            if (tail < countSize + rowlayout::VarCountSize + m_layout.rowVarOffsetSize * (count + 1))
                throw damaged(m_file.fileName(), page, "a row's variable-offset table does not fit it");
            m_varOffsets.resize(count + 1);
            for (std::size_t i = 0; i <= count; ++i)
                m_varOffsets[i] = decodeFixed16(row.data() + rowlayout::varOffsetAt(tail, i));
        }
        varCount = m_varOffsets.size() - 1;
    };

    for (std::size_t c = 0; c < m_table.columns.size(); ++c) {
        const ColumnDef& column = m_table.columns[c];
        Value& value = values[c];
        const bool present =
            column.number < rowColumns && (nullMask[column.number / 8] & (1u << (column.number % 8))) != 0;
        if (column.type == coltype::Boolean) {
            value.kind = Value::Kind::Bool;
            value.integer = present ? 1 : 0;
            continue;
        }
        if (!present) {
            value.setNull();
            continue;
        }
        if (column.isFixed()) {
            const std::size_t size = column.fixedWidth();
            const std::size_t start = countSize + column.fixedOffset;
            if (start + size > row.size() - nullMaskSize)
                throw damaged(m_file.fileName(), page, "column " + column.name + " lies outside its row");
            readFixed(column, row.subspan(start, size), page, value);
            continue;
        }
        readOffsets();
        if (column.varIndex >= varCount) {
            value.setNull(); // added after the row was written
            continue;
        }
        const std::size_t start = m_varOffsets[column.varIndex];
        const std::size_t end = m_varOffsets[column.varIndex + 1];
        if (start > end || end > row.size() - nullMaskSize)
            throw damaged(m_file.fileName(), page,
                          "column " + column.name + " has the bad bounds " + std::to_string(start) + ".." +
                              std::to_string(end));
        readVariable(column, row.subspan(start, end - start), page, value);
    }
}

void RowReader::jet3Offsets(std::span<const std::uint8_t> row, std::size_t nullMaskSize, std::uint32_t page)
{
    // Offsets are single bytes; the jump table (just before the count) lists, for each further
    // 256-byte stretch of the row, the first slot whose offset lies in it.
    const std::size_t last = row.size() - 1;
    if (last < nullMaskSize + 1)
        throw damaged(m_file.fileName(), page, "a row has no room for its variable-column count");
    const std::size_t count = row[last - nullMaskSize];
    std::size_t jumps = (row.size() - 1) / rowlayout::JumpSpan;
    if (last < nullMaskSize + jumps + 1 + count + 1)
        throw damaged(m_file.fileName(), page, "a row's variable-offset table does not fit it");
    const std::size_t table = last - nullMaskSize - jumps - 1;
    // The last jump entry may be a filler when the offsets end before its stretch.
    if ((table - count) / rowlayout::JumpSpan < jumps)
        --jumps;
    m_varOffsets.resize(count + 1);
    std::size_t used = 0;
    for (std::size_t i = 0; i <= count; ++i) {
        while (used < jumps && i == row[last - nullMaskSize - used - 1])
            ++used;
        m_varOffsets[i] = static_cast<std::uint16_t>(row[table - i] + used * rowlayout::JumpSpan);
    }
}

void RowReader::readFixed(const ColumnDef& column, std::span<const std::uint8_t> data, std::uint32_t page,
                          Value& out)
{
    const std::uint8_t* p = data.data();
    switch (column.type) {
    case coltype::Byte:
        out.kind = Value::Kind::Integer;
        out.integer = p[0];
        return;
    case coltype::Int:
        out.kind = Value::Kind::Integer;
        out.integer = static_cast<std::int16_t>(decodeFixed16(p));
        return;
    case coltype::Long:
    case coltype::Complex:
        out.kind = Value::Kind::Integer;
        out.integer = static_cast<std::int32_t>(decodeFixed32(p));
        return;
    case coltype::Money:
        out.kind = Value::Kind::Currency;
        out.integer = static_cast<std::int64_t>(decodeFixed64(p));
        return;
    case coltype::Float:
        out.kind = Value::Kind::Double;
        out.real = decodeFloat(p);
        return;
    case coltype::Double:
        out.kind = Value::Kind::Double;
        out.real = decodeDouble(p);
        return;
    case coltype::DateTime:
        out.kind = Value::Kind::DateTime;
        out.real = decodeDouble(p);
        return;
    case coltype::BigInt: {
        const auto v = static_cast<std::int64_t>(decodeFixed64(p));
        if (v > -(std::int64_t(1) << 53) && v < (std::int64_t(1) << 53)) {
            out.kind = Value::Kind::Double;
            out.real = static_cast<double>(v);
        } else {
            out.kind = Value::Kind::Text;
            out.text = std::to_string(v);
        }
        return;
    }
    case coltype::Guid:
        out.kind = Value::Kind::Text;
        formatGuid(p, out.text);
        return;
    case coltype::Numeric:
        readNumeric(p, column.scale, out);
        return;
    default:
        readVariable(column, data, page, out);
        return;
    }
}

void RowReader::readVariable(const ColumnDef& column, std::span<const std::uint8_t> data, std::uint32_t page,
                             Value& out)
{
    const bool jet3 = m_file.header().version == Version::Jet3;
    switch (column.type) {
    case coltype::Text:
        out.kind = Value::Kind::Text;
        if (jet3)
            decodeCodePageText(data, m_file.header().codePage, out.text);
        else
            decodeUnicodeText(data, out.text);
        return;
    case coltype::Memo:
        readLongValue(data, page, m_longValue);
        out.kind = Value::Kind::Text;
        if (jet3)
            decodeCodePageText(m_longValue, m_file.header().codePage, out.text);
        else
            decodeUnicodeText(m_longValue, out.text);
        return;
    case coltype::Ole:
        out.kind = Value::Kind::Bytes;
        readLongValue(data, page, out.bytes);
        return;
    case coltype::Guid:
    case coltype::Numeric:
        if (data.size() >= (column.type == coltype::Guid ? 16u : 17u)) {
            readFixed(column, data, page, out);
            return;
        }
        [[fallthrough]];
    default:
        out.kind = Value::Kind::Bytes;
        out.bytes.assign(data.begin(), data.end());
        return;
    }
}

void RowReader::readLongValue(std::span<const std::uint8_t> ref, std::uint32_t page,
                              std::vector<std::uint8_t>& out)
{
    out.clear();
    if (ref.size() < longvalue::ReferenceSize)
        throw damaged(m_file.fileName(), page, "a long value's reference is cut short");
    const std::uint32_t head = decodeFixed32(ref.data() + longvalue::LengthOffset);
    const std::size_t length = head & longvalue::LengthMask;
    std::uint32_t pointer = decodeFixed32(ref.data() + longvalue::PointerOffset);
    if (head & longvalue::Inline) {
        if (ref.size() - longvalue::ReferenceSize < length)
            throw damaged(m_file.fileName(), page, "an inline long value is longer than its row");
        out.assign(ref.begin() + longvalue::ReferenceSize,
                   ref.begin() + static_cast<std::ptrdiff_t>(longvalue::ReferenceSize + length));
        return;
    }
    if (length == 0)
        return;
    if (length > std::size_t(m_file.pageCount()) * m_layout.pageSize)
        throw damaged(m_file.fileName(), page, "a long value is longer than the file");
    const bool single = (head & longvalue::SinglePage) != 0;
    std::set<std::uint32_t> seen;
    out.reserve(length);
    while (out.size() < length) {
        const std::uint32_t at = pointerPage(pointer);
        if (pointer == 0 || at >= m_file.pageCount())
            throw damaged(m_file.fileName(), at, "a long value's pages end before its length");
        if (!seen.insert(pointer).second)
            throw damaged(m_file.fileName(), at, "a long value's pages loop");
        const DataPage lval(m_file.page(at), m_layout, m_file.fileName(), at);
        const RowSlot slot = lval.slot(static_cast<std::uint16_t>(pointerRow(pointer)));
        if (slot.deleted)
            throw damaged(m_file.fileName(), at, "a long value points to a deleted row");
        auto chunk = lval.bytes(slot);
        if (!single) {
            if (chunk.size() < longvalue::ChainLinkSize)
                throw damaged(m_file.fileName(), at, "a long-value row is too short for its link");
            pointer = decodeFixed32(chunk.data());
            chunk = chunk.subspan(longvalue::ChainLinkSize);
        }
        const std::size_t take = std::min(chunk.size(), length - out.size());
        out.insert(out.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(take));
        if (single && out.size() < length)
            throw damaged(m_file.fileName(), at, "a long value is longer than its row");
    }
}

} // namespace orrin::jet

#include "jet/write/RowWriter.h"
#include "jet/base/Coding.h"
#include "jet/base/JetError.h"
#include "jet/pager/PageFile.h"
#include "jet/table/Format.h"
#include "jet/table/RowReader.h"

#include <gtest/gtest.h>

#include <string>

using namespace orrin::jet;

namespace {

// Long values handed out of the row, kept for the checks.
struct KeptLongValues : LongValueSink {
    std::vector<std::vector<std::uint8_t>> rows;
    std::uint32_t putRow(const ColumnDef&, std::span<const std::uint8_t> data) override
    {
        rows.emplace_back(data.begin(), data.end());
        return makePointer(100, static_cast<std::uint32_t>(rows.size() - 1));
    }
};

// A Jet 4 table of `texts` text columns of 255 characters, then a memo column.
TableDef tableWithTextsAndAMemo(int texts)
{
    TableDef def;
    def.fileName = "t.mdb";
    def.version = Version::Jet4;
    for (int i = 0; i <= texts; ++i) {
        ColumnDef c;
        c.name = "c" + std::to_string(i);
        c.type = i < texts ? coltype::Text : coltype::Memo;
        c.number = static_cast<std::uint16_t>(i);
        c.varIndex = static_cast<std::uint16_t>(i);
        c.length = i < texts ? 510 : 0;
        c.flags = colflag::Nullable;
        def.columns.push_back(c);
    }
    def.maxColumns = static_cast<std::uint16_t>(texts + 1);
    def.varColumnCount = static_cast<std::uint16_t>(texts + 1);
    def.columnCount = def.maxColumns;
    return def;
}

Value text(const std::string& t)
{
    Value v;
    v.kind = Value::Kind::Text;
    v.text = t;
    return v;
}

// A short memo stays in its row while the row has room for it, and goes to a long-value row when
// the other fields leave too little; the reader finds the same values either way.
TEST(RowWriter, ShortLongValuesStayInTheRowWhileThereIsRoom)
{
    struct Case {
        const char* name;
        int fullTexts;        // texts of 255 characters beyond Latin-1 (510 bytes each)
        std::size_t lastText; // characters of one more text
        bool memoInRow;
    };
    const Case cases[] = {
        {"plenty of room", 2, 10, true},
        {"the row nearly full", 7, 200, false},
    };
    const auto file = PageFile::open(std::string(ORRIN_ACCESS_SAMPLES) + "/jet4/types-2000.mdb", "");
    std::string wide;
    for (int i = 0; i < 255; ++i)
        wide += "\xE0\xA4\xB0";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TableDef def = tableWithTextsAndAMemo(c.fullTexts + 1);
        std::vector<Value> values;
        for (int i = 0; i < c.fullTexts; ++i)
            values.push_back(text(wide));
        std::string last;
        for (std::size_t k = 0; k < c.lastText; ++k)
            last += "\xE0\xA4\xB0";
        values.push_back(text(last));
        values.push_back(text(std::string(30, 'm'))); // 30 characters: 60 bytes uncompressed
        KeptLongValues sink;
        std::uint32_t autoNumber = 0;
        std::vector<std::uint8_t> row;
        RowWriter writer(def, "T");
        const auto written = values;
        writer.write(values, sink, autoNumber, row);
        EXPECT_LE(row.size(), RowWriter::kMaxRowSize);
        EXPECT_EQ(sink.rows.empty(), c.memoInRow);

        if (c.memoInRow) {
            RowReader reader(*file, def);
            std::vector<Value> back;
            reader.read(row, 1, back);
            ASSERT_EQ(back.size(), written.size());
            for (std::size_t i = 0; i < back.size(); ++i)
                EXPECT_EQ(back[i].text, written[i].text) << i;
        } else {
            ASSERT_EQ(sink.rows.size(), 1u);
            EXPECT_EQ(sink.rows[0].size(), 60u);
        }
    }
}

TEST(RowWriter, RefusesARowTooLargeForAPage)
{
    const TableDef def = tableWithTextsAndAMemo(9);
    std::string wide;
    for (int i = 0; i < 255; ++i)
        wide += "\xE0\xA4\xB0";
    std::vector<Value> values(9, text(wide));
    values.push_back(Value{});
    KeptLongValues sink;
    std::uint32_t autoNumber = 0;
    std::vector<std::uint8_t> row;
    RowWriter writer(def, "T");
    try {
        writer.write(values, sink, autoNumber, row);
        FAIL() << "wrote a row of " << row.size() << " bytes";
    } catch (const Error& e) {
        EXPECT_EQ(e.failure(), Failure::Unsupported);
        EXPECT_NE(std::string(e.what()).find("too large for the table 'T'"), std::string::npos) << e.what();
    }
}

} // namespace

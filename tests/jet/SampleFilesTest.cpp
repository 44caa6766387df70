// Every table of every sample file made by Access reads as an independent reader found it
// (tests/data/access/expected/*.jsonl): the tables, their columns with the types mapped to the
// store's names, the row count, every value in stored order, and the logical indexes with their
// uniqueness.

#include "jet/JsonLine.h"
#include "jet/base/JetError.h"
#include "jet/base/Value.h"
#include "jet/table/Database.h"
#include "jet/table/Format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

using namespace orrin::jet;
using orrin::test::Json;
using orrin::test::parseJson;

namespace {

const std::filesystem::path kSamples = ORRIN_ACCESS_SAMPLES;

// The independent reader's type names and the store's names they map to.
std::string storeTypeOf(const std::string& readerType, const std::string& length)
{
    static const std::map<std::string, std::string> names = {
        {"MEMO", "MEMO"},     {"BYTE", "BYTE"},     {"INT", "SHORT"},         {"LONG", "LONG"},
        {"FLOAT", "SINGLE"},  {"DOUBLE", "DOUBLE"}, {"MONEY", "CURRENCY"},    {"SHORT_DATE_TIME", "DATETIME"},
        {"BOOLEAN", "YESNO"}, {"GUID", "TEXT(38)"}, {"NUMERIC", "DOUBLE"},    {"BIG_INT", "DOUBLE"},
        {"OLE", "BLOB"},      {"BINARY", "BLOB"},   {"COMPLEX_TYPE", "LONG"},
    };
    if (readerType == "TEXT")
        return "TEXT(" + length + ")";
    const auto found = names.find(readerType);
    return found == names.end() ? "?" + readerType : found->second;
}

// The sample file an expected-output file describes: "agent__access__LIC.mdb.jsonl" is
// agent/access/LIC.mdb.
std::filesystem::path sampleOf(const std::filesystem::path& expected)
{
    std::string name = expected.stem().string();
    std::string path;
    for (std::size_t at; (at = name.find("__")) != std::string::npos; name.erase(0, at + 2))
        path += name.substr(0, at) + "/";
    return kSamples / (path + name);
}

// The password of a protected sample: its name up to "--" ("none" and unprotected files: "").
std::string passwordOf(const std::filesystem::path& sample)
{
    const std::string name = sample.filename().string();
    const auto dashes = name.find("--");
    if (dashes == std::string::npos || name.substr(0, dashes) == "none")
        return "";
    return name.substr(0, dashes);
}

// True when ours is theirs, where the other reader, lacking a Jet 3 file's code page, wrote U+FFFD
// for each character beyond ASCII.
bool sameText(const std::string& ours, const std::string& theirs)
{
    if (ours == theirs)
        return true;
    const std::string replacement = "\xEF\xBF\xBD";
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < ours.size() && j < theirs.size()) {
        if (theirs.compare(j, 3, replacement) == 0 && static_cast<unsigned char>(ours[i]) >= 0x80) {
            j += 3;
            ++i;
            while (i < ours.size() && (static_cast<unsigned char>(ours[i]) & 0xC0) == 0x80)
                ++i;
        } else if (ours[i] == theirs[j]) {
            ++i;
            ++j;
        } else {
            return false;
        }
    }
    return i == ours.size() && j == theirs.size();
}

// Compares one value with the reader's JSON for it; returns a description of the difference.
std::string difference(const ColumnDef& column, const Value& value, const Json& expected)
{
    std::ostringstream ours;
    switch (value.kind) {
    case Value::Kind::Null:
        ours << "null";
        break;
    case Value::Kind::Bool:
        ours << (value.integer ? "true" : "false");
        break;
    case Value::Kind::Integer:
    case Value::Kind::Currency:
        ours << value.integer;
        break;
    case Value::Kind::Double:
        ours << value.real;
        break;
    case Value::Kind::DateTime:
        ours << formatDateTime(value.real);
        break;
    case Value::Kind::Text:
        ours << '"' << value.text << '"';
        break;
    case Value::Kind::Bytes:
        ours << "<" << value.bytes.size() << " bytes>";
        break;
    }
    bool same = false;
    switch (expected.kind) {
    case Json::Kind::Null:
        same = value.isNull();
        break;
    case Json::Kind::Bool:
        same = value.kind == Value::Kind::Bool && (value.integer != 0) == expected.boolean;
        break;
    case Json::Kind::Number:
        if (value.kind == Value::Kind::Currency)
            same = value.integer == std::llround(expected.number * 10000);
        else if (value.kind == Value::Kind::Integer)
            same = static_cast<double>(value.integer) == expected.number;
        else if (value.kind == Value::Kind::Double && column.type == coltype::Float)
            same = static_cast<float>(value.real) == static_cast<float>(expected.number);
        else if (value.kind == Value::Kind::Double)
            same = value.real == expected.number;
        break;
    case Json::Kind::String:
        if (value.kind == Value::Kind::DateTime)
            same = formatDateTime(value.real) == expected.text;
        else if (value.kind == Value::Kind::Bytes)
            same = "<" + std::to_string(value.bytes.size()) + " bytes>" == expected.text;
        else
            same = value.kind == Value::Kind::Text && sameText(value.text, expected.text);
        break;
    default:
        break;
    }
    if (same)
        return "";
    return column.name + ": ours " + ours.str() + ", expected " +
           (expected.kind == Json::Kind::String ? "\"" + expected.text + "\"" : expected.text);
}

struct ExpectedTable {
    std::string name;
    long rows = 0;
    std::vector<std::string> columns; // "Name:STORETYPE"
    std::vector<Json> rowValues;
    std::vector<std::pair<std::string, bool>> indexes; // name, unique
};

std::map<std::string, ExpectedTable> readExpected(const std::filesystem::path& file)
{
    std::map<std::string, ExpectedTable> tables;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty())
            continue;
        Json j = parseJson(line);
        if (const Json* table = j.find("table")) {
            ExpectedTable& t = tables[table->text];
            t.name = table->text;
            t.rows = static_cast<long>(j.find("rows")->number);
            for (const auto& c : j.find("columns")->items) {
                // "Name:TYPE(length)"; the name itself may hold a colon.
                const auto colon = c.text.rfind(':');
                const auto open = c.text.find('(', colon);
                const std::string type = c.text.substr(colon + 1, open - colon - 1);
                const std::string length = c.text.substr(open + 1, c.text.size() - open - 2);
                t.columns.push_back(c.text.substr(0, colon) + ":" + storeTypeOf(type, length));
            }
        } else if (const Json* owner = j.find("t")) {
            tables[owner->text].rowValues.push_back(std::move(j));
        } else if (const Json* index = j.find("index"); index && j.find("unique")) {
            // "TABLE.INDEX": the table is the longest known table name that prefixes it.
            std::string best;
            for (const auto& [name, t] : tables) {
                if (index->text.rfind(name + ".", 0) == 0 && name.size() > best.size())
                    best = name;
            }
            tables[best].indexes.emplace_back(index->text.substr(best.size() + 1), j.find("unique")->boolean);
        }
    }
    return tables;
}

// The samples with an expected output, the protected ones (encrypted/) or the others.
std::vector<std::filesystem::path> expectedFiles(bool encrypted)
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(kSamples / "expected")) {
        const bool isEncrypted = entry.path().filename().string().rfind("encrypted__", 0) == 0;
        if (isEncrypted == encrypted)
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

void compareWithExpected(const std::filesystem::path& expectedFile)
{
    const std::filesystem::path sample = sampleOf(expectedFile);
    SCOPED_TRACE(sample.string());
    const auto expected = readExpected(expectedFile);
    const auto db = Database::open(sample, passwordOf(sample));

    // The other reader could not decode this Jet 3 table name and left the table out; libmdb lists it.
    const std::string skippedByOtherReader = "Ums\xC3\xA4tze";
    std::vector<std::string> ourNames;
    for (const auto& entry : db->tables()) {
        if (entry.name != skippedByOtherReader)
            ourNames.push_back(entry.name);
    }
    std::vector<std::string> theirNames;
    for (const auto& [name, t] : expected)
        theirNames.push_back(name);
    std::sort(ourNames.begin(), ourNames.end());
    EXPECT_EQ(ourNames, theirNames);

    for (const auto& [name, want] : expected) {
        SCOPED_TRACE("table " + name);
        if (!db->tables().empty() && std::find(ourNames.begin(), ourNames.end(), name) == ourNames.end())
            continue;
        const TableDef& def = db->table(name);
        std::vector<std::string> columns;
        for (const auto& c : def.columns)
            columns.push_back(c.name + ":" + c.storeType(def.version));
        EXPECT_EQ(columns, want.columns);

        long count = 0;
        auto cursor = db->rows(def);
        while (cursor.next()) {
            if (count < static_cast<long>(want.rowValues.size())) {
                const Json& row = want.rowValues[static_cast<std::size_t>(count)];
                for (std::size_t c = 0; c < def.columns.size(); ++c) {
                    const Json* value = row.find(def.columns[c].name);
                    const Json null;
                    const std::string diff =
                        difference(def.columns[c], cursor.values()[c], value ? *value : null);
                    EXPECT_EQ(diff, "")
                        << "row " << count << " (page " << cursor.page() << " row " << cursor.row() << ")";
                }
            }
            ++count;
        }
        EXPECT_EQ(count, want.rows);
        EXPECT_EQ(def.rowCount, static_cast<std::uint32_t>(want.rows));

        for (const auto& [indexName, unique] : want.indexes) {
            const auto found = std::find_if(def.indexes.begin(), def.indexes.end(),
                                            [&](const LogicalIndexDef& i) { return i.name == indexName; });
            ASSERT_NE(found, def.indexes.end()) << "index " << indexName;
            EXPECT_EQ(def.realIndexes.at(found->realIndex).unique(), unique) << "index " << indexName;
        }
    }
}

TEST(SampleFiles, EveryUnprotectedFileReadsAsTheIndependentReaderFoundIt)
{
    const auto files = expectedFiles(false);
    ASSERT_GE(files.size(), 20u);
    for (const auto& file : files)
        compareWithExpected(file);
}

TEST(SampleFiles, EveryProtectedFileReadsWithItsPasswordAsTheIndependentReaderFoundIt)
{
    const auto files = expectedFiles(true);
    ASSERT_EQ(files.size(), 11u);
    for (const auto& file : files)
        compareWithExpected(file);
}

} // namespace

// libmdb (the mdbtools commands) as a second, independent reader: for every unprotected sample
// file, the same user tables, the same row counts, and the same texts and numbers in every row in
// stored order.

#include "jet/base/Value.h"
#include "jet/table/Database.h"
#include "jet/table/Format.h"

#include "common/Shell.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

using namespace orrin::jet;

namespace {

const std::filesystem::path kSamples = ORRIN_ACCESS_SAMPLES;

// Field, row and null marks that no sample's text holds (one sample holds every control character).
const std::string kField = "<@F@>";
const std::string kRow = "<@R@>";
const std::string kNull = "<@N@>";

// Standard output of a shell command; the test fails when it does not exit with 0.
std::string run(const std::string& command)
{
    const auto result = orrin::testing::runCommand(command);
    EXPECT_EQ(result.status, 0) << command;
    return result.output;
}

std::vector<std::string> split(const std::string& text, const std::string& mark)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(mark, start)) != std::string::npos; start = at + mark.size())
        parts.push_back(text.substr(start, at - start));
    if (start < text.size())
        parts.push_back(text.substr(start));
    return parts;
}

bool haveMdbTools()
{
    return std::system("command -v mdb-export >/dev/null 2>&1 && command -v mdb-tables >/dev/null 2>&1") == 0;
}

// The unprotected samples: every Access file outside encrypted/ (the agent's SQLCipher files
// share the names).
std::vector<std::filesystem::path> unprotectedSamples()
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(kSamples)) {
        const auto ext = entry.path().extension();
        if ((ext != ".mdb" && ext != ".accdb") || entry.path().parent_path().filename() == "encrypted")
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::vector<std::uint8_t> first(32);
        in.read(reinterpret_cast<char*>(first.data()), static_cast<std::streamsize>(first.size()));
        if (looksLikeAccessFile(first))
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Compares our value of a text or number column with libmdb's text of it; "" when they agree or
// the column is of a kind compared elsewhere (dates, Yes/No, binary, GUID, decimal, single).
std::string difference(const ColumnDef& column, const Value& ours, const std::string& theirs)
{
    // libmdb exports an empty text as it exports Null.
    if (theirs == kNull)
        return ours.isNull() || (ours.kind == Value::Kind::Text && ours.text.empty())
                   ? ""
                   : column.name + ": libmdb has Null";
    if (ours.isNull())
        return column.name + ": ours is Null, libmdb has \"" + theirs + "\"";
    switch (column.type) {
    case coltype::Text:
    case coltype::Memo:
        return ours.text == theirs ? ""
                                   : column.name + ": ours \"" + ours.text + "\", libmdb \"" + theirs + "\"";
    case coltype::Byte:
    case coltype::Int:
    case coltype::Long:
        return std::to_string(ours.integer) == theirs
                   ? ""
                   : column.name + ": ours " + std::to_string(ours.integer) + ", libmdb " + theirs;
    case coltype::Money:
    case coltype::Double: {
        const double value =
            ours.kind == Value::Kind::Currency ? static_cast<double>(ours.integer) / 10000 : ours.real;
        const double other = std::strtod(theirs.c_str(), nullptr);
        return std::fabs(value - other) <= 1e-9 * std::max(1.0, std::fabs(value))
                   ? ""
                   : column.name + ": ours " + std::to_string(value) + ", libmdb " + theirs;
    }
    default:
        return "";
    }
}

TEST(LibmdbAgreement, EveryUnprotectedSampleHasTheSameTablesCountsTextsAndNumbers)
{
    if (!haveMdbTools())
        GTEST_SKIP() << "mdb-export and mdb-tables (Debian package mdbtools) are not installed";
    const auto files = unprotectedSamples();
    ASSERT_GE(files.size(), 20u);
    for (const auto& file : files) {
        SCOPED_TRACE(file.string());
        const auto db = Database::open(file, "");
        std::set<std::string> ours;
        for (const auto& entry : db->tables())
            ours.insert(entry.name);
        const auto listed = split(run("mdb-tables -1 " + orrin::testing::shellQuoted(file.string())), "\n");
        const std::set<std::string> theirs(listed.begin(), listed.end());
        EXPECT_EQ(ours, theirs);

        for (const auto& name : ours) {
            SCOPED_TRACE("table " + name);
            const TableDef& def = db->table(name);
            const std::string exported = run(
                std::string("mdb-export -H -Q -b strip -0 ") + orrin::testing::shellQuoted(kNull) + " -d " +
                orrin::testing::shellQuoted(kField) + " -R " + orrin::testing::shellQuoted(kRow) + " " +
                orrin::testing::shellQuoted(file.string()) + " " + orrin::testing::shellQuoted(name));
            const auto rows = split(exported, kRow);
            // libmdb lists a row moved to another page (an overflow row) where it now lies, not where
            // the table keeps it; a row that differs at its place must then match one elsewhere.
            std::vector<bool> matched(rows.size(), false);
            const auto differences = [&](const std::vector<Value>& values, std::size_t at) {
                std::vector<std::string> found;
                const auto fields = split(rows[at], kField);
                for (std::size_t c = 0; c < def.columns.size() && c < fields.size(); ++c) {
                    if (std::string diff = difference(def.columns[c], values[c], fields[c]); !diff.empty())
                        found.push_back(diff);
                }
                return found;
            };
            auto cursor = db->rows(def);
            std::size_t count = 0;
            while (cursor.next()) {
                if (count < rows.size()) {
                    const auto atPlace = differences(cursor.values(), count);
                    bool ok = atPlace.empty() && !matched[count];
                    if (ok) {
                        matched[count] = true;
                    } else {
                        for (std::size_t other = 0; other < rows.size() && !ok; ++other) {
                            if (!matched[other] && differences(cursor.values(), other).empty())
                                matched[other] = ok = true;
                        }
                    }
                    EXPECT_TRUE(ok) << "row " << count << ": "
                                    << (atPlace.empty() ? "matched twice" : atPlace.front());
                }
                ++count;
            }
            EXPECT_EQ(count, rows.size());
        }
    }
}

// The columns libmdb's mdb-prop lists with "Required: yes"; nullopt when it lists no column's
// properties at all (it gives up on some Jet 3 tables' properties that span several pages).
std::optional<std::set<std::string>> requiredByLibmdb(const std::filesystem::path& file,
                                                      const std::string& table)
{
    std::set<std::string> required;
    std::string column;
    bool columnsListed = false;
    for (const auto& line : split(run("mdb-prop " + orrin::testing::shellQuoted(file.string()) + " " +
                                      orrin::testing::shellQuoted(table)),
                                  "\n")) {
        if (line.rfind("name: ", 0) == 0) {
            column = line.substr(6);
            columnsListed = columnsListed || column != "(none)";
        } else if (line == "\tRequired: yes") {
            required.insert(column);
        }
    }
    if (!columnsListed)
        return std::nullopt;
    return required;
}

TEST(LibmdbAgreement, TheSameColumnsAreRequired)
{
    if (!haveMdbTools() || std::system("command -v mdb-prop >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "mdb-prop (Debian package mdbtools) is not installed";
    int requiredSeen = 0;
    for (const auto& file : unprotectedSamples()) {
        SCOPED_TRACE(file.string());
        const auto db = Database::open(file, "");
        for (const auto& entry : db->tables()) {
            SCOPED_TRACE("table " + entry.name);
            const Properties properties = db->properties(entry.name);
            std::set<std::string> ours;
            for (const auto& column : db->table(entry.name).columns) {
                if (properties.required(column.name))
                    ours.insert(column.name);
            }
            const auto theirs = requiredByLibmdb(file, entry.name);
            if (!theirs)
                continue;
            EXPECT_EQ(ours, *theirs);
            requiredSeen += static_cast<int>(ours.size());
        }
    }
    EXPECT_GT(requiredSeen, 10);
}

} // namespace

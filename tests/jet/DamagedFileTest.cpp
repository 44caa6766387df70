// Damaged copies of sample files: each is reported as damage naming the file and a page, never a
// crash, a hang or a silently shorter table.

#include "jet/base/Coding.h"
#include "jet/base/JetError.h"
#include "jet/table/Database.h"
#include "jet/table/Format.h"
#include "jet/table/UsageMap.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <vector>

using namespace orrin::jet;

namespace {

const std::filesystem::path kSamples = ORRIN_ACCESS_SAMPLES;

std::vector<std::uint8_t> readBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::filesystem::path writeCopy(const std::vector<std::uint8_t>& bytes)
{
    const auto path =
        std::filesystem::temp_directory_path() / ("orrin-damaged-" + std::to_string(::getpid()) + ".mdb");
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

// Opens path and reads every row of every table.
void readEverything(const std::filesystem::path& path)
{
    const auto db = Database::open(path, "");
    for (const auto& entry : db->tables()) {
        auto cursor = db->rows(db->table(entry.name));
        while (cursor.next()) {
        }
    }
}

// What happened when the whole damaged copy was read: "" when it read, else the failure.
struct Outcome {
    bool failed = false;
    Failure failure = Failure::Io;
    std::string message;
};

Outcome readDamaged(const std::vector<std::uint8_t>& bytes)
{
    const auto path = writeCopy(bytes);
    Outcome outcome;
    try {
        readEverything(path);
    } catch (const Error& e) {
        outcome = {true, e.failure(), e.what()};
    }
    std::filesystem::remove(path);
    return outcome;
}

struct SampleFacts {
    std::size_t pageSize = 0;
    std::uint32_t tablePage = 0;     // the definition page of a user table with rows
    std::uint32_t firstDataPage = 0; // that table's first data page
};

SampleFacts factsOf(const std::filesystem::path& sample)
{
    const auto db = Database::open(sample, "");
    SampleFacts facts;
    facts.pageSize = db->file().header().pageSize;
    for (const auto& entry : db->tables()) {
        const TableDef& def = db->table(entry.name);
        if (def.rowCount == 0)
            continue;
        facts.tablePage = def.page;
        for (const auto page : UsageMap::read(db->file(), def.ownedPages).pages) {
            const auto bytes = db->file().page(page);
            if (bytes[0] == pagetype::Data && decodeFixed32(bytes.data() + 4) == def.page) {
                facts.firstDataPage = page;
                return facts;
            }
        }
    }
    return facts;
}

const char* const kDamagedSamples[] = {"jet3/types-1997.mdb", "jet4/types-2000.mdb", "ace/types-2007.accdb",
                                       "nwind.mdb", "agent/access/zrv.accdb"};

TEST(DamagedFile, EachKindOfDamageIsReportedNamingThePage)
{
    struct Damage {
        const char* name;
        std::function<void(std::vector<std::uint8_t>&, const SampleFacts&)> apply;
    };
    const Damage damages[] = {
        {"cut inside a page", [](auto& b, const SampleFacts&) { b.resize(b.size() - 100); }},
        {"cut after the catalog's definition",
         [](auto& b, const SampleFacts& f) { b.resize(3 * f.pageSize); }},
        {"catalog page zeroed",
         [](auto& b, const SampleFacts& f) {
             std::fill_n(b.begin() + 2 * static_cast<long>(f.pageSize), f.pageSize, 0);
         }},
        {"a table's first data page zeroed",
         [](auto& b, const SampleFacts& f) {
             std::fill_n(b.begin() + static_cast<long>(f.firstDataPage * f.pageSize), f.pageSize, 0);
         }},
        {"a definition continued on itself",
         [](auto& b, const SampleFacts& f) {
             encodeFixed32(b.data() + f.tablePage * f.pageSize + 4, f.tablePage);
         }},
        {"a definition continued past the end",
         [](auto& b, const SampleFacts& f) {
             encodeFixed32(b.data() + f.tablePage * f.pageSize + 4, 0xFFFFFF);
         }},
        {"a definition's column count beyond its size",
         [](auto& b, const SampleFacts& f) {
             const std::size_t at =
                 f.pageSize == 2048 ? kJet3Layout.tdefColumnCount : kJet4Layout.tdefColumnCount;
             encodeFixed16(b.data() + f.tablePage * f.pageSize + at, 0xFFFF);
         }},
    };
    for (const char* sample : kDamagedSamples) {
        const auto original = readBytes(kSamples / sample);
        const SampleFacts facts = factsOf(kSamples / sample);
        ASSERT_NE(facts.firstDataPage, 0u) << sample;
        for (const auto& damage : damages) {
            SCOPED_TRACE(std::string(sample) + ": " + damage.name);
            auto bytes = original;
            damage.apply(bytes, facts);
            const Outcome outcome = readDamaged(bytes);
            ASSERT_TRUE(outcome.failed) << "read without complaint";
            EXPECT_EQ(outcome.failure, Failure::Damaged) << outcome.message;
            EXPECT_NE(outcome.message.find("orrin-damaged-"), std::string::npos) << outcome.message;
            EXPECT_NE(outcome.message.find(": page "), std::string::npos) << outcome.message;
        }
    }
}

TEST(DamagedFile, RandomBytesFlippedInATableDefinitionReadOrReportDamage)
{
    for (const char* sample : kDamagedSamples) {
        const auto original = readBytes(kSamples / sample);
        const SampleFacts facts = factsOf(kSamples / sample);
        std::mt19937 random(20261208);
        for (int round = 0; round < 150; ++round) {
            auto bytes = original;
            std::uniform_int_distribution<std::size_t> offset(8, facts.pageSize - 1);
            for (int flip = 0; flip < 6; ++flip)
                bytes[facts.tablePage * facts.pageSize + offset(random)] ^=
                    static_cast<std::uint8_t>(random() | 1);
            const Outcome outcome = readDamaged(bytes);
            if (outcome.failed) {
                EXPECT_EQ(outcome.failure, Failure::Damaged)
                    << sample << " round " << round << ": " << outcome.message;
            }
        }
    }
}

} // namespace

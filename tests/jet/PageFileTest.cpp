#include "jet/JetError.h"
#include "jet/PageFile.h"

#include <gtest/gtest.h>

#include <string>

using namespace orrin::jet;

namespace {

std::string sample(const std::string& name) { return std::string(ORRIN_ACCESS_SAMPLES) + "/" + name; }

TEST(PageFile, TellsTheVersionAndPageSizeFromTheFirstPage)
{
    struct Case {
        const char* file;
        Version version;
        std::size_t pageSize;
    };
    const Case cases[] = {
        {"jet3/types-1997.mdb", Version::Jet3, 2048},
        {"jet4/types-2000.mdb", Version::Jet4, 4096},
        {"ace/types-2007.accdb", Version::Ace12, 4096},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const auto file = PageFile::open(sample(c.file), "");
        EXPECT_EQ(file->header().version, c.version);
        EXPECT_EQ(file->header().pageSize, c.pageSize);
        EXPECT_GT(file->pageCount(), 1u);
    }
}

TEST(PageFile, RefusesAFileThatIsNotAnAccessFile)
{
    try {
        PageFile::open(sample("LICENSE-MIT.txt"), "");
        FAIL() << "opened a text file";
    } catch (const Error& e) {
        EXPECT_EQ(e.failure(), Failure::NotADatabase);
    }
}

} // namespace

#include "jet/pager/PageFile.h"
#include "jet/base/JetError.h"
#include "jet/pager/HeaderMask.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace orrin::jet;

namespace {

std::string sample(const std::string& name)
{
    return std::string(ORRIN_ACCESS_SAMPLES) + "/" + name;
}

// Code page 1252 and the General sort order (collation 1033) are what Access writes for an English
// system; the sort order's version tells General Legacy (0, Jet 4 and Access 2007) from the
// General order of Access 2010 on (1). Jet 3 has no version byte.
TEST(PageFile, ReadsTheHeaderOfEachVersion)
{
    struct Case {
        const char* file;
        Version version;
        std::size_t pageSize;
        std::uint16_t sortVersion;
        bool hasDate;
    };
    const Case cases[] = {
        {"jet3/types-1997.mdb", Version::Jet3, 2048, 0, false},
        {"nwind.mdb", Version::Jet3, 2048, 0, false},
        {"jet4/types-2000.mdb", Version::Jet4, 4096, 0, true},
        {"templates/empty-jet4-2003.mdb", Version::Jet4, 4096, 0, true},
        {"ace/types-2007.accdb", Version::Ace12, 4096, 0, true},
        {"ace/indexes-2010.accdb", Version::Ace14, 4096, 1, true},
        {"templates/empty-ace-2010.accdb", Version::Ace14, 4096, 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const auto file = PageFile::open(sample(c.file), "");
        const Header& h = file->header();
        EXPECT_EQ(h.version, c.version);
        EXPECT_EQ(h.pageSize, c.pageSize);
        EXPECT_EQ(h.codePage, 1252);
        EXPECT_EQ(h.sortOrder, 1033);
        EXPECT_EQ(h.sortVersion, c.sortVersion);
        EXPECT_EQ(h.databaseKey, 0u);
        EXPECT_EQ(h.encryption, Encryption::None);
        EXPECT_FALSE(h.hasPassword);
        // Days since 30 December 1899: after 1995 and before 2030 for every sample.
        if (c.hasDate) {
            EXPECT_GT(h.creationDate, 35000);
            EXPECT_LT(h.creationDate, 47500);
        } else {
            EXPECT_EQ(h.creationDate, 0);
        }
        EXPECT_EQ(file->pageCount() * h.pageSize, std::filesystem::file_size(sample(c.file)));
        EXPECT_EQ(file->page(0)[0], 0x00);
    }
}

// The masked area is XORed with RC4 under the fixed key C7 DA 39 6B: the key stream starts
// B5 6F 03 62 and its 127th and 128th bytes are 62 D4. Jet 3 masks 126 bytes, later versions 128.
TEST(PageFile, MasksTheHeaderWithTheFixedKeyStream)
{
    struct Case {
        Version version;
        std::size_t masked;
    };
    for (const Case c : {Case{Version::Jet3, 126}, Case{Version::Jet4, 128}, Case{Version::Ace14, 128}}) {
        std::vector<std::uint8_t> page(4096, 0);
        applyHeaderMask(page, c.version);
        const std::size_t s = header::MaskedStart;
        EXPECT_EQ(page[s - 1], 0x00);
        EXPECT_EQ((std::vector<std::uint8_t>(page.begin() + s, page.begin() + s + 4)),
                  (std::vector<std::uint8_t>{0xB5, 0x6F, 0x03, 0x62}));
        EXPECT_EQ(page[s + 126], c.masked == 128 ? 0x62 : 0x00);
        EXPECT_EQ(page[s + 127], c.masked == 128 ? 0xD4 : 0x00);
        EXPECT_EQ(page[s + 128], 0x00);
        applyHeaderMask(page, c.version);
        EXPECT_EQ(page, std::vector<std::uint8_t>(4096, 0));
    }
}

TEST(PageFile, RefusesAFileThatIsNotAnAccessFile)
{
    for (const char* name : {"LICENSE-MIT.txt", "agent/sqlcipher/zrv.accdb"}) {
        SCOPED_TRACE(name);
        try {
            PageFile::open(sample(name), "");
            FAIL() << "opened " << name;
        } catch (const Error& e) {
            EXPECT_EQ(e.failure(), Failure::NotADatabase);
            EXPECT_EQ(std::string(e.what()), sample(name) + " is not a database.");
        }
    }
}

} // namespace

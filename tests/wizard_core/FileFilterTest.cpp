// The classic "description|pattern" filter as both views read it.
#include "wizard/core/FileFilter.h"
#include "wizard/core/WizardTexts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orrin::wizard {
namespace {

struct FilterCase {
    const char* name;
    std::string classic;
    std::vector<FileFilterEntry> entries;
};

void PrintTo(const FilterCase& c, std::ostream* out)
{
    *out << c.name;
}

class ClassicFilter : public ::testing::TestWithParam<FilterCase> {};

TEST_P(ClassicFilter, ReadsIntoEntries)
{
    EXPECT_EQ(parseFileFilter(GetParam().classic), GetParam().entries);
}

INSTANTIATE_TEST_SUITE_P(
    FileFilter, ClassicFilter,
    ::testing::Values(FilterCase{"OrrinDialogDescriptionAloneListsEverything",
                                 kChooseOrrinFilter,
                                 {{"Orrin Database (zrv.accdb)", {"*"}},
                                  {"Access databases (*.accdb *.mdb)", {"*.accdb", "*.mdb"}},
                                  {"All files", {"*"}}}},
                      FilterCase{"CalvaneDialog",
                                 kChooseAgentFilter,
                                 {{"Calvane Database (lic.mdb)", {"lic.mdb"}},
                                  {"Access databases (*.accdb *.mdb)", {"*.accdb", "*.mdb"}},
                                  {"All files", {"*"}}}},
                      FilterCase{"BlanksAroundPatternsAndEmptyOnesDropped",
                                 "Data| *.dat ; ;*.bak |Last",
                                 {{"Data", {"*.dat", "*.bak"}}, {"Last", {"*"}}}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace orrin::wizard

#include "store/NameIndex.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orrin::store {
namespace {

struct NameCase {
    const char* name;
    std::string asked;
    int expected;
};

NameIndex policyColumns()
{
    NameIndex index;
    const std::vector<std::string> names = {"policy_no", "Issue_Dt", "Plan", "Term", "PPT", "Sum", "matdt"};
    for (std::size_t i = 0; i < names.size(); ++i)
        index.add(names[i], static_cast<int>(i));
    return index;
}

TEST(NameIndex, findsNamesWithoutRegardToCase)
{
    const NameIndex index = policyColumns();
    const NameCase cases[] = {
        {"as the schema spells it", "Issue_Dt", 1},
        {"all lower case", "issue_dt", 1},
        {"all upper case", "POLICY_NO", 0},
        {"mixed case", "pLaN", 2},
        {"last column", "MATDT", 6},
        {"unknown name", "Premium", -1},
        {"a prefix of a name", "Issue", -1},
        {"a name with a blank after it", "Plan ", -1},
        {"the empty name", "", -1},
        {"a non-ASCII letter is not folded", "T\xC3\x89RM", -1},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(index.find(c.asked), c.expected);
    }
    EXPECT_EQ(index.size(), 7u);
}

TEST(NameIndex, aNameGivenTwiceKeepsItsFirstPosition)
{
    NameIndex index;
    index.add("Bonus", 0);
    index.add("BONUS", 1);
    index.add("bonus2", 2);
    EXPECT_EQ(index.find("bonus"), 0);
    EXPECT_EQ(index.find("Bonus2"), 2);
    EXPECT_EQ(index.size(), 2u);
}

TEST(NameIndex, holdsManyNamesAndNamesLongerThanItsBuffer)
{
    NameIndex index;
    for (int i = 0; i < 200; ++i)
        index.add("Column" + std::to_string(i), i);
    const std::string longName(100, 'x');
    index.add(longName, 200);
    EXPECT_EQ(index.find("column0"), 0);
    EXPECT_EQ(index.find("COLUMN137"), 137);
    EXPECT_EQ(index.find("Column199"), 199);
    EXPECT_EQ(index.find("Column200"), -1);
    EXPECT_EQ(index.find(std::string(100, 'X')), 200);
    EXPECT_EQ(index.find(std::string(99, 'x')), -1);
    EXPECT_EQ(index.size(), 201u);
}

TEST(NameIndex, anEmptyOrClearedIndexFindsNothing)
{
    NameIndex index;
    EXPECT_TRUE(index.empty());
    EXPECT_EQ(index.find("Plan"), -1);
    index.add("Plan", 0);
    EXPECT_FALSE(index.empty());
    index.clear();
    EXPECT_TRUE(index.empty());
    EXPECT_EQ(index.find("Plan"), -1);
}

} // namespace
} // namespace orrin::store

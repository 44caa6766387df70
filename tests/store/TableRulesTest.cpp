// The rules of one table from its definition and properties, without a file: the expressions that
// are not applied and how the run is told, and the AutoNumber kinds.

#include "store/access/TableRules.h"
#include "jet/table/Format.h"
#include "jet/table/Properties.h"
#include "jet/table/TableDef.h"
#include "store/Connection.h"
#include "value/Error.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

namespace orrin::store::access {
namespace {

struct Prop {
    std::string owner; // "" for the table
    std::string name;
    std::string text;
};

void put16(std::vector<std::uint8_t>& out, std::size_t v)
{
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void put32(std::vector<std::uint8_t>& out, std::size_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

std::vector<std::uint8_t> utf16(const std::string& ascii)
{
    std::vector<std::uint8_t> out;
    for (const char c : ascii)
        put16(out, static_cast<unsigned char>(c));
    return out;
}

// The bytes Access keeps for these text properties (Jet 4): the header, the name list, then one
// value block per owner.
std::vector<std::uint8_t> propertyBytes(const std::vector<Prop>& props)
{
    std::vector<std::uint8_t> out = {'M', 'R', '2', 0};
    std::vector<std::string> names;
    std::vector<std::string> owners;
    for (const auto& p : props) {
        if (std::find(names.begin(), names.end(), p.name) == names.end())
            names.push_back(p.name);
        if (std::find(owners.begin(), owners.end(), p.owner) == owners.end())
            owners.push_back(p.owner);
    }
    std::vector<std::uint8_t> block;
    for (const auto& n : names) {
        const auto text = utf16(n);
        put16(block, text.size());
        block.insert(block.end(), text.begin(), text.end());
    }
    put32(out, block.size() + 6);
    put16(out, 0x80);
    out.insert(out.end(), block.begin(), block.end());
    for (const auto& owner : owners) {
        block.clear();
        const auto ownerText = utf16(owner.empty() ? "T" : owner);
        put32(block, 4 + 2 + ownerText.size());
        put16(block, ownerText.size());
        block.insert(block.end(), ownerText.begin(), ownerText.end());
        for (const auto& p : props) {
            if (p.owner != owner)
                continue;
            const auto value = utf16(p.text);
            put16(block, 8 + value.size());
            block.push_back(0);
            block.push_back(jet::coltype::Memo);
            put16(block,
                  static_cast<std::size_t>(std::find(names.begin(), names.end(), p.name) - names.begin()));
            put16(block, value.size());
            block.insert(block.end(), value.begin(), value.end());
        }
        put32(out, block.size() + 6);
        put16(out, owner.empty() ? 0x00 : 0x01);
        out.insert(out.end(), block.begin(), block.end());
    }
    return out;
}

jet::ColumnDef column(const std::string& name, std::uint8_t type, std::uint8_t flags = 0)
{
    jet::ColumnDef c;
    c.name = name;
    c.type = type;
    c.flags = flags;
    return c;
}

jet::TableDef tableT()
{
    jet::TableDef def;
    def.autoNumber = 41;
    def.columns = {column("ID", jet::coltype::Long, jet::colflag::AutoLong),
                   column("Code", jet::coltype::Text),
                   column("Rnd", jet::coltype::Long, jet::colflag::AutoLong),
                   column("Rep", jet::coltype::Guid, jet::colflag::AutoGuid)};
    return def;
}

TableInfo infoT()
{
    TableInfo info;
    info.name = "T";
    info.columns = {{"ID", ColumnType::parse("LONG")},
                    {"Code", ColumnType::parse("TEXT(10)")},
                    {"Rnd", ColumnType::parse("LONG")},
                    {"Rep", ColumnType::parse("TEXT(38)")}};
    return info;
}

TEST(TableRules, ExpressionsOutsideTheLanguageAreNamedAndNotApplied)
{
    const auto props = jet::Properties::read(
        propertyBytes({{"Code", "DefaultValue", "DLookUp(\"x\",\"Y\")"},
                       {"Code", "ValidationRule", "Like \"A*\" And DCount(\"*\",\"T\")<5"},
                       {"", "ValidationRule", "[Nobody]>1"}}),
        jet::Version::Jet4, 0, "t.mdb");
    TableRules rules("T", tableT(), props);
    EXPECT_EQ(
        rules.warnings(),
        (std::vector<std::string>{
            "The default value DLookUp(\"x\",\"Y\") of the field 'T.Code' is not one this program evaluates "
            "('DLOOKUP', which is not a function or value these rules know): new rows leave the field "
            "empty (Null).",
            "The validation rule Like \"A*\" And DCount(\"*\",\"T\")<5 of the field 'T.Code' is not one "
            "this program evaluates ('DCOUNT', which is not a function or value these rules know): it is "
            "not applied.",
            "The validation rule [Nobody]>1 of the table 'T' is not one this program evaluates (the field "
            "[Nobody], which the table does not have): it is not applied."}));
    std::vector<std::optional<Variant>> pending(4);
    const TableInfo info = infoT();
    rules.startRow(pending, info, nullptr);
    EXPECT_FALSE(pending[1].has_value());
    pending[1] = Variant("Zed");
    EXPECT_NO_THROW(rules.checkRow(pending));
}

// Without a ValidationText the engine's own sentence names the rule and the field (or the table).
TEST(TableRules, ARuleWithoutItsTextRefusesInTheEnginesWords)
{
    const auto props = jet::Properties::read(
        propertyBytes({{"Code", "ValidationRule", "Like \"A*\""}, {"", "ValidationRule", "[ID]<100"}}),
        jet::Version::Jet4, 0, "t.mdb");
    const TableRules rules("T", tableT(), props);
    const auto refusal = [&](std::vector<std::optional<Variant>> row) {
        try {
            rules.checkRow(row);
        } catch (const Error& e) {
            return e.description();
        }
        return std::string("(no error)");
    };
    EXPECT_EQ(
        refusal({Variant(std::int32_t{1}), Variant("Zed"), std::nullopt, std::nullopt}),
        "One or more values are prohibited by the validation rule 'Like \"A*\"' set for 'T.Code'. Enter a "
        "value that the expression for this field can accept.");
    EXPECT_EQ(
        refusal({Variant(std::int32_t{100}), Variant("Abc"), std::nullopt, std::nullopt}),
        "One or more values are prohibited by the validation rule '[ID]<100' set for 'T'. Enter a value that "
        "the expression for this field can accept.");
    EXPECT_EQ(refusal({Variant(std::int32_t{99}), Variant("abc"), std::nullopt, std::nullopt}), "(no error)");
}

TEST(TableRules, AutoNumbersIncrementFromTheDefinitionOrAreRandomOrGuids)
{
    const auto props = jet::Properties::read(propertyBytes({{"Rnd", "DefaultValue", "GenUniqueID()"}}),
                                             jet::Version::Jet4, 0, "t.mdb");
    TableRules rules("T", tableT(), props);
    EXPECT_TRUE(rules.warnings().empty());
    const TableInfo info = infoT();
    std::vector<std::optional<Variant>> first(4);
    std::vector<std::optional<Variant>> second(4);
    rules.startRow(first, info, nullptr);
    rules.startRow(second, info, nullptr);
    EXPECT_EQ(first[0], Variant(std::int32_t{42}));
    EXPECT_EQ(second[0], Variant(std::int32_t{43}));
    EXPECT_EQ(rules.nextAutoNumber(), 44u);
    ASSERT_TRUE(first[2] && second[2]);
    EXPECT_EQ(first[2]->type(), Variant::Type::Long);
    EXPECT_NE(*first[2], *second[2]);
    ASSERT_TRUE(first[3] && first[3]->isText());
    EXPECT_EQ(first[3]->text().size(), 38u);
    EXPECT_EQ(first[3]->text().front(), '{');
    EXPECT_NE(*first[3], *second[3]);
}

} // namespace
} // namespace orrin::store::access

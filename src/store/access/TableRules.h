#pragma once

// The rules the Access engine applies to the rows of one table, read from its definition and its
// properties: each column's DefaultValue and AutoNumber at AddNew; Required, AllowZeroLength and
// the column and table ValidationRule at Update. Rules bind the rows the program writes; the rows
// already in the file load whatever they hold. An expression outside the evaluator's language is
// not applied, and warnings() names it.

#include "store/Connection.h"
#include "store/access/AccessExpression.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

struct sqlite3;

namespace orrin::jet {
struct TableDef;
class Properties;
} // namespace orrin::jet

namespace orrin::store::access {

class TableRules {
  public:
    // The rules of the table name (as the file spells it) with definition def and properties.
    TableRules(std::string name, const jet::TableDef& def, const jet::Properties& properties);

    const std::string& name() const { return m_name; }
    // One sentence per expression that is not applied, naming the table, the column and the
    // expression.
    const std::vector<std::string>& warnings() const { return m_warnings; }

    // The statements that make the memory table refuse, from now on, a Null in a Required column
    // ("You must enter a value in the 'T.F' field.") and "" where AllowZeroLength is No ("Field
    // 'T.F' cannot be a zero-length string."), on INSERT and on UPDATE of the column. inKey[c] marks
    // the columns of the primary key and of required indexes, which refuse a Null too ("Index or
    // primary key cannot contain a Null value.") unless they are Required themselves.
    std::vector<std::string> triggerStatements(const std::vector<bool>& inKey) const;

    // AddNew: the values a new row starts with, in the table's column order (info's columns): each
    // column's default, converted as an assignment would be (a default that does not convert leaves
    // Null), and the next AutoNumber. db is the memory database holding the table (a random
    // AutoNumber is one no row holds).
    void startRow(std::vector<std::optional<Variant>>& pending, const TableInfo& info, sqlite3* db);

    // Update: refuses the row (an Error with the engine's message) when a column or table validation
    // rule evaluates to False: the rule's ValidationText, or the engine's own text. A rule that
    // evaluates to Null passes; one that cannot be evaluated refuses with the evaluation's error.
    void checkRow(const std::vector<std::optional<Variant>>& pending) const;

    // The moment Date(), Now() and Time() stand for (the local clock unless set).
    void setNow(std::function<Date()> now) { m_now = std::move(now); }
    // The next number an incrementing AutoNumber takes.
    std::uint32_t nextAutoNumber() const { return m_lastAutoNumber + 1; }

  private:
    enum class AutoNumber { None, Increment, Random, Guid };
    struct Column {
        std::string name;
        std::uint8_t type = 0;
        AutoNumber autoNumber = AutoNumber::None;
        bool required = false;
        bool allowZeroLength = true;
        std::optional<AccessExpression> defaultValue;
        std::optional<AccessExpression> rule;
        std::string ruleText;
        std::string validationText;
    };

    Variant randomAutoNumber(const TableInfo& info, std::size_t column, sqlite3* db);

    std::string m_name;
    std::vector<Column> m_columns;
    std::optional<AccessExpression> m_tableRule;
    std::string m_tableRuleText;
    std::string m_tableValidationText;
    std::uint32_t m_lastAutoNumber = 0;
    std::vector<std::string> m_warnings;
    std::function<Date()> m_now;
    std::mt19937 m_random;
};

} // namespace orrin::store::access

#include "store/access/TableRules.h"

#include "jet/table/Format.h"
#include "jet/table/Properties.h"
#include "jet/table/TableDef.h"
#include "store/ColumnType.h"
#include "store/SqlText.h"
#include "store/SqliteHandle.h"
#include "store/StoreError.h"

#include <sqlcipher/sqlite3.h>

#include <cstdio>

namespace orrin::store::access {

namespace {

std::string newGuid(std::mt19937& random)
{
    std::uniform_int_distribution<int> byte(0, 255);
    unsigned char b[16];
    for (auto& x : b)
        x = static_cast<unsigned char>(byte(random));
    b[6] = static_cast<unsigned char>((b[6] & 0x0F) | 0x40); // version 4: random
    b[8] = static_cast<unsigned char>((b[8] & 0x3F) | 0x80);
    char text[39];
    std::snprintf(text, sizeof text, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13],
                  b[14], b[15]);
    return text;
}

} // namespace

TableRules::TableRules(std::string name, const jet::TableDef& def, const jet::Properties& properties)
    : m_name(std::move(name)), m_lastAutoNumber(def.autoNumber), m_now(&localNow),
      m_random(std::random_device{}())
{
    const AccessExpression::FieldResolver resolve = [&def](std::string_view field) -> std::optional<int> {
        for (std::size_t c = 0; c < def.columns.size(); ++c)
            if (equalsIgnoringCase(def.columns[c].name, field))
                return static_cast<int>(c);
        return std::nullopt;
    };
    const auto noFields = [](std::string_view) -> std::optional<int> { return std::nullopt; };

    for (std::size_t c = 0; c < def.columns.size(); ++c) {
        const jet::ColumnDef& source = def.columns[c];
        Column column;
        column.name = source.name;
        column.type = source.type;
        column.required = properties.required(source.name) && source.type != jet::coltype::Boolean;
        if (source.type == jet::coltype::Text || source.type == jet::coltype::Memo)
            column.allowZeroLength = properties.flag(source.name, "AllowZeroLength", true);
        if (const auto text = properties.text(source.name, "DefaultValue"); text && !text->empty()) {
            std::string why;
            column.defaultValue = AccessExpression::parse(*text, noFields, &why);
            if (!column.defaultValue) {
                m_warnings.push_back("The default value " + *text + " of the field '" + m_name + "." +
                                     source.name + "' is not one this program evaluates (" + why +
                                     "): new rows leave the field empty (Null).");
            }
        }
        if ((source.flags & jet::colflag::AutoLong) != 0)
            column.autoNumber = column.defaultValue && column.defaultValue->isGenUniqueId()
                                    ? AutoNumber::Random
                                    : AutoNumber::Increment;
        else if ((source.flags & jet::colflag::AutoGuid) != 0)
            column.autoNumber = AutoNumber::Guid;
        if (column.autoNumber != AutoNumber::None)
            column.defaultValue.reset();
        if (const auto text = properties.text(source.name, "ValidationRule"); text && !text->empty()) {
            std::string why;
            column.rule = AccessExpression::parseColumnRule(*text, resolve, static_cast<int>(c), &why);
            column.ruleText = *text;
            column.validationText = properties.text(source.name, "ValidationText").value_or("");
            if (!column.rule) {
                m_warnings.push_back("The validation rule " + *text + " of the field '" + m_name + "." +
                                     source.name + "' is not one this program evaluates (" + why +
                                     "): it is not applied.");
            }
        }
        m_columns.push_back(std::move(column));
    }
    // The table's own block is named "" in some files and after the table in others.
    const bool ownBlockByName = !resolve(m_name).has_value();
    const auto tableText = [&](std::string_view property) {
        auto text = properties.text("", property);
        if (!text && ownBlockByName)
            text = properties.text(m_name, property);
        return text;
    };
    if (const auto text = tableText("ValidationRule"); text && !text->empty()) {
        std::string why;
        m_tableRule = AccessExpression::parse(*text, resolve, &why);
        m_tableRuleText = *text;
        m_tableValidationText = tableText("ValidationText").value_or("");
        if (!m_tableRule) {
            m_warnings.push_back("The validation rule " + *text + " of the table '" + m_name +
                                 "' is not one this program evaluates (" + why + "): it is not applied.");
        }
    }
}

std::vector<std::string> TableRules::triggerStatements(const std::vector<bool>& inKey) const
{
    std::string checks;
    std::string columnsChecked;
    for (std::size_t c = 0; c < m_columns.size(); ++c) {
        const Column& column = m_columns[c];
        const std::string field = "NEW." + quoteIdentifier(column.name);
        // A Yes/No column has no Null (it is No). The column's own Required comes before its index's.
        const bool keyed = c < inKey.size() && inKey[c];
        const bool mustHave = (column.required || keyed) && column.type != jet::coltype::Boolean;
        if (mustHave) {
            const std::string message =
                column.required ? "You must enter a value in the '" + m_name + "." + column.name + "' field."
                                : std::string("Index or primary key cannot contain a Null value.");
            checks += "SELECT RAISE(ABORT, " + quoteText(message) + ") WHERE " + field + " IS NULL; ";
        }
        if (!column.allowZeroLength) {
            checks +=
                "SELECT RAISE(ABORT, " +
                quoteText("Field '" + m_name + "." + column.name + "' cannot be a zero-length string.") +
                ") WHERE " + field + " = ''; ";
        }
        if (mustHave || !column.allowZeroLength)
            columnsChecked += (columnsChecked.empty() ? "" : ", ") + quoteIdentifier(column.name);
    }
    if (checks.empty())
        return {};
    const std::string table = quoteIdentifier(m_name);
    return {"CREATE TRIGGER " + quoteIdentifier(m_name + "__rules_insert") + " BEFORE INSERT ON " + table +
                " BEGIN " + checks + "END",
            "CREATE TRIGGER " + quoteIdentifier(m_name + "__rules_update") + " BEFORE UPDATE OF " +
                columnsChecked + " ON " + table + " BEGIN " + checks + "END"};
}

Variant TableRules::randomAutoNumber(const TableInfo& info, std::size_t column, sqlite3* db)
{
    std::uniform_int_distribution<std::int32_t> any(std::numeric_limits<std::int32_t>::min(),
                                                    std::numeric_limits<std::int32_t>::max());
    const std::string sql = "SELECT 1 FROM " + quoteIdentifier(info.name) + " WHERE " +
                            quoteIdentifier(info.columns[column].name) + " = ?";
    sqlite3_stmt* raw = nullptr;
    if (db != nullptr)
        sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr);
    StatementHandle probe(raw);
    for (;;) {
        const std::int32_t candidate = any(m_random);
        if (candidate == 0)
            continue;
        if (!probe)
            return Variant(candidate); // no table to look in (yet): any number is unused
        sqlite3_reset(probe.get());
        sqlite3_bind_int64(probe.get(), 1, candidate);
        if (sqlite3_step(probe.get()) != SQLITE_ROW)
            return Variant(candidate);
    }
}

void TableRules::startRow(std::vector<std::optional<Variant>>& pending, const TableInfo& info, sqlite3* db)
{
    ExpressionContext context;
    bool haveNow = false;
    for (std::size_t c = 0; c < m_columns.size() && c < pending.size(); ++c) {
        Column& column = m_columns[c];
        switch (column.autoNumber) {
        case AutoNumber::Increment:
            if (m_lastAutoNumber < 0x7FFFFFFF)
                ++m_lastAutoNumber;
            pending[c] = Variant(static_cast<std::int32_t>(m_lastAutoNumber));
            continue;
        case AutoNumber::Random:
            pending[c] = randomAutoNumber(info, c, db);
            continue;
        case AutoNumber::Guid:
            pending[c] = Variant(newGuid(m_random));
            continue;
        case AutoNumber::None:
            break;
        }
        if (!column.defaultValue)
            continue;
        if (!haveNow) {
            context.now = m_now();
            haveNow = true;
        }
        try {
            const Variant value = column.defaultValue->evaluate(context);
            if (!value.isNull())
                pending[c] = convertForColumn(info.columns[c].type, value, info.name, column.name);
        } catch (const Error&) {
            // A default that does not fit its column leaves it empty, as if it had none.
        }
    }
}

void TableRules::checkRow(const std::vector<std::optional<Variant>>& pending) const
{
    ExpressionContext context;
    context.field = [&pending](int c) {
        const auto at = static_cast<std::size_t>(c);
        return at < pending.size() && pending[at] ? *pending[at] : Variant::null();
    };
    bool haveNow = false;
    const auto refuses = [&](const AccessExpression& rule) {
        if (!haveNow) {
            context.now = m_now();
            haveNow = true;
        }
        const Variant result = rule.evaluate(context);
        if (result.isNull())
            return false;
        if (result.type() == Variant::Type::Bool)
            return !result.boolean();
        if (result.isNumber())
            return result.number() == 0.0;
        return false;
    };
    for (const Column& column : m_columns) {
        if (column.rule && refuses(*column.rule)) {
            throw Error(code::General,
                        !column.validationText.empty()
                            ? column.validationText
                            : "One or more values are prohibited by the validation rule '" + column.ruleText +
                                  "' set for '" + m_name + "." + column.name +
                                  "'. Enter a value that the expression for this field can accept.");
        }
    }
    if (m_tableRule && refuses(*m_tableRule)) {
        throw Error(code::General,
                    !m_tableValidationText.empty()
                        ? m_tableValidationText
                        : "One or more values are prohibited by the validation rule '" + m_tableRuleText +
                              "' set for '" + m_name +
                              "'. Enter a value that the expression for this field can accept.");
    }
}

} // namespace orrin::store::access

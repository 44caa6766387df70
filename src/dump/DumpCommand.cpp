#include "dump/DumpCommand.h"

#include "value/JsonText.h"

#include "jet/base/Value.h"
#include "platform/Utf8Path.h"
#include "store/ColumnType.h"
#include "store/Connection.h"
#include "store/KnownDatabases.h"
#include "store/SqlText.h"
#include "store/Statement.h"
#include "store/StoreError.h"
#include "value/DateValue.h"
#include "value/Error.h"

#include <sqlcipher/sqlite3.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>
#include <ostream>

namespace orrin::dump {

namespace {

// A table's columns with the kinds that decide how a value prints.
struct Column {
    std::string name;
    std::string declared;
    store::ColumnType type;
};

// A count of ten-thousandths as units with four decimals, every digit kept.
std::string currencyText(long long tenThousandths)
{
    const bool negative = tenThousandths < 0;
    // The magnitude as unsigned, so that the most negative count has one.
    const unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(tenThousandths)
                                                  : static_cast<unsigned long long>(tenThousandths);
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%s%llu.%04llu", negative ? "-" : "", magnitude / 10000,
                  magnitude % 10000);
    return buffer;
}

// The shortest text that reads back as the same double ("0.0" style for whole numbers of
// floating columns); singles as the shortest text of the single.
std::string numberText(double value, const store::ColumnType& type)
{
    char buffer[64];
    // Plain digits for everyday magnitudes, the exponent form beyond them.
    const double magnitude = std::fabs(value);
    const auto form = magnitude == 0 || (magnitude >= 1e-5 && magnitude < 1e15) ? std::chars_format::fixed
                                                                                : std::chars_format::general;
    std::to_chars_result written{};
    if (type.kind == store::ColumnType::Kind::Single)
        written = std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value), form);
    else
        written = std::to_chars(buffer, buffer + sizeof buffer, value, form);
    std::string text(buffer, written.ptr);
    if (text.find_first_of(".eEn") == std::string::npos)
        text += ".0";
    return text;
}

// Serial days of 1 January 100 and of the day after 31 December 9999: the dates the store's date
// form covers.
constexpr double kFirstSerial = -657434.0;
constexpr double kEndSerial = 2958466.0;

// A stored date text ("YYYY-MM-DD" or "YYYY-MM-DD HH:MM:SS") with its time always written.
std::string dateText(std::string_view stored)
{
    if (stored.size() == 10)
        return std::string(stored) + " 00:00:00";
    return std::string(stored);
}

// One value of the current row: its printed text, and whether it is a JSON string (quoted, and
// in CSV quoted when needed) rather than a number, a boolean or null.
struct Printed {
    std::string text;
    bool isString = false;
    bool isNull = false;
};

Printed printed(sqlite3_stmt* row, int index, const Column& column)
{
    using Kind = store::ColumnType::Kind;
    const int storage = sqlite3_column_type(row, index);
    switch (storage) {
    case SQLITE_NULL:
        return {"null", false, true};
    case SQLITE_INTEGER: {
        const auto value = sqlite3_column_int64(row, index);
        if (column.type.kind == Kind::YesNo)
            return {value != 0 ? "true" : "false"};
        if (column.type.kind == Kind::Currency) {
            if (column.type.form == store::ColumnType::Form::Exact)
                return {currencyText(static_cast<long long>(value))};
            char buffer[48];
            std::snprintf(buffer, sizeof buffer, "%lld.0000", static_cast<long long>(value));
            return {buffer};
        }
        if (column.type.kind == Kind::Double || column.type.kind == Kind::Single)
            return {numberText(static_cast<double>(value), column.type)};
        return {std::to_string(value)};
    }
    case SQLITE_FLOAT: {
        const double value = sqlite3_column_double(row, index);
        if (column.type.kind == Kind::Currency) {
            char buffer[64];
            std::snprintf(buffer, sizeof buffer, "%.4f", value);
            return {buffer};
        }
        if (column.type.kind == Kind::DateTime) {
            // A date outside the years 100 to 9999 (a file may hold any double) prints as the
            // format library reads it instead of failing.
            const bool inRange = value >= kFirstSerial && value < kEndSerial;
            return {inRange ? dateText(formatDate(Date{value})) : jet::formatDateTime(value), true};
        }
        return {numberText(value, column.type)};
    }
    case SQLITE_BLOB:
        return {"<" + std::to_string(sqlite3_column_bytes(row, index)) + " bytes>", true};
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(row, index));
        const std::string value(text, static_cast<std::size_t>(sqlite3_column_bytes(row, index)));
        if (column.type.kind == Kind::DateTime)
            return {dateText(value), true};
        if (column.type.kind == Kind::Decimal)
            return {value}; // the digits that a double could not hold
        return {value, true};
    }
    }
}

std::string csvField(const Printed& p)
{
    if (p.isNull)
        return "";
    if (p.text.find_first_of(",\"\r\n") == std::string::npos)
        return p.text;
    std::string out = "\"";
    for (const char c : p.text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

// The table's columns with their types: an Access file's from its table definitions, a SQLCipher
// file's as its schema declares them.
std::vector<Column> columnsOf(store::Connection& connection, const std::string& table)
{
    std::vector<Column> columns;
    if (connection.isAccess()) {
        for (const auto& column : connection.tableInfo(table).columns)
            columns.push_back(Column{column.name, column.type.name(), column.type});
        return columns;
    }
    store::Statement info(connection.handle(), "PRAGMA table_info(" + store::quoteIdentifier(table) + ")",
                          connection.fileName(), &connection);
    const store::ColumnType text{store::ColumnType::Kind::Text};
    while (info.step()) {
        Column c;
        c.name = info.column(1, text).text();
        const Variant declared = info.column(2, text);
        c.declared = declared.isText() ? declared.text() : std::string();
        c.type = store::ColumnType::parse(c.declared);
        columns.push_back(std::move(c));
    }
    return columns;
}

// The tables to print, spelled as the file spells them; an unknown name is an Error.
std::vector<std::string> chosenTables(store::Connection& connection, const DumpOptions& options)
{
    const std::vector<std::string> all = connection.tableNames();
    if (options.tables.empty())
        return all;
    std::vector<std::string> chosen;
    for (const auto& wanted : options.tables) {
        const auto found = std::find_if(all.begin(), all.end(), [&](const std::string& name) {
            return store::equalsIgnoringCase(name, wanted);
        });
        if (found == all.end())
            throw Error(store::code::NotFound,
                        "There is no table '" + wanted + "' in '" + connection.fileName() + "'.");
        chosen.push_back(*found);
    }
    return chosen;
}

} // namespace

DumpOptions parseDumpOptions(const std::vector<std::string>& arguments)
{
    DumpOptions options;
    bool formatGiven = false;
    bool passwordGiven = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            options.help = true;
            return options;
        }
        if (argument.rfind("--", 0) != 0) {
            if (!options.file.empty())
                throw DumpUsageError{"one database file only (" + options.file + ", " + argument + ")"};
            options.file = argument;
            continue;
        }
        std::string value;
        const auto equals = argument.find('=');
        if (equals != std::string::npos) {
            value = argument.substr(equals + 1);
            argument.erase(equals);
        } else if (argument == "--password" || argument == "--table" || argument == "--format") {
            if (i + 1 >= arguments.size())
                throw DumpUsageError{argument + " needs a value"};
            value = arguments[++i];
        }
        if (argument == "--password") {
            if (passwordGiven)
                throw DumpUsageError{"--password is given twice"};
            passwordGiven = true;
            options.passwordGiven = true;
            options.password = value;
        } else if (argument == "--table") {
            options.tables.push_back(value);
        } else if (argument == "--format") {
            if (formatGiven)
                throw DumpUsageError{"--format is given twice"};
            formatGiven = true;
            if (value == "jsonl")
                options.format = Format::Jsonl;
            else if (value == "csv")
                options.format = Format::Csv;
            else
                throw DumpUsageError{"--format is jsonl or csv, not '" + value + "'"};
        } else {
            throw DumpUsageError{"unknown option " + argument};
        }
    }
    if (options.file.empty())
        throw DumpUsageError{"name the database file to print"};
    return options;
}

std::string dumpUsageText()
{
    return "Usage: orrin-import-dump FILE [--password P] [--table T]... [--format jsonl|csv]\n"
           "\n"
           "Prints the tables of a database: an Access file (Jet 3, Jet 4 .mdb, ACE .accdb) or a\n"
           "SQLCipher file. Without --password, a file is opened with no password, or else with the\n"
           "Orrin or the Calvane application's own database password.\n"
           "\n"
           "  --password P   the database password\n"
           "  --table T      print this table (repeat for more); default: every table\n"
           "  --format F     jsonl (default): a format line, a line per table with its columns and\n"
           "                 row count, a line per row; csv: one table, a header line, RFC 4180\n"
           "\n"
           "Exit status: 0 printed; 1 the file or a table could not be read; 2 bad usage.\n";
}

namespace {

// Opens the file with the password given; without one, with none, then with the Orrin and the
// Calvane application's own database passwords, the ones their files carry (each attempt on a fresh
// connection). The first failure is the one reported. The Orrin password comes first because the
// Orrin files are the Office-encrypted ones, where each wrong password costs a key derivation;
// a Jet 4 file's password is checked at no cost.
std::unique_ptr<store::Connection> openForDump(const DumpOptions& options)
{
    const auto open = [&](const std::string& password) {
        auto connection = std::make_unique<store::Connection>();
        connection->openFile(platform::pathFromUtf8(options.file), password, store::OpenMode::ReadOnly);
        return connection;
    };
    if (options.passwordGiven)
        return open(options.password);
    try {
        return open("");
    } catch (const Error&) {
        for (const std::string_view known : {kOrrinPassword, kCalvanePassword}) {
            try {
                return open(std::string(known));
            } catch (const Error&) {
            }
        }
        throw;
    }
}

} // namespace

void dump(const DumpOptions& options, std::ostream& out)
{
    const std::unique_ptr<store::Connection> opened = openForDump(options);
    store::Connection& connection = *opened;
    const std::vector<std::string> tables = chosenTables(connection, options);
    if (options.format == Format::Csv && tables.size() != 1)
        throw DumpUsageError{"csv prints one table: name it with --table"};

    if (options.format == Format::Jsonl)
        out << "{\"format\":" << jsonString(connection.formatName()) << "}\n";
    for (const auto& table : tables) {
        // Names the file's table first, so that an Access table is read into memory once.
        store::Statement rows(connection.handle(),
                              "SELECT * FROM " + store::quoteIdentifier(table) + " ORDER BY rowid",
                              connection.fileName(), &connection);
        const std::vector<Column> columns = columnsOf(connection, table);
        if (options.format == Format::Jsonl) {
            store::Statement count(connection.handle(),
                                   "SELECT count(*) FROM " + store::quoteIdentifier(table),
                                   connection.fileName(), &connection);
            count.step();
            out << "{\"table\":" << jsonString(table)
                << ",\"rows\":" << sqlite3_column_int64(count.handle(), 0) << ",\"columns\":[";
            for (std::size_t c = 0; c < columns.size(); ++c)
                out << (c ? "," : "") << jsonString(columns[c].name + ":" + columns[c].declared);
            out << "]}\n";
        } else {
            for (std::size_t c = 0; c < columns.size(); ++c)
                out << (c ? "," : "") << csvField(Printed{columns[c].name, true});
            out << "\r\n";
        }
        while (rows.step()) {
            if (options.format == Format::Jsonl) {
                out << "{\"t\":" << jsonString(table);
                for (std::size_t c = 0; c < columns.size(); ++c) {
                    const Printed p = printed(rows.handle(), static_cast<int>(c), columns[c]);
                    out << "," << jsonString(columns[c].name) << ":"
                        << (p.isString ? jsonString(p.text) : p.text);
                }
                out << "}\n";
            } else {
                for (std::size_t c = 0; c < columns.size(); ++c)
                    out << (c ? "," : "")
                        << csvField(printed(rows.handle(), static_cast<int>(c), columns[c]));
                out << "\r\n";
            }
        }
    }
    out.flush();
}

int runDump(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err)
{
    try {
        const DumpOptions options = parseDumpOptions(arguments);
        if (options.help) {
            out << dumpUsageText();
            return 0;
        }
        dump(options, out);
        return 0;
    } catch (const DumpUsageError& e) {
        err << "orrin-import-dump: " << e.message << "\n"
            << "Try 'orrin-import-dump --help'.\n";
        return 2;
    } catch (const Error& e) {
        err << "orrin-import-dump: " << e.description() << "\n";
        return 1;
    } catch (const std::exception& e) {
        err << "orrin-import-dump: " << e.what() << "\n";
        return 1;
    }
}

} // namespace orrin::dump

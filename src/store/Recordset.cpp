#include "store/Recordset.h"

#include "store/SqlText.h"
#include "store/StoreError.h"
#include "store/access/TableRules.h"

#include <cctype>

namespace orrin::store {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

void skipBlanks(std::string_view text, std::size_t& at)
{
    while (at < text.size() && isBlank(text[at]))
        ++at;
}

// Reads a word (ASCII letters, digits, "_") at the position and moves past it.
std::string_view readWord(std::string_view text, std::size_t& at)
{
    const std::size_t start = at;
    while (at < text.size() && (std::isalnum(static_cast<unsigned char>(text[at])) || text[at] == '_'))
        ++at;
    return text.substr(start, at - start);
}

// Reads a table name: a plain word, or one in [brackets] or "quotes".
std::optional<std::string> readIdentifier(std::string_view text, std::size_t& at)
{
    if (at >= text.size())
        return std::nullopt;
    if (text[at] == '[' || text[at] == '"') {
        const char close = text[at] == '[' ? ']' : '"';
        const std::size_t end = text.find(close, at + 1);
        if (end == std::string_view::npos || end == at + 1)
            return std::nullopt;
        std::string name(text.substr(at + 1, end - at - 1));
        at = end + 1;
        return name;
    }
    if (std::isdigit(static_cast<unsigned char>(text[at])))
        return std::nullopt;
    const std::string_view word = readWord(text, at);
    if (word.empty())
        return std::nullopt;
    return std::string(word);
}

bool atEnd(std::string_view text, std::size_t at)
{
    skipBlanks(text, at);
    if (at < text.size() && text[at] == ';')
        ++at;
    skipBlanks(text, at);
    return at == text.size();
}

// The table a source names: a bare table name, or exactly "SELECT * FROM name" in any case and
// spacing. Anything else is a query.
std::optional<std::string> tableNamedBy(std::string_view source)
{
    std::size_t at = 0;
    skipBlanks(source, at);
    {
        std::size_t probe = at;
        if (auto name = readIdentifier(source, probe); name && atEnd(source, probe))
            return name;
    }
    if (lowerAscii(readWord(source, at)) != "select")
        return std::nullopt;
    skipBlanks(source, at);
    if (at >= source.size() || source[at] != '*')
        return std::nullopt;
    ++at;
    skipBlanks(source, at);
    if (lowerAscii(readWord(source, at)) != "from")
        return std::nullopt;
    if (at >= source.size() || !isBlank(source[at]))
        return std::nullopt;
    skipBlanks(source, at);
    auto name = readIdentifier(source, at);
    if (!name || !atEnd(source, at))
        return std::nullopt;
    return name;
}

} // namespace

Recordset::Recordset() = default;

Recordset::~Recordset() = default;

void Recordset::open(std::string_view source, Connection& connection)
{
    if (m_open) {
        throw Error(code::AlreadyOpen,
                    "Operation is not allowed when the object is open: the recordset on '" + m_source +
                        "' is open already.");
    }
    if (!connection.isOpen()) {
        throw Error(code::Closed, "Operation is not allowed when the object is closed: the connection for '" +
                                      std::string(source) + "' is not open.");
    }

    std::string table;
    std::string selectSql;
    std::unique_ptr<Statement> reader;
    std::shared_ptr<const TableInfo> info;
    if (const auto named = tableNamedBy(source)) {
        info = connection.sharedTableInfo(*named);
        table = info->name;
        selectSql = "SELECT * FROM " + quoteIdentifier(table) + " ORDER BY rowid";
    } else {
        selectSql = std::string(source);
        connection.checkTransactionKept();
        reader =
            std::make_unique<Statement>(connection.handle(), selectSql, connection.fileName(), &connection);
    }

    m_connection = &connection;
    m_source = std::string(source);
    m_table = std::move(table);
    m_selectSql = std::move(selectSql);
    m_reader = std::move(reader);
    m_readerNames.clear();
    m_info = std::move(info);
    m_rules = m_table.empty() ? nullptr : connection.tableRules(m_table);
    m_readingStarted = false;
    m_atEof = false;
    m_position = 0;
    m_count.reset();
    m_adding = false;
    m_pending.clear();
    m_open = true;
}

bool Recordset::isOpen() const
{
    return m_open;
}

void Recordset::close()
{
    if (!m_open)
        throw Error(code::Closed, "Operation is not allowed when the object is closed.");
    m_open = false;
    m_reader.reset();
    m_readerNames.clear();
    m_connection = nullptr;
    m_info.reset();
    m_rules = nullptr;
    m_adding = false;
    m_pending.clear();
    m_count.reset();
}

void Recordset::requireOpen() const
{
    if (!m_open)
        throw Error(code::Closed, "Operation is not allowed when the object is closed.");
    if (!m_connection->isOpen()) {
        throw Error(code::Closed, "Operation is not allowed when the object is closed: the connection of the "
                                  "recordset on '" +
                                      m_source + "' has been closed.");
    }
}

void Recordset::ensureReading()
{
    if (m_readingStarted)
        return;
    if (!m_reader) {
        m_connection->checkTransactionKept();
        m_reader = std::make_unique<Statement>(m_connection->handle(), m_selectSql, m_connection->fileName(),
                                               m_connection);
    }
    m_readingStarted = true;
    m_position = 0;
    fetch();
}

void Recordset::fetch()
{
    try {
        m_atEof = !m_reader->step();
    } catch (...) {
        m_atEof = true;
        throw;
    }
    if (!m_atEof)
        ++m_position;
}

bool Recordset::eof()
{
    requireOpen();
    ensureReading();
    return m_atEof;
}

void Recordset::moveNext()
{
    requireOpen();
    ensureReading();
    if (m_atEof) {
        throw Error(code::NoCurrentRow, "Either BOF or EOF is True, or the current record has been deleted: "
                                        "there is no row after the last one of '" +
                                            m_source + "'.");
    }
    fetch();
}

std::int64_t Recordset::recordCount()
{
    requireOpen();
    if (!m_table.empty()) {
        // Counted afresh each time: rows appended through this recordset belong to it too.
        Statement& counter = m_connection->statement("SELECT count(*) FROM " + quoteIdentifier(m_table));
        counter.step();
        const std::int64_t count = static_cast<std::int64_t>(counter.column(0).number());
        counter.reset();
        return count;
    }
    if (!m_count) {
        Statement counter(m_connection->handle(), m_selectSql, m_connection->fileName(), m_connection);
        std::int64_t count = 0;
        while (counter.step())
            ++count;
        m_count = count;
    }
    return *m_count;
}

std::int64_t Recordset::absolutePosition()
{
    requireOpen();
    ensureReading();
    return m_atEof ? -3 : m_position;
}

Variant Recordset::field(std::string_view name)
{
    requireOpen();
    if (m_adding) {
        const int index = m_info->find(name);
        if (index < 0) {
            throw Error(code::ItemNotFound,
                        "Item cannot be found in the collection corresponding to the requested "
                        "name or ordinal: there is no field '" +
                            std::string(name) + "' in '" + m_table + "'.");
        }
        const auto& pending = m_pending[static_cast<std::size_t>(index)];
        return pending ? *pending : Variant::null();
    }
    ensureReading();
    if (m_readerNames.empty()) {
        for (int i = 0; i < m_reader->columnCount(); ++i)
            m_readerNames.add(m_reader->columnName(i), i);
    }
    if (const int index = m_readerNames.find(name); index >= 0)
        return field(index);
    throw Error(code::ItemNotFound,
                "Item cannot be found in the collection corresponding to the requested name "
                "or ordinal: there is no field '" +
                    std::string(name) + "' in '" + m_source + "'.");
}

Variant Recordset::field(int index)
{
    requireOpen();
    if (m_adding) {
        if (index < 0 || static_cast<std::size_t>(index) >= m_pending.size()) {
            throw Error(code::ItemNotFound,
                        "Item cannot be found in the collection corresponding to the requested "
                        "name or ordinal: there is no field " +
                            std::to_string(index) + " in '" + m_table + "'.");
        }
        const auto& pending = m_pending[static_cast<std::size_t>(index)];
        return pending ? *pending : Variant::null();
    }
    ensureReading();
    if (index < 0 || index >= m_reader->columnCount()) {
        throw Error(code::ItemNotFound,
                    "Item cannot be found in the collection corresponding to the requested name "
                    "or ordinal: there is no field " +
                        std::to_string(index) + " in '" + m_source + "'.");
    }
    if (m_atEof) {
        throw Error(code::NoCurrentRow,
                    "Either BOF or EOF is True, or the current record has been deleted: '" + m_source +
                        "' has no current row.");
    }
    return m_reader->column(index);
}

void Recordset::addNew()
{
    requireOpen();
    if (m_table.empty()) {
        throw Error(code::NotSupported, "The recordset on the query \"" + m_source +
                                            "\" cannot be appended to; open it on a table.");
    }
    if (m_adding)
        update(); // a second AddNew saves the row being added first
    m_pending.assign(m_info->columns.size(), std::nullopt);
    if (m_rules != nullptr)
        m_rules->startRow(m_pending, *m_info, m_connection->handle());
    m_adding = true;
}

void Recordset::setField(std::string_view name, const Variant& value)
{
    requireOpen();
    setField(m_adding ? m_info->find(name) : -1, name, value);
}

void Recordset::setField(int position, std::string_view name, const Variant& value)
{
    requireOpen();
    if (!m_adding) {
        throw Error(code::NotInAddMode, "Cannot assign the field '" + std::string(name) + "' of '" +
                                            m_source +
                                            "': no new row is being added (AddNew was not called).");
    }
    if (position < 0 || static_cast<std::size_t>(position) >= m_pending.size())
        noSuchField(name);
    auto& slot = m_pending[static_cast<std::size_t>(position)];
    slot.reset();
    const ColumnInfo& column = m_info->columns[static_cast<std::size_t>(position)];
    slot = convertForColumn(column.type, value, m_table, column.name);
}

int Recordset::fieldPosition(std::string_view name) const
{
    return m_open && m_info ? m_info->find(name) : -1;
}

void Recordset::noSuchField(std::string_view name) const
{
    throw Error(code::ItemNotFound,
                "Item cannot be found in the collection corresponding to the requested name "
                "or ordinal: there is no field '" +
                    std::string(name) + "' in '" + m_table + "'.");
}

void Recordset::update()
{
    requireOpen();
    if (!m_adding) {
        throw Error(code::NotInAddMode,
                    "Update without AddNew: no new row is being added to '" + m_source + "'.");
    }
    // Whatever happens below, this pending row is finished: a failed save must not leak into the next.
    std::vector<std::optional<Variant>> pending;
    pending.swap(m_pending);
    m_adding = false;
    if (m_rules != nullptr)
        m_rules->checkRow(pending);

    m_assigned.resize(pending.size());
    for (std::size_t i = 0; i < pending.size(); ++i)
        m_assigned[i] = pending[i].has_value();
    Statement& insert = m_connection->insertStatement(*m_info, m_assigned);
    // The pending values outlive the statement's run below (it is reset before they go), so their
    // texts need not be copied.
    int parameter = 1;
    for (std::size_t i = 0; i < pending.size(); ++i) {
        if (pending[i])
            insert.bind(parameter++, *pending[i], m_info->columns[i].type, TextBinding::Referenced);
    }
    try {
        insert.step();
    } catch (...) {
        insert.reset();
        throw;
    }
    insert.reset();
}

} // namespace orrin::store

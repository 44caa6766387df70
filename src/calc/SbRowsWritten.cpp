#include "calc/SbRowsWritten.h"

#include "store/Statement.h"
#include "value/Error.h"

namespace orrin::calc {

std::string SbRowsWritten::folded(std::string_view number)
{
    std::string lowered(number);
    for (char& c : lowered) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return lowered;
}

void SbRowsWritten::clear()
{
    m_database = nullptr;
    m_known = false;
    m_numbers.clear();
}

bool SbRowsWritten::noneOf(store::Connection& database, std::string_view number)
{
    if (!database.isOpen() || database.transactionLost())
        return false;
    if (m_database != &database) {
        clear();
        m_database = &database;
        try {
            store::Statement& empty = database.statement("select not exists (select 1 from SB)");
            m_known = empty.step() && empty.column(0).number() != 0;
            empty.reset();
        } catch (const Error&) {
            m_known = false;
        }
    }
    return m_known && m_numbers.find(folded(number)) == m_numbers.end();
}

void SbRowsWritten::note(const store::Connection* database, std::string_view number)
{
    if (database == m_database && m_known)
        m_numbers.insert(folded(number));
}

} // namespace orrin::calc

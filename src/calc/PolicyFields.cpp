#include "calc/PolicyFields.h"

namespace orrin::calc {

namespace {

constexpr std::array<std::string_view, PolicyFields::kCount> kNames{
    "Plan",    "Issue_Dt",  "Payment", "Term",      "PPT",   "Sum",
    "Premium", "policy_no", "matdt",   "PremEndDt", "MatAmt"};

std::size_t indexOf(PolicyFields::Field field)
{
    return static_cast<std::size_t>(field);
}

} // namespace

std::string_view PolicyFields::nameOf(Field field)
{
    return kNames[indexOf(field)];
}

// Positions are taken from the table's description itself, so they stay right for as long as that
// description is the one the row uses, and are taken afresh for any other.
const std::array<int, PolicyFields::kCount>* PolicyFields::Positions::resolve(const store::Recordset& row)
{
    const std::shared_ptr<const store::TableInfo>& table = row.tableInfo();
    if (!table || !row.isAdding())
        return nullptr;
    if (table != m_table) {
        for (std::size_t i = 0; i < kCount; ++i)
            m_positions[i] = table->find(kNames[i]);
        m_table = table;
    }
    return &m_positions;
}

// A field the table lacks is read by name, which fails with the message naming it.
Variant PolicyFields::read(Field field)
{
    const std::size_t i = indexOf(field);
    if (m_positions != nullptr && (*m_positions)[i] >= 0 && m_row.isAdding())
        return m_row.field((*m_positions)[i]);
    return m_row.field(kNames[i]);
}

void PolicyFields::write(Field field, const Variant& value)
{
    const std::size_t i = indexOf(field);
    if (m_positions != nullptr && m_row.isAdding())
        m_row.setField((*m_positions)[i], kNames[i], value);
    else
        m_row.setField(kNames[i], value);
}

} // namespace orrin::calc

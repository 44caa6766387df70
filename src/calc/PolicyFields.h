#pragma once

#include "store/Connection.h"
#include "store/Recordset.h"
#include "value/Variant.h"

#include <array>
#include <cstddef>
#include <memory>
#include <string_view>

namespace orrin::calc {

// The fields of the policy row being added that the calculations read and write, each named once.
// Every accessor reads or writes the pending row afresh, so each statement that uses a field fails
// (and is logged) on its own, exactly as a read by name does; only finding the field is done once.
class PolicyFields {
  public:
    enum class Field {
        Plan,
        IssueDate,
        Payment,
        Term,
        PPT,
        Sum,
        Premium,
        PolicyNo,
        MatDt,
        PremEndDt,
        MatAmt
    };
    static constexpr std::size_t kCount = 11;

    // Where the fields are in a table's columns, kept from one policy to the next while the table's
    // description stays the same (a recordset reopened on the table shares it).
    class Positions {
      public:
        // The positions for the table row is open on, or nullptr when row is not adding a row to a
        // table (the fields are then read by name).
        const std::array<int, kCount>* resolve(const store::Recordset& row);

      private:
        std::shared_ptr<const store::TableInfo> m_table;
        std::array<int, kCount> m_positions{};
    };

    PolicyFields(store::Recordset& row, Positions& positions)
        : m_row(row), m_positions(positions.resolve(row))
    {
    }

    Variant plan() { return read(Field::Plan); }
    Variant issueDate() { return read(Field::IssueDate); }
    Variant payment() { return read(Field::Payment); }
    Variant term() { return read(Field::Term); }
    Variant ppt() { return read(Field::PPT); }
    Variant sum() { return read(Field::Sum); }
    Variant premium() { return read(Field::Premium); }
    Variant policyNo() { return read(Field::PolicyNo); }

    void setMaturityDate(const Variant& value) { write(Field::MatDt, value); }
    void setPremiumEndDate(const Variant& value) { write(Field::PremEndDt, value); }
    void setMaturityAmount(const Variant& value) { write(Field::MatAmt, value); }

    // The field's name in the Policies table.
    static std::string_view nameOf(Field field);

  private:
    Variant read(Field field);
    void write(Field field, const Variant& value);

    store::Recordset& m_row;
    const std::array<int, kCount>* m_positions;
};

} // namespace orrin::calc

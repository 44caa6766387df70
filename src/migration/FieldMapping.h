#pragma once

#include "value/Variant.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orrin::migration {

// How a target field gets its value from the current source row.
enum class Rule {
    Copied,          // the source value unchanged, Null included
    EmptyToNull,     // a value of length 0 becomes Null, anything else unchanged
    EmptyToNullCut,  // as EmptyToNull, otherwise the first `cut` characters of the value's text
    JoinedWithBlank, // text of the first field, " ", text of the second; Null counts as ""
    Constant,        // the same value for every row
    PositionPlusOne, // the source row's absolute position plus 1, a 32-bit whole number
    SexOrC,          // "" becomes "C", anything else (Null included) unchanged
    PaymentMode,     // "O" -> "S", "S" -> "P", anything else unchanged
    Status,          // "I" -> "N", "R" -> "T", "D"/"F" -> "R", anything else "N"
    PersonLookup,    // the first `source` of table `second` for the row's family and person
};

// One line of a step's mapping table.
struct FieldMapping {
    std::string target;
    Rule rule = Rule::Copied;
    std::string source;  // the source field (PersonLookup: the field looked up)
    std::string second;  // JoinedWithBlank: the second field; PersonLookup: the table looked in
    Variant constant;    // Constant only
    std::size_t cut = 0; // EmptyToNullCut only: characters kept
};

using MappingTable = std::vector<FieldMapping>;

// Builders that let a mapping table read like the table it implements.
namespace mapping {
FieldMapping copied(std::string target, std::string source);
FieldMapping emptyToNull(std::string target, std::string source);
FieldMapping emptyToNullCut(std::string target, std::string source, std::size_t characters);
FieldMapping joinedWithBlank(std::string target, std::string first, std::string second);
FieldMapping constant(std::string target, Variant value);
FieldMapping positionPlusOne(std::string target);
FieldMapping sexOrC(std::string target, std::string source);
FieldMapping paymentMode(std::string target, std::string source);
FieldMapping status(std::string target, std::string source);
FieldMapping personLookup(std::string target, std::string field, std::string table);
} // namespace mapping

// Where a rule reads from: the current source row. Every call reads afresh; nothing is cached, so
// a field that cannot be read fails the assignment that needs it.
class RowSource {
  public:
    virtual ~RowSource() = default;
    virtual Variant field(std::string_view name) = 0;
    virtual std::int64_t absolutePosition() = 0;
    // The value of Field in Table for the current row's FamilyCode and PersCode (the client step's
    // side tables); Null when no row matches, Empty when the lookup itself failed.
    virtual Variant personLookup(const std::string& Field, const std::string& Table) = 0;
};

// The value a mapping line gives for the current row. Throws orrin::Error when a source field
// cannot be read, a comparison meets a value of the wrong kind (13) or the position plus one leaves
// the 32-bit range (6).
Variant evaluate(const FieldMapping& line, RowSource& row);

// The rules on a value already read, for the recodings and their tests.
Variant emptyToNull(const Variant& value);
Variant emptyToNullCut(const Variant& value, std::size_t characters);
Variant joinedWithBlank(const Variant& first, const Variant& second);
Variant positionPlusOne(std::int64_t position);
Variant sexOrC(const Variant& sex);
Variant recodePaymentMode(const Variant& payment);
Variant recodeStatus(const Variant& status);

} // namespace orrin::migration

#include "migration/FieldMapping.h"

#include "value/Conversions.h"
#include "value/Error.h"

#include <limits>
#include <utility>

namespace orrin::migration {

namespace mapping {

FieldMapping copied(std::string target, std::string source)
{
    return {std::move(target), Rule::Copied, std::move(source), {}, {}, 0};
}

FieldMapping emptyToNull(std::string target, std::string source)
{
    return {std::move(target), Rule::EmptyToNull, std::move(source), {}, {}, 0};
}

FieldMapping emptyToNullCut(std::string target, std::string source, std::size_t characters)
{
    return {std::move(target), Rule::EmptyToNullCut, std::move(source), {}, {}, characters};
}

FieldMapping joinedWithBlank(std::string target, std::string first, std::string second)
{
    return {std::move(target), Rule::JoinedWithBlank, std::move(first), std::move(second), {}, 0};
}

FieldMapping constant(std::string target, Variant value)
{
    return {std::move(target), Rule::Constant, {}, {}, std::move(value), 0};
}

FieldMapping positionPlusOne(std::string target)
{
    return {std::move(target), Rule::PositionPlusOne, {}, {}, {}, 0};
}

FieldMapping sexOrC(std::string target, std::string source)
{
    return {std::move(target), Rule::SexOrC, std::move(source), {}, {}, 0};
}

FieldMapping paymentMode(std::string target, std::string source)
{
    return {std::move(target), Rule::PaymentMode, std::move(source), {}, {}, 0};
}

FieldMapping status(std::string target, std::string source)
{
    return {std::move(target), Rule::Status, std::move(source), {}, {}, 0};
}

FieldMapping personLookup(std::string target, std::string field, std::string table)
{
    return {std::move(target), Rule::PersonLookup, std::move(field), std::move(table), {}, 0};
}

} // namespace mapping

namespace {

// "Has length 0": the empty text (and Empty, whose text is empty). Numbers and dates always have
// a text of their own, and Null has no length at all.
bool hasLengthZero(const Variant& value)
{
    return value.isEmpty() || (value.isText() && value.text().empty());
}

} // namespace

Variant emptyToNull(const Variant& value)
{
    return hasLengthZero(value) ? Variant::null() : value;
}

Variant emptyToNullCut(const Variant& value, std::size_t characters)
{
    if (value.isNull() || hasLengthZero(value)) {
        return Variant::null();
    }
    return Variant(firstCharacters(toText(value), characters));
}

Variant joinedWithBlank(const Variant& first, const Variant& second)
{
    return Variant(joinText(first) + " " + joinText(second));
}

Variant positionPlusOne(std::int64_t position)
{
    // The classic sum is 32-bit: a position at the top of the range overflows instead of wrapping.
    if (position >= std::numeric_limits<std::int32_t>::max() ||
        position < std::numeric_limits<std::int32_t>::min()) {
        throw Error(err::Overflow, "Overflow");
    }
    return Variant(static_cast<std::int32_t>(position + 1));
}

// The comparisons below are the program's own (exact, case-sensitive, Null never equal), not the
// engine's, so a lower-case code is not recoded.
Variant sexOrC(const Variant& sex)
{
    return equals(sex, Variant("")) ? Variant("C") : sex;
}

Variant recodePaymentMode(const Variant& payment)
{
    if (equals(payment, Variant("O"))) {
        return Variant("S");
    }
    if (equals(payment, Variant("S"))) {
        return Variant("P");
    }
    return payment;
}

Variant recodeStatus(const Variant& status)
{
    if (equals(status, Variant("I"))) {
        return Variant("N");
    }
    if (equals(status, Variant("R"))) {
        return Variant("T");
    }
    if (equals(status, Variant("D")) || equals(status, Variant("F"))) {
        return Variant("R");
    }
    return Variant("N");
}

Variant evaluate(const FieldMapping& line, RowSource& row)
{
    switch (line.rule) {
    case Rule::Copied:
        return row.field(line.source);
    case Rule::EmptyToNull:
        return emptyToNull(row.field(line.source));
    case Rule::EmptyToNullCut:
        return emptyToNullCut(row.field(line.source), line.cut);
    case Rule::JoinedWithBlank: {
        const Variant first = row.field(line.source);
        return joinedWithBlank(first, row.field(line.second));
    }
    case Rule::Constant:
        return line.constant;
    case Rule::PositionPlusOne:
        return positionPlusOne(row.absolutePosition());
    case Rule::SexOrC:
        return sexOrC(row.field(line.source));
    case Rule::PaymentMode:
        return recodePaymentMode(row.field(line.source));
    case Rule::Status:
        return recodeStatus(row.field(line.source));
    case Rule::PersonLookup:
        return row.personLookup(line.source, line.second);
    }
    return Variant::null();
}

} // namespace orrin::migration

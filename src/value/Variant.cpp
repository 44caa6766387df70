#include "value/Variant.h"

#include "value/Conversions.h"
#include "value/DateValue.h"
#include "value/Error.h"

#include <cmath>

namespace orrin {

double Variant::number() const
{
    switch (type()) {
    case Type::Bool:
        return boolean() ? -1.0 : 0.0;
    case Type::Short:
        return std::get<std::int16_t>(m_value);
    case Type::Long:
        return std::get<std::int32_t>(m_value);
    case Type::Double:
        return std::get<double>(m_value);
    default:
        // A caller that skipped the isNumber() check gets a failure it can log, not a crash.
        throw Error(err::TypeMismatch, "Type mismatch: " + describe(*this) + " is not a number");
    }
}

// Never throws: it is used while an error message is being built.
std::string describe(const Variant& value)
{
    switch (value.type()) {
    case Variant::Type::Empty:
        return "Empty";
    case Variant::Type::Null:
        return "Null";
    case Variant::Type::Text:
        return "\"" + value.text() + "\"";
    case Variant::Type::Bool:
        return value.boolean() ? "True" : "False";
    case Variant::Type::Short:
    case Variant::Type::Long:
    case Variant::Type::Double: {
        const double number = value.number();
        if (std::isnan(number)) {
            return "NaN";
        }
        if (std::isinf(number)) {
            return number > 0 ? "Infinity" : "-Infinity";
        }
        return formatNumber(number);
    }
    case Variant::Type::Date:
        try {
            return formatDate(value.date());
        } catch (const Error&) {
            return "Date(serial " + describe(Variant(value.date().serial)) + ")";
        }
    }
    return "?";
}

} // namespace orrin

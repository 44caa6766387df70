#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace orrin {

// A calendar date with an optional time of day: days counted from 30 December 1899 (day 0), the
// fraction being the time of day. Years 100 to 9999 are valid.
struct Date {
    double serial = 0.0;

    friend bool operator==(const Date&, const Date&) = default;
};

// Every field value, lookup result and working value travels as a Variant. It keeps apart Empty
// (nothing assigned), Null, text, booleans, 16- and 32-bit whole numbers, doubles and dates.
// Text is UTF-8.
class Variant {
  public:
    enum class Type { Empty, Null, Text, Bool, Short, Long, Double, Date };

    Variant() = default; // Empty
    Variant(std::string text) : m_value(std::move(text)) {}
    Variant(const char* text) : m_value(std::string(text)) {}
    Variant(std::string_view text) : m_value(std::string(text)) {}
    Variant(bool value) : m_value(value) {}
    Variant(std::int16_t value) : m_value(value) {}
    Variant(std::int32_t value) : m_value(value) {}
    Variant(double value) : m_value(value) {}
    Variant(Date value) : m_value(value) {}

    static Variant null()
    {
        Variant v;
        v.m_value = NullTag{};
        return v;
    }

    Type type() const { return static_cast<Type>(m_value.index()); }
    bool isEmpty() const { return type() == Type::Empty; }
    bool isNull() const { return type() == Type::Null; }
    bool isText() const { return type() == Type::Text; }
    bool isDate() const { return type() == Type::Date; }
    // Bool, Short, Long or Double.
    bool isNumber() const
    {
        const Type t = type();
        return t == Type::Bool || t == Type::Short || t == Type::Long || t == Type::Double;
    }

    // Accessors for a value known to be of that type (checked with the predicates above).
    const std::string& text() const { return std::get<std::string>(m_value); }
    bool boolean() const { return std::get<bool>(m_value); }
    Date date() const { return std::get<Date>(m_value); }
    // The numeric value of a Bool (-1 for true, 0 for false), Short, Long or Double.
    double number() const;

    // Exact identity of type and value (for tests and caches); Null == Null here. This is not the
    // comparison of the program's conditions: that is orrin::equals() in value/Conversions.h.
    friend bool operator==(const Variant& a, const Variant& b) { return a.m_value == b.m_value; }

  private:
    struct EmptyTag {
        friend bool operator==(EmptyTag, EmptyTag) { return true; }
    };
    struct NullTag {
        friend bool operator==(NullTag, NullTag) { return true; }
    };
    std::variant<EmptyTag, NullTag, std::string, bool, std::int16_t, std::int32_t, double, Date> m_value;
};

// A readable rendering for test output and messages: Empty, Null, "text", 12, 2001-03-15 ...
std::string describe(const Variant& value);

} // namespace orrin

#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace orrin {

// A failure of one statement: a number and a description that names what failed (table, field,
// value, file). Conversion failures carry the classic runtime numbers below; failures of the data
// store carry negative provider-style numbers (see store/StoreError.h).
class Error : public std::runtime_error {
  public:
    Error(std::int32_t number, std::string description)
        : std::runtime_error(description), m_number(number), m_description(std::move(description))
    {
    }

    std::int32_t number() const { return m_number; }
    const std::string& description() const { return m_description; }

  private:
    std::int32_t m_number;
    std::string m_description;
};

namespace err {
constexpr std::int32_t InvalidCall = 5;   // "Invalid procedure call or argument"
constexpr std::int32_t Overflow = 6;      // "Overflow"
constexpr std::int32_t Subscript = 9;     // "Subscript out of range"
constexpr std::int32_t TypeMismatch = 13; // "Type mismatch"
constexpr std::int32_t FileError = 75;    // "Path/File access error" (the error log)
constexpr std::int32_t ObjectNotSet = 91; // "Object variable or With block variable not set"
constexpr std::int32_t InvalidNull = 94;  // "Invalid use of Null"
} // namespace err

} // namespace orrin

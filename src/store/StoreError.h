#pragma once

#include "value/Error.h"

#include <cstdint>

namespace orrin::store {

// Provider-style numbers of data-access failures (negative, as database providers report them).
namespace code {
constexpr std::int32_t General = -2147467259;       // 0x80004005: open failed, engine error
constexpr std::int32_t NotFound = -2147217865;      // 0x80040E37: table or query not found
constexpr std::int32_t BadQuery = -2147217900;      // 0x80040E14: the engine rejects the SQL text
constexpr std::int32_t UnknownField = -2147217904;  // 0x80040E10: a name the query does not know
constexpr std::int32_t ItemNotFound = 3265;         // field name not in the recordset
constexpr std::int32_t NoCurrentRow = 3021;         // BOF or EOF is true
constexpr std::int32_t NotInAddMode = 3020;         // assignment or Update without AddNew
constexpr std::int32_t FieldTooSmall = -2147217887; // 0x80040E21: text too long for the field
constexpr std::int32_t Closed = 3704;               // operation on a closed object
constexpr std::int32_t Abandoned = -2147467260;     // the engine rolled the transaction back
constexpr std::int32_t AlreadyOpen = 3705;          // opening an object that is open
constexpr std::int32_t NotSupported = 3251;         // the operation does not apply to this object
constexpr std::int32_t InUse = -2147467262;         // another program held a lock past the run's patience
constexpr std::int32_t Damaged = 3049;              // the file is damaged: a page, a table that does not read
} // namespace code

} // namespace orrin::store

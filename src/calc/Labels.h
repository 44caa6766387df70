#pragma once

namespace orrin::calc {

// The labels under which each procedure of the calculation module logs its failures.
namespace labels {
inline constexpr const char* DFirst2 =
    "Public Function DFirst2(Field As String, Table As String, Optional Condition As String) As Variant";
inline constexpr const char* OrrinDFirst =
    "Public Function OrrinDFirst(Field As String, Table As String, Optional Condition As String) As Variant";
inline constexpr const char* NewBonus = "Common - Public Function NewBonus(comDt As Date, Plan As String, "
                                        "Term As Double, Amount As Double) As Double";
inline constexpr const char* FBonus =
    "Common - Public Function FBonus(Term As Double, SA As Double) As String";
inline constexpr const char* NewMat2 =
    "Common - Public Function NewMat2(ComDt As Date, Plan As String, Term As Double, Amount As Double, "
    "Optional Prem As Double, Optional Mode As String) As Double";
inline constexpr const char* UpdatePolicySchedule =
    "Common - Public Sub UpdatePolicySchedule(database As Database, PolicyRow As ADODB.Recordset)";
} // namespace labels

} // namespace orrin::calc

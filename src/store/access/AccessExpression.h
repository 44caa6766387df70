#pragma once

// The expressions that an Access table keeps in its DefaultValue and ValidationRule properties, in
// the part of Access's expression language that the table designer produces for them: literals
// (numbers, "text" and 'text', #dates#, True/False/Yes/No/On/Off, Null), field references [F],
// arithmetic + - * / \ Mod ^, the join &, comparisons, And/Or/Not/Xor, Between ... And, In (...),
// Like with * ? # [..], Is [Not] Null, and the common functions (Len, Left, Right, Mid, Trim,
// LTrim, RTrim, UCase, LCase, Date, Now, Time, Year, Month, Day, DateAdd, DateDiff, IsNull, Nz, IIf,
// Val). Anything else does not parse, and the caller names the expression as one it cannot apply.
//
// Values follow the engine: Null spreads through arithmetic and comparisons, And/Or/Not use three
// truth values, text compares without regard to letter case, numbers come out as doubles.

#include "value/Variant.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orrin::store::access {

// What an expression reads when it is evaluated: its fields (by the number the resolver gave them
// at parsing) and the moment that Date(), Now() and Time() stand for.
struct ExpressionContext {
    std::function<Variant(int field)> field;
    Date now{0.0};
};

class AccessExpression {
  public:
    // Finds the number of a field named in brackets, or nothing for a name the table lacks.
    using FieldResolver = std::function<std::optional<int>(std::string_view name)>;

    // Parses a whole expression ("=" in front allowed, as the designer sometimes keeps it). Nothing
    // when the text is outside the language, names an unknown field, or is empty; why (when given)
    // then says what stopped the parse.
    static std::optional<AccessExpression> parse(std::string_view text, const FieldResolver& fields,
                                                 std::string* why = nullptr);
    // Parses a column's validation rule, in which a comparison without a left side (">=18",
    // "Between 1 And 9", "In ('A','B')", "Like 'A*'", "Is Not Null", "<>''") compares the column
    // itself, whose number is self, and a bare value ("'A' Or 'B'") means equality with it.
    static std::optional<AccessExpression> parseColumnRule(std::string_view text, const FieldResolver& fields,
                                                           int self, std::string* why = nullptr);

    // The value of the expression. Throws orrin::Error for what the engine also refuses while
    // evaluating: 11 for a division by zero, 13 for a value of the wrong kind, 6 for an overflow,
    // 5 for an invalid argument.
    Variant evaluate(const ExpressionContext& context) const;

    // True when the expression reads no field (a default value).
    bool readsFields() const;
    // True when it is the call GenUniqueID() (the default of a random AutoNumber).
    bool isGenUniqueId() const;

    struct Node;

  private:
    std::shared_ptr<const Node> m_root;
};

// The local date and time now, as the engine's Now() gives it (to the second).
Date localNow();

} // namespace orrin::store::access

#include "store/access/AccessExpression.h"

#include "platform/LocalTime.h"

#include "value/Conversions.h"
#include "value/DateValue.h"
#include "value/Error.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <limits>

namespace orrin::store::access {

enum class Op {
    Literal,
    Field,
    Neg,
    Add,
    Sub,
    Mul,
    Div,
    IntDiv,
    Mod,
    Pow,
    Join,
    Eq,
    Ne,
    Lt,
    Le,
    Gt,
    Ge,
    Like,
    Between,
    In,
    IsNull,
    And,
    Or,
    Xor,
    Not,
    Call
};

struct AccessExpression::Node {
    Op op = Op::Literal;
    Variant value;        // Literal
    int field = -1;       // Field
    std::string function; // Call: the function's name in upper case
    std::vector<std::shared_ptr<const Node>> kids;
};

namespace {

using NodePtr = std::shared_ptr<const AccessExpression::Node>;

struct ParseFailure {
    std::string why;
};

template <typename... Kids> NodePtr make(Op op, Kids... kids)
{
    auto node = std::make_shared<AccessExpression::Node>();
    node->op = op;
    (node->kids.push_back(std::move(kids)), ...);
    return node;
}

NodePtr makeList(Op op, std::vector<NodePtr> kids)
{
    auto node = std::make_shared<AccessExpression::Node>();
    node->op = op;
    node->kids = std::move(kids);
    return node;
}

NodePtr literal(Variant value)
{
    auto node = std::make_shared<AccessExpression::Node>();
    node->value = std::move(value);
    return node;
}

NodePtr fieldNode(int field)
{
    auto node = std::make_shared<AccessExpression::Node>();
    node->op = Op::Field;
    node->field = field;
    return node;
}

std::string upper(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

// --- Text as the engine compares it -------------------------------------------------------------

std::u32string codePoints(std::string_view text)
{
    std::u32string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
        char32_t cp = extra == 0 ? c : extra == 1 ? (c & 0x1F) : extra == 2 ? (c & 0x0F) : (c & 0x07);
        for (int k = 1; k <= extra && i + static_cast<std::size_t>(k) < text.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]) & 0x3F);
        out.push_back(cp);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

std::string utf8(const std::u32string& text)
{
    std::string out;
    for (const char32_t cp : text) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

// Lower case for the Latin letters (ASCII and Latin-1), which is how rules on agency data compare.
char32_t foldCase(char32_t c)
{
    if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return c + 0x20;
    return c;
}

char32_t raiseCase(char32_t c)
{
    if ((c >= U'a' && c <= U'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
        return c - 0x20;
    return c;
}

int compareText(std::string_view a, std::string_view b)
{
    const std::u32string x = codePoints(a);
    const std::u32string y = codePoints(b);
    for (std::size_t i = 0; i < x.size() && i < y.size(); ++i) {
        const char32_t p = foldCase(x[i]);
        const char32_t q = foldCase(y[i]);
        if (p != q)
            return p < q ? -1 : 1;
    }
    return x.size() == y.size() ? 0 : x.size() < y.size() ? -1 : 1;
}

// Like: * any run, ? one character, # one digit, [abc] [a-z] [!abc] one of (or none of) a set.
bool likeMatch(const std::u32string& text, std::size_t t, const std::u32string& pattern, std::size_t p)
{
    while (p < pattern.size()) {
        const char32_t c = pattern[p];
        if (c == U'*') {
            for (std::size_t from = t; from <= text.size(); ++from)
                if (likeMatch(text, from, pattern, p + 1))
                    return true;
            return false;
        }
        if (t >= text.size())
            return false;
        if (c == U'?') {
        } else if (c == U'#') {
            if (text[t] < U'0' || text[t] > U'9')
                return false;
        } else if (c == U'[') {
            const std::size_t close = pattern.find(U']', p + 1);
            if (close == std::u32string::npos)
                throw Error(err::InvalidCall,
                            "Invalid procedure call or argument: the pattern has an open '['");
            std::size_t at = p + 1;
            const bool negate = at < close && pattern[at] == U'!';
            if (negate)
                ++at;
            bool found = false;
            for (; at < close; ++at) {
                if (at + 2 < close && pattern[at + 1] == U'-') {
                    const char32_t low = foldCase(pattern[at]);
                    const char32_t high = foldCase(pattern[at + 2]);
                    const char32_t x = foldCase(text[t]);
                    found = found || (x >= low && x <= high);
                    at += 2;
                } else {
                    found = found || foldCase(pattern[at]) == foldCase(text[t]);
                }
            }
            if (found == negate)
                return false;
            p = close;
        } else if (foldCase(c) != foldCase(text[t])) {
            return false;
        }
        ++t;
        ++p;
    }
    return t == text.size();
}

// --- Date literals: #month/day/year#, #year-month-day#, each with an optional time; a time alone ---

std::optional<Date> parseDateLiteral(std::string_view text)
{
    std::size_t at = 0;
    const auto blanks = [&] {
        while (at < text.size() && text[at] == ' ')
            ++at;
    };
    const auto number = [&](int& out) {
        const std::size_t start = at;
        out = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < 5)
            out = out * 10 + (text[at++] - '0');
        return at > start;
    };
    blanks();
    int year = 1899;
    int month = 12;
    int day = 30;
    int a = 0;
    const std::size_t start = at;
    if (!number(a))
        return std::nullopt;
    if (at < text.size() && (text[at] == '/' || text[at] == '-')) {
        const char sep = text[at++];
        int b = 0;
        int c = 0;
        if (!number(b) || at >= text.size() || text[at] != sep)
            return std::nullopt;
        ++at;
        if (!number(c))
            return std::nullopt;
        if (sep == '-' && at - start >= 8 && a >= 100) {
            year = a;
            month = b;
            day = c;
        } else {
            month = a;
            day = b;
            year = c < 30 ? 2000 + c : c < 100 ? 1900 + c : c;
        }
        blanks();
        if (at == text.size()) {
            try {
                return makeDate(year, month, day);
            } catch (const Error&) {
                return std::nullopt;
            }
        }
        if (!number(a))
            return std::nullopt;
    }
    // The time: hours[:minutes[:seconds]] [AM|PM]
    int hour = a;
    int minute = 0;
    int second = 0;
    if (at < text.size() && text[at] == ':') {
        ++at;
        if (!number(minute))
            return std::nullopt;
        if (at < text.size() && text[at] == ':') {
            ++at;
            if (!number(second))
                return std::nullopt;
        }
    } else {
        return std::nullopt;
    }
    blanks();
    const std::string rest = upper(text.substr(at));
    if (rest == "PM" && hour < 12)
        hour += 12;
    else if (rest == "AM" && hour == 12)
        hour = 0;
    else if (!rest.empty() && rest != "AM" && rest != "PM")
        return std::nullopt;
    if (hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    try {
        return makeDate(year, month, day, hour, minute, second);
    } catch (const Error&) {
        return std::nullopt;
    }
}

// --- Tokens -----------------------------------------------------------------------------------------

struct Token {
    enum class Kind { Number, Text, Date, Word, Field, Symbol, End };
    Kind kind = Kind::End;
    std::string text; // Text: the value; Word, Field, Symbol: as written
    double number = 0.0;
    Date date{0.0};
};

std::vector<Token> tokenize(std::string_view text)
{
    std::vector<Token> tokens;
    std::size_t at = 0;
    while (at < text.size()) {
        const char c = text[at];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++at;
            continue;
        }
        Token token;
        if ((c >= '0' && c <= '9') ||
            (c == '.' && at + 1 < text.size() && text[at + 1] >= '0' && text[at + 1] <= '9')) {
            const std::size_t start = at;
            while (at < text.size() && ((text[at] >= '0' && text[at] <= '9') || text[at] == '.'))
                ++at;
            if (at < text.size() && (text[at] == 'E' || text[at] == 'e')) {
                std::size_t probe = at + 1;
                if (probe < text.size() && (text[probe] == '+' || text[probe] == '-'))
                    ++probe;
                if (probe < text.size() && text[probe] >= '0' && text[probe] <= '9') {
                    at = probe;
                    while (at < text.size() && text[at] >= '0' && text[at] <= '9')
                        ++at;
                }
            }
            const auto value = parseNumber(text.substr(start, at - start));
            if (!value)
                throw ParseFailure{"the number '" + std::string(text.substr(start, at - start)) + "'"};
            token.kind = Token::Kind::Number;
            token.number = *value;
        } else if (c == '"' || c == '\'') {
            token.kind = Token::Kind::Text;
            ++at;
            for (;;) {
                if (at >= text.size())
                    throw ParseFailure{"a text without its closing quote"};
                if (text[at] == c) {
                    if (at + 1 < text.size() && text[at + 1] == c) {
                        token.text += c;
                        at += 2;
                        continue;
                    }
                    ++at;
                    break;
                }
                token.text += text[at++];
            }
        } else if (c == '#') {
            const std::size_t close = text.find('#', at + 1);
            if (close == std::string_view::npos)
                throw ParseFailure{"a date without its closing '#'"};
            const auto date = parseDateLiteral(text.substr(at + 1, close - at - 1));
            if (!date)
                throw ParseFailure{"the date #" + std::string(text.substr(at + 1, close - at - 1)) + "#"};
            token.kind = Token::Kind::Date;
            token.date = *date;
            at = close + 1;
        } else if (c == '[') {
            const std::size_t close = text.find(']', at + 1);
            if (close == std::string_view::npos || close == at + 1)
                throw ParseFailure{"a field name without its closing ']'"};
            token.kind = Token::Kind::Field;
            token.text = std::string(text.substr(at + 1, close - at - 1));
            at = close + 1;
        } else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_') {
            const std::size_t start = at;
            while (at < text.size() &&
                   ((text[at] >= 'A' && text[at] <= 'Z') || (text[at] >= 'a' && text[at] <= 'z') ||
                    (text[at] >= '0' && text[at] <= '9') || text[at] == '_'))
                ++at;
            token.kind = Token::Kind::Word;
            token.text = upper(text.substr(start, at - start));
        } else {
            static const char* const symbols[] = {"<=", ">=", "<>", "+", "-", "*", "/", "\\",
                                                  "^",  "&",  "=",  "<", ">", "(", ")", ","};
            bool found = false;
            for (const char* symbol : symbols) {
                const std::string_view s(symbol);
                if (text.substr(at, s.size()) == s) {
                    token.kind = Token::Kind::Symbol;
                    token.text = std::string(s);
                    at += s.size();
                    found = true;
                    break;
                }
            }
            if (!found)
                throw ParseFailure{"the character '" + std::string(1, c) + "'"};
        }
        tokens.push_back(std::move(token));
    }
    tokens.push_back(Token{});
    return tokens;
}

// --- Parsing ------------------------------------------------------------------------------------------

struct FunctionShape {
    const char* name;
    int least;
    int most;
};

constexpr FunctionShape kFunctions[] = {
    {"LEN", 1, 1},     {"LEFT", 2, 2},        {"RIGHT", 2, 2},  {"MID", 2, 3},   {"TRIM", 1, 1},
    {"LTRIM", 1, 1},   {"RTRIM", 1, 1},       {"UCASE", 1, 1},  {"LCASE", 1, 1}, {"DATE", 0, 0},
    {"NOW", 0, 0},     {"TIME", 0, 0},        {"YEAR", 1, 1},   {"MONTH", 1, 1}, {"DAY", 1, 1},
    {"DATEADD", 3, 3}, {"DATEDIFF", 3, 3},    {"ISNULL", 1, 1}, {"NZ", 1, 2},    {"IIF", 3, 3},
    {"VAL", 1, 1},     {"GENUNIQUEID", 0, 0},
};

class Parser {
  public:
    Parser(std::vector<Token> tokens, const AccessExpression::FieldResolver& fields, int self)
        : m_tokens(std::move(tokens)), m_fields(fields), m_self(self)
    {
    }

    NodePtr whole()
    {
        if (isSymbol("="))
            ++m_at;
        if (peek().kind == Token::Kind::End)
            throw ParseFailure{"an empty expression"};
        NodePtr root = orLevel();
        if (peek().kind != Token::Kind::End)
            throw ParseFailure{"'" + describe(peek()) + "' where the expression should end"};
        return root;
    }

  private:
    const Token& peek(std::size_t ahead = 0) const
    {
        const std::size_t at = std::min(m_at + ahead, m_tokens.size() - 1);
        return m_tokens[at];
    }
    bool isSymbol(std::string_view s, std::size_t ahead = 0) const
    {
        return peek(ahead).kind == Token::Kind::Symbol && peek(ahead).text == s;
    }
    bool isWord(std::string_view w, std::size_t ahead = 0) const
    {
        return peek(ahead).kind == Token::Kind::Word && peek(ahead).text == w;
    }
    static std::string describe(const Token& t)
    {
        switch (t.kind) {
        case Token::Kind::Number:
            return formatNumber(t.number);
        case Token::Kind::Text:
            return "\"" + t.text + "\"";
        case Token::Kind::Date:
            return "#date#";
        case Token::Kind::Field:
            return "[" + t.text + "]";
        case Token::Kind::End:
            return "the end";
        default:
            return t.text;
        }
    }
    void expectSymbol(std::string_view s)
    {
        if (!isSymbol(s))
            throw ParseFailure{"'" + describe(peek()) + "' where '" + std::string(s) + "' should be"};
        ++m_at;
    }

    NodePtr orLevel()
    {
        NodePtr left = andLevel();
        while (isWord("OR") || isWord("XOR")) {
            const Op op = peek().text == "OR" ? Op::Or : Op::Xor;
            ++m_at;
            left = make(op, left, andLevel());
        }
        return left;
    }

    NodePtr andLevel()
    {
        NodePtr left = notLevel();
        while (isWord("AND")) {
            ++m_at;
            left = make(Op::And, left, notLevel());
        }
        return left;
    }

    NodePtr notLevel()
    {
        if (isWord("NOT") &&
            !(m_self >= 0 && (isWord("LIKE", 1) || isWord("BETWEEN", 1) || isWord("IN", 1)))) {
            ++m_at;
            return make(Op::Not, notLevel());
        }
        NodePtr node = comparison();
        // In a column's rule a bare value is the column's value it must equal.
        if (m_self >= 0 && m_nesting == 0 && node->op == Op::Literal)
            return make(Op::Eq, fieldNode(m_self), node);
        return node;
    }

    bool startsPartialComparison() const
    {
        if (peek().kind == Token::Kind::Symbol)
            return isSymbol("=") || isSymbol("<>") || isSymbol("<") || isSymbol(">") || isSymbol("<=") ||
                   isSymbol(">=");
        return isWord("LIKE") || isWord("BETWEEN") || isWord("IN") || isWord("IS") ||
               (isWord("NOT") && (isWord("LIKE", 1) || isWord("BETWEEN", 1) || isWord("IN", 1)));
    }

    NodePtr comparison()
    {
        NodePtr left = m_self >= 0 && startsPartialComparison() ? fieldNode(m_self) : join();
        for (;;) {
            static const std::pair<const char*, Op> kComparisons[] = {
                {"=", Op::Eq}, {"<>", Op::Ne}, {"<", Op::Lt}, {"<=", Op::Le}, {">", Op::Gt}, {">=", Op::Ge}};
            bool compared = false;
            for (const auto& [symbol, op] : kComparisons) {
                if (isSymbol(symbol)) {
                    ++m_at;
                    left = make(op, left, join());
                    compared = true;
                    break;
                }
            }
            if (compared)
                continue;
            bool negate = false;
            if (isWord("NOT") && (isWord("LIKE", 1) || isWord("BETWEEN", 1) || isWord("IN", 1))) {
                negate = true;
                ++m_at;
            }
            if (isWord("LIKE")) {
                ++m_at;
                left = make(Op::Like, left, join());
            } else if (isWord("BETWEEN")) {
                ++m_at;
                NodePtr low = join();
                if (!isWord("AND"))
                    throw ParseFailure{"'" + describe(peek()) + "' where the 'And' of 'Between' should be"};
                ++m_at;
                left = make(Op::Between, left, low, join());
            } else if (isWord("IN")) {
                ++m_at;
                expectSymbol("(");
                std::vector<NodePtr> kids{left};
                ++m_nesting;
                kids.push_back(orLevel());
                while (isSymbol(",")) {
                    ++m_at;
                    kids.push_back(orLevel());
                }
                --m_nesting;
                expectSymbol(")");
                left = makeList(Op::In, std::move(kids));
            } else if (isWord("IS")) {
                ++m_at;
                if (isWord("NOT")) {
                    negate = true;
                    ++m_at;
                }
                if (!isWord("NULL"))
                    throw ParseFailure{"'" + describe(peek()) + "' where 'Null' should follow 'Is'"};
                ++m_at;
                left = make(Op::IsNull, left);
            } else {
                if (negate)
                    throw ParseFailure{"'Not' in the middle of a comparison"};
                return left;
            }
            if (negate)
                left = make(Op::Not, left);
        }
    }

    NodePtr join()
    {
        NodePtr left = additive();
        while (isSymbol("&")) {
            ++m_at;
            left = make(Op::Join, left, additive());
        }
        return left;
    }

    NodePtr additive()
    {
        NodePtr left = modulo();
        while (isSymbol("+") || isSymbol("-")) {
            const Op op = peek().text == "+" ? Op::Add : Op::Sub;
            ++m_at;
            left = make(op, left, modulo());
        }
        return left;
    }

    NodePtr modulo()
    {
        NodePtr left = integerDivision();
        while (isWord("MOD")) {
            ++m_at;
            left = make(Op::Mod, left, integerDivision());
        }
        return left;
    }

    NodePtr integerDivision()
    {
        NodePtr left = multiplicative();
        while (isSymbol("\\")) {
            ++m_at;
            left = make(Op::IntDiv, left, multiplicative());
        }
        return left;
    }

    NodePtr multiplicative()
    {
        NodePtr left = negation();
        while (isSymbol("*") || isSymbol("/")) {
            const Op op = peek().text == "*" ? Op::Mul : Op::Div;
            ++m_at;
            left = make(op, left, negation());
        }
        return left;
    }

    NodePtr negation()
    {
        if (isSymbol("-")) {
            ++m_at;
            NodePtr operand = negation();
            if (operand->op == Op::Literal && operand->value.type() == Variant::Type::Double)
                return literal(Variant(-operand->value.number()));
            return make(Op::Neg, operand);
        }
        if (isSymbol("+")) {
            ++m_at;
            return negation();
        }
        return power();
    }

    NodePtr power()
    {
        NodePtr left = primary();
        while (isSymbol("^")) {
            ++m_at;
            NodePtr right;
            if (isSymbol("-")) {
                ++m_at;
                right = make(Op::Neg, primary());
            } else {
                right = primary();
            }
            left = make(Op::Pow, left, right);
        }
        return left;
    }

    NodePtr primary()
    {
        const Token token = peek();
        switch (token.kind) {
        case Token::Kind::Number:
            ++m_at;
            return literal(Variant(token.number));
        case Token::Kind::Text:
            ++m_at;
            return literal(Variant(token.text));
        case Token::Kind::Date:
            ++m_at;
            return literal(Variant(token.date));
        case Token::Kind::Field: {
            ++m_at;
            const auto found = m_fields ? m_fields(token.text) : std::nullopt;
            if (!found)
                throw ParseFailure{"the field [" + token.text + "], which the table does not have"};
            return fieldNode(*found);
        }
        case Token::Kind::Symbol:
            if (token.text == "(") {
                ++m_at;
                ++m_nesting;
                NodePtr inner = orLevel();
                --m_nesting;
                expectSymbol(")");
                return inner;
            }
            break;
        case Token::Kind::Word:
            return word();
        case Token::Kind::End:
            break;
        }
        throw ParseFailure{"'" + describe(token) + "' where a value should be"};
    }

    NodePtr word()
    {
        const std::string name = peek().text;
        ++m_at;
        if (name == "TRUE" || name == "YES" || name == "ON")
            return literal(Variant(true));
        if (name == "FALSE" || name == "NO" || name == "OFF")
            return literal(Variant(false));
        if (name == "NULL")
            return literal(Variant::null());
        const FunctionShape* shape = nullptr;
        for (const auto& f : kFunctions)
            if (name == f.name)
                shape = &f;
        if (shape == nullptr)
            throw ParseFailure{"'" + name + "', which is not a function or value these rules know"};
        auto call = std::make_shared<AccessExpression::Node>();
        call->op = Op::Call;
        call->function = name;
        if (isSymbol("(")) {
            ++m_at;
            ++m_nesting;
            if (!isSymbol(")")) {
                call->kids.push_back(orLevel());
                while (isSymbol(",")) {
                    ++m_at;
                    call->kids.push_back(orLevel());
                }
            }
            --m_nesting;
            expectSymbol(")");
        } else if (shape->least > 0) {
            throw ParseFailure{"'" + name + "' without its arguments"};
        }
        const int count = static_cast<int>(call->kids.size());
        if (count < shape->least || count > shape->most)
            throw ParseFailure{"'" + name + "' with " + std::to_string(count) + " arguments"};
        return call;
    }

    std::vector<Token> m_tokens;
    std::size_t m_at = 0;
    const AccessExpression::FieldResolver& m_fields;
    int m_self;
    int m_nesting = 0; // inside parentheses, a list or a call's arguments
};

// --- Evaluation -------------------------------------------------------------------------------------

double numberOf(const Variant& v)
{
    switch (v.type()) {
    case Variant::Type::Empty:
        return 0.0;
    case Variant::Type::Bool:
        return v.boolean() ? -1.0 : 0.0;
    case Variant::Type::Date:
        return v.date().serial;
    case Variant::Type::Text:
        if (const auto n = parseNumber(v.text()))
            return *n;
        if (const auto d = parseDateLiteral(v.text()))
            return d->serial;
        throw Error(err::TypeMismatch, "Type mismatch: \"" + v.text() + "\" is not a number");
    default:
        return v.number();
    }
}

// Null is unknown; numbers are true unless 0.
std::optional<bool> truthOf(const Variant& v)
{
    if (v.isNull())
        return std::nullopt;
    if (v.isText()) {
        if (compareText(v.text(), "True") == 0 || compareText(v.text(), "Yes") == 0)
            return true;
        if (compareText(v.text(), "False") == 0 || compareText(v.text(), "No") == 0)
            return false;
    }
    return numberOf(v) != 0.0;
}

bool numeric(const Variant& v)
{
    return v.isNumber() || v.type() == Variant::Type::Bool || v.isDate();
}

// The order of two values that are not Null: text with text without regard to letter case, numbers
// and dates by value, text against a number as a number when it reads as one (or a date), else as
// text.
int compareValues(const Variant& a, const Variant& b)
{
    const bool aText = a.isText() || a.isEmpty();
    const bool bText = b.isText() || b.isEmpty();
    if (aText && bText)
        return compareText(joinText(a), joinText(b));
    if (numeric(a) && numeric(b)) {
        const double x = numberOf(a);
        const double y = numberOf(b);
        return x < y ? -1 : x > y ? 1 : 0;
    }
    const Variant& text = aText ? a : b;
    const auto reading = parseNumber(joinText(text)) ? parseNumber(joinText(text))
                         : parseDateLiteral(joinText(text))
                             ? std::optional<double>(parseDateLiteral(joinText(text))->serial)
                             : std::nullopt;
    if (reading) {
        const double x = aText ? *reading : numberOf(a);
        const double y = bText ? *reading : numberOf(b);
        return x < y ? -1 : x > y ? 1 : 0;
    }
    return compareText(joinText(a), joinText(b));
}

Date dateOf(const Variant& v)
{
    if (v.isText())
        if (const auto d = parseDateLiteral(v.text()))
            return *d;
    return toDate(v);
}

Date addMonths(Date date, double months)
{
    const CalendarDate c = calendar(date);
    const long long total =
        static_cast<long long>(c.year) * 12 + (c.month - 1) + static_cast<long long>(roundHalfEven(months));
    const int year = static_cast<int>(total / 12);
    const int month = static_cast<int>(total % 12) + 1;
    if (year < 100 || year > 9999)
        throw Error(err::InvalidCall,
                    "Invalid procedure call or argument: the date leaves the years 100 to 9999");
    const int day = std::min(c.day, daysInMonth(year, month));
    const double time = std::fabs(date.serial - std::trunc(date.serial));
    const Date base = makeDate(year, month, day);
    return Date{base.serial >= 0 ? base.serial + time : base.serial - time};
}

Variant dateAdd(const std::string& interval, double count, Date date)
{
    const std::string i = upper(interval);
    if (i == "YYYY")
        return Variant(addMonths(date, roundHalfEven(count) * 12));
    if (i == "Q")
        return Variant(addMonths(date, roundHalfEven(count) * 3));
    if (i == "M")
        return Variant(addMonths(date, count));
    double days = 0.0;
    if (i == "D" || i == "Y" || i == "W")
        days = roundHalfEven(count);
    else if (i == "WW")
        days = roundHalfEven(count) * 7;
    else if (i == "H")
        days = roundHalfEven(count) / 24.0;
    else if (i == "N")
        days = roundHalfEven(count) / 1440.0;
    else if (i == "S")
        days = roundHalfEven(count) / 86400.0;
    else
        throw Error(err::InvalidCall,
                    "Invalid procedure call or argument: the interval \"" + interval + "\"");
    const Date result{date.serial + days};
    calendar(result); // throws 5 outside the years 100..9999
    return Variant(result);
}

Variant dateDiff(const std::string& interval, Date from, Date to)
{
    const std::string i = upper(interval);
    const CalendarDate a = calendar(from);
    const CalendarDate b = calendar(to);
    if (i == "YYYY")
        return Variant(static_cast<double>(b.year - a.year));
    if (i == "Q")
        return Variant(
            static_cast<double>((b.year * 4 + (b.month - 1) / 3) - (a.year * 4 + (a.month - 1) / 3)));
    if (i == "M")
        return Variant(static_cast<double>((b.year * 12 + b.month) - (a.year * 12 + a.month)));
    const double dayA = std::floor(from.serial);
    const double dayB = std::floor(to.serial);
    if (i == "D" || i == "Y")
        return Variant(dayB - dayA);
    if (i == "W")
        return Variant(std::trunc((dayB - dayA) / 7.0));
    if (i == "WW") // Sundays crossed; day 1 (31 December 1899) was a Sunday
        return Variant(std::floor((dayB - 1) / 7.0) - std::floor((dayA - 1) / 7.0));
    const double seconds = std::round((to.serial - from.serial) * 86400.0);
    if (i == "H")
        return Variant(std::trunc(seconds / 3600.0));
    if (i == "N")
        return Variant(std::trunc(seconds / 60.0));
    if (i == "S")
        return Variant(seconds);
    throw Error(err::InvalidCall, "Invalid procedure call or argument: the interval \"" + interval + "\"");
}

std::string trimmed(const std::string& text, bool left, bool right)
{
    std::size_t start = 0;
    std::size_t end = text.size();
    while (left && start < end && text[start] == ' ')
        ++start;
    while (right && end > start && text[end - 1] == ' ')
        --end;
    return text.substr(start, end - start);
}

long long wholeCount(const Variant& v, const char* function)
{
    if (v.isNull())
        throw Error(err::InvalidNull, std::string("Invalid use of Null: the length given to ") + function);
    const double n = roundHalfEven(numberOf(v));
    if (n < 0)
        throw Error(err::InvalidCall,
                    std::string("Invalid procedure call or argument: a negative length for ") + function);
    return static_cast<long long>(std::min(n, 1e9));
}

Variant evaluateNode(const AccessExpression::Node& node, const ExpressionContext& context);

Variant call(const AccessExpression::Node& node, const ExpressionContext& context)
{
    const std::string& f = node.function;
    const auto arg = [&](std::size_t i) { return evaluateNode(*node.kids[i], context); };
    if (f == "DATE")
        return Variant(Date{std::floor(context.now.serial)});
    if (f == "NOW")
        return Variant(context.now);
    if (f == "TIME") {
        const CalendarDate now = calendar(context.now);
        return Variant(Date{(now.hour * 3600 + now.minute * 60 + now.second) / 86400.0});
    }
    if (f == "GENUNIQUEID")
        return Variant::null();
    if (f == "IIF") {
        const auto condition = truthOf(arg(0));
        return condition.value_or(false) ? arg(1) : arg(2);
    }
    if (f == "NZ") {
        Variant value = arg(0);
        if (!value.isNull())
            return value;
        return node.kids.size() > 1 ? arg(1) : Variant();
    }
    if (f == "ISNULL")
        return Variant(arg(0).isNull());
    if (f == "VAL")
        return Variant(Val(arg(0)));
    if (f == "DATEADD") {
        const Variant interval = arg(0);
        const Variant count = arg(1);
        const Variant date = arg(2);
        if (date.isNull())
            return Variant::null();
        if (interval.isNull() || count.isNull())
            throw Error(err::InvalidNull, "Invalid use of Null: an argument of DateAdd");
        return dateAdd(joinText(interval), numberOf(count), dateOf(date));
    }
    if (f == "DATEDIFF") {
        const Variant interval = arg(0);
        const Variant from = arg(1);
        const Variant to = arg(2);
        if (from.isNull() || to.isNull())
            return Variant::null();
        if (interval.isNull())
            throw Error(err::InvalidNull, "Invalid use of Null: the interval of DateDiff");
        return dateDiff(joinText(interval), dateOf(from), dateOf(to));
    }
    const Variant first = arg(0);
    if (first.isNull())
        return Variant::null();
    if (f == "YEAR")
        return Variant(static_cast<double>(calendar(dateOf(first)).year));
    if (f == "MONTH")
        return Variant(static_cast<double>(calendar(dateOf(first)).month));
    if (f == "DAY")
        return Variant(static_cast<double>(calendar(dateOf(first)).day));
    const std::string text = joinText(first);
    if (f == "LEN")
        return Variant(static_cast<double>(characterCount(text)));
    if (f == "TRIM")
        return Variant(trimmed(text, true, true));
    if (f == "LTRIM")
        return Variant(trimmed(text, true, false));
    if (f == "RTRIM")
        return Variant(trimmed(text, false, true));
    std::u32string points = codePoints(text);
    if (f == "UCASE" || f == "LCASE") {
        for (char32_t& c : points)
            c = f == "UCASE" ? raiseCase(c) : foldCase(c);
        return Variant(utf8(points));
    }
    if (f == "LEFT") {
        const auto n = static_cast<std::size_t>(wholeCount(arg(1), "Left"));
        return Variant(utf8(points.substr(0, std::min(n, points.size()))));
    }
    if (f == "RIGHT") {
        const auto n = std::min(static_cast<std::size_t>(wholeCount(arg(1), "Right")), points.size());
        return Variant(utf8(points.substr(points.size() - n)));
    }
    if (f == "MID") {
        const long long start = wholeCount(arg(1), "Mid");
        if (start < 1)
            throw Error(err::InvalidCall, "Invalid procedure call or argument: Mid starts at 1");
        const auto from = static_cast<std::size_t>(start - 1);
        if (from >= points.size())
            return Variant(std::string());
        const std::size_t n =
            node.kids.size() > 2 ? static_cast<std::size_t>(wholeCount(arg(2), "Mid")) : points.size();
        return Variant(utf8(points.substr(from, n)));
    }
    throw Error(err::InvalidCall, "Invalid procedure call or argument: " + f);
}

Variant arithmetic(Op op, const Variant& a, const Variant& b)
{
    if (a.isNull() || b.isNull())
        return Variant::null();
    if (op == Op::Add && a.isText() && b.isText())
        return Variant(a.text() + b.text());
    const double x = numberOf(a);
    const double y = numberOf(b);
    switch (op) {
    case Op::Add:
        if (a.isDate() || b.isDate())
            return Variant(Date{x + y});
        return Variant(x + y);
    case Op::Sub:
        if (a.isDate() && !b.isDate())
            return Variant(Date{x - y});
        return Variant(x - y);
    case Op::Mul:
        return Variant(x * y);
    case Op::Div:
        if (y == 0.0)
            throw Error(11, "Division by zero");
        return Variant(x / y);
    case Op::IntDiv:
    case Op::Mod: {
        const double p = roundHalfEven(x);
        const double q = roundHalfEven(y);
        if (q == 0.0)
            throw Error(11, "Division by zero");
        return Variant(op == Op::IntDiv ? std::trunc(p / q) : std::fmod(p, q));
    }
    case Op::Pow:
        return Variant(std::pow(x, y));
    default:
        return Variant::null();
    }
}

Variant evaluateNode(const AccessExpression::Node& node, const ExpressionContext& context)
{
    const auto kid = [&](std::size_t i) { return evaluateNode(*node.kids[i], context); };
    switch (node.op) {
    case Op::Literal:
        return node.value;
    case Op::Field:
        return context.field ? context.field(node.field) : Variant::null();
    case Op::Call:
        return call(node, context);
    case Op::Neg: {
        const Variant v = kid(0);
        return v.isNull() ? v : Variant(-numberOf(v));
    }
    case Op::Add:
    case Op::Sub:
    case Op::Mul:
    case Op::Div:
    case Op::IntDiv:
    case Op::Mod:
    case Op::Pow:
        return arithmetic(node.op, kid(0), kid(1));
    case Op::Join: {
        const Variant a = kid(0);
        const Variant b = kid(1);
        if (a.isNull() && b.isNull())
            return Variant::null();
        return Variant(joinText(a) + joinText(b));
    }
    case Op::Eq:
    case Op::Ne:
    case Op::Lt:
    case Op::Le:
    case Op::Gt:
    case Op::Ge: {
        const Variant a = kid(0);
        const Variant b = kid(1);
        if (a.isNull() || b.isNull())
            return Variant::null();
        const int order = compareValues(a, b);
        switch (node.op) {
        case Op::Eq:
            return Variant(order == 0);
        case Op::Ne:
            return Variant(order != 0);
        case Op::Lt:
            return Variant(order < 0);
        case Op::Le:
            return Variant(order <= 0);
        case Op::Gt:
            return Variant(order > 0);
        default:
            return Variant(order >= 0);
        }
    }
    case Op::Like: {
        const Variant a = kid(0);
        const Variant b = kid(1);
        if (a.isNull() || b.isNull())
            return Variant::null();
        return Variant(likeMatch(codePoints(joinText(a)), 0, codePoints(joinText(b)), 0));
    }
    case Op::Between: {
        const Variant v = kid(0);
        const Variant low = kid(1);
        const Variant high = kid(2);
        if (v.isNull() || low.isNull() || high.isNull())
            return Variant::null();
        return Variant(compareValues(v, low) >= 0 && compareValues(v, high) <= 0);
    }
    case Op::In: {
        const Variant v = kid(0);
        if (v.isNull())
            return Variant::null();
        bool unknown = false;
        for (std::size_t i = 1; i < node.kids.size(); ++i) {
            const Variant candidate = kid(i);
            if (candidate.isNull())
                unknown = true;
            else if (compareValues(v, candidate) == 0)
                return Variant(true);
        }
        return unknown ? Variant::null() : Variant(false);
    }
    case Op::IsNull:
        return Variant(kid(0).isNull());
    case Op::Not: {
        const auto t = truthOf(kid(0));
        return t ? Variant(!*t) : Variant::null();
    }
    case Op::And: {
        const auto a = truthOf(kid(0));
        if (a && !*a)
            return Variant(false);
        const auto b = truthOf(kid(1));
        if (b && !*b)
            return Variant(false);
        return a && b ? Variant(true) : Variant::null();
    }
    case Op::Or: {
        const auto a = truthOf(kid(0));
        if (a && *a)
            return Variant(true);
        const auto b = truthOf(kid(1));
        if (b && *b)
            return Variant(true);
        return a && b ? Variant(false) : Variant::null();
    }
    case Op::Xor: {
        const auto a = truthOf(kid(0));
        const auto b = truthOf(kid(1));
        return a && b ? Variant(*a != *b) : Variant::null();
    }
    }
    return Variant::null();
}

bool anyField(const AccessExpression::Node& node)
{
    if (node.op == Op::Field)
        return true;
    for (const auto& kid : node.kids)
        if (anyField(*kid))
            return true;
    return false;
}

std::optional<AccessExpression> parseWith(std::string_view text,
                                          const AccessExpression::FieldResolver& fields, int self,
                                          std::string* why,
                                          std::shared_ptr<const AccessExpression::Node>& root)
{
    try {
        Parser parser(tokenize(text), fields, self);
        root = parser.whole();
        return std::nullopt;
    } catch (const ParseFailure& failure) {
        if (why != nullptr)
            *why = failure.why;
        root.reset();
        return std::nullopt;
    }
}

} // namespace

std::optional<AccessExpression> AccessExpression::parse(std::string_view text, const FieldResolver& fields,
                                                        std::string* why)
{
    AccessExpression expression;
    parseWith(text, fields, -1, why, expression.m_root);
    if (!expression.m_root)
        return std::nullopt;
    return expression;
}

std::optional<AccessExpression> AccessExpression::parseColumnRule(std::string_view text,
                                                                  const FieldResolver& fields, int self,
                                                                  std::string* why)
{
    AccessExpression expression;
    parseWith(text, fields, self < 0 ? 0 : self, why, expression.m_root);
    if (!expression.m_root)
        return std::nullopt;
    return expression;
}

Variant AccessExpression::evaluate(const ExpressionContext& context) const
{
    return m_root ? evaluateNode(*m_root, context) : Variant::null();
}

bool AccessExpression::readsFields() const
{
    return m_root && anyField(*m_root);
}

bool AccessExpression::isGenUniqueId() const
{
    return m_root && m_root->op == Op::Call && m_root->function == "GENUNIQUEID";
}

Date localNow()
{
    const std::time_t seconds = std::time(nullptr);
    std::tm local{};
    if (!platform::localTime(seconds, local))
        return Date{0.0};
    return makeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                    std::min(local.tm_sec, 59));
}

} // namespace orrin::store::access

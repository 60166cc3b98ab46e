#include "Mathematical.h"

#include "ScriptFormat.h"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

// "BIT只能与BYTE一起使用，不能单独使用"
const char* const MATH_ERROR_BIT_ALONE = "BIT\xD6\xBB\xC4\xDC\xD3\xEB"
                                         "BYTE\xD2\xBB\xC6\xF0\xCA\xB9\xD3\xC3\xA3\xAC\xB2\xBB\xC4\xDC\xB5\xA5\xB6"
                                         "\xC0\xCA\xB9\xD3\xC3";
// "BYTE[]，BYTE[].BIT[]中括号中不能有 - 号"
const char* const MATH_ERROR_BYTE_NEGATIVE = "BYTE[]\xA3\xAC"
                                             "BYTE[].BIT[]\xD6\xD0\xC0\xA8\xBA\xC5\xD6\xD0\xB2\xBB\xC4\xDC\xD3\xD0"
                                             " - \xBA\xC5";
// "CHAR[]，中括号中不能有 - 号"
const char* const MATH_ERROR_CHAR_NEGATIVE = "CHAR[]\xA3\xAC\xD6\xD0\xC0\xA8\xBA\xC5\xD6\xD0\xB2\xBB\xC4\xDC\xD3\xD0"
                                             " - \xBA\xC5";

namespace {

// The '?' whose ':' has been read waits on the operator stack as this token,
// so that the next ':' closes the right conditional.
const char* const MATCHED_CONDITIONAL = "?:";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexLetter(char c) { return (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

enum class Kind { TEXT, HEX, BYTE, CHAR, DECIMAL, REAL, OTHER };

// What a value token is; body is the token without a leading minus.
Kind Classify(const std::string& token, std::string& body, bool& negative)
{
    negative = token.size() > 1 && token[0] == '-';
    body = negative ? token.substr(1) : token;
    if (body.empty())
        return Kind::OTHER;
    const char c = body[0];
    if (c == '"')
        return Kind::TEXT;
    if (c == 'B')
        return Kind::BYTE;
    if (c == 'C')
        return Kind::CHAR;
    if (!IsDigit(c))
        return Kind::OTHER;
    if (body.find('.') != std::string::npos)
        return Kind::REAL;
    if (body.size() >= 2 && body[0] == '0' && (body[1] == 'x' || body[1] == 'X'))
        return Kind::HEX;
    return Kind::DECIMAL;
}

bool IsValueToken(const std::string& token)
{
    if (token.empty())
        return false;
    const char c = token[0];
    return IsDigit(c) || c == '"' || c == 'B' || c == 'C' || (c == '-' && token.size() > 1);
}

struct Number {
    bool real = false;
    int64_t integer = 0;
    double value = 0.0;
    double AsReal() const { return real ? value : static_cast<double>(integer); }
    int64_t AsInteger() const { return real ? TruncateToInt64(value) : integer; }
};

int64_t Negate(int64_t v) { return static_cast<int64_t>(0 - static_cast<uint64_t>(v)); }

bool ReadNumber(const CMathematical& math, const std::string& token, Number& n)
{
    std::string body;
    bool negative = false;
    n = Number();
    switch (Classify(token, body, negative)) {
    case Kind::TEXT:
    case Kind::CHAR: break; // no arithmetic reads them
    case Kind::BYTE: {
        uint8_t byte = 0;
        if (!math.GetByteOperand(body, byte))
            return false;
        n.integer = byte;
        break;
    }
    case Kind::HEX: n.integer = static_cast<int64_t>(ParseHex64(body)); break;
    case Kind::DECIMAL:
        // Read with its sign, so that the text of INT64_MIN reads back as
        // itself; saturates on overflow.
        n.integer = std::strtoll(token.c_str(), nullptr, 10);
        return true;
    case Kind::REAL:
        n.real = true;
        n.value = std::strtod(body.c_str(), nullptr);
        break;
    case Kind::OTHER: return false;
    }
    if (negative) {
        n.integer = Negate(n.integer);
        n.value = -n.value;
    }
    return true;
}

template <typename T, typename U> bool IntegerOperation(const std::string& op, T a, T b, T& r)
{
    const int count = static_cast<int>(b & 31);
    if (op == "*") {
        r = static_cast<T>(static_cast<U>(a) * static_cast<U>(b));
    } else if (op == "/" || op == "%") {
        // Division by zero, and the one quotient that does not fit its type.
        if (b == 0 || (a == std::numeric_limits<T>::min() && b == -1))
            return false;
        r = op == "/" ? a / b : a % b;
    } else if (op == "+") {
        r = static_cast<T>(static_cast<U>(a) + static_cast<U>(b));
    } else if (op == "-") {
        r = static_cast<T>(static_cast<U>(a) - static_cast<U>(b));
    } else if (op == "<<") {
        r = static_cast<T>(static_cast<U>(a) << count);
    } else if (op == ">>") {
        r = static_cast<T>(a >> count);
    } else if (op == "<") {
        r = a < b;
    } else if (op == "<=") {
        r = a <= b;
    } else if (op == ">") {
        r = a > b;
    } else if (op == ">=") {
        r = a >= b;
    } else if (op == "==") {
        r = a == b;
    } else if (op == "!=") {
        r = a != b;
    } else if (op == "&") {
        r = a & b;
    } else if (op == "^") {
        r = a ^ b;
    } else if (op == "|") {
        r = a | b;
    } else if (op == "&&") {
        r = a != 0 && b != 0;
    } else if (op == "||") {
        r = a != 0 || b != 0;
    } else {
        return false;
    }
    return true;
}

bool IsComparisonOrLogic(const std::string& op)
{
    return op == "<" || op == "<=" || op == ">" || op == ">=" || op == "==" || op == "!=" || op == "&&" || op == "||";
}

bool RealOperation(const std::string& op, double a, double b, std::string& out)
{
    if (IsComparisonOrLogic(op)) {
        bool r = false;
        if (op == "<")
            r = a < b;
        else if (op == "<=")
            r = a <= b;
        else if (op == ">")
            r = a > b;
        else if (op == ">=")
            r = a >= b;
        else if (op == "==")
            r = a == b;
        else if (op == "!=")
            r = a != b;
        else if (op == "&&")
            r = a != 0.0 && b != 0.0;
        else
            r = a != 0.0 || b != 0.0;
        out = r ? "1" : "0";
        return true;
    }
    double r = 0.0;
    if (op == "*") {
        r = a * b;
    } else if (op == "/") {
        if (b == 0.0)
            return false;
        r = a / b;
    } else if (op == "%") {
        if (b == 0.0)
            return false;
        r = std::fmod(a, b);
    } else if (op == "+") {
        r = a + b;
    } else if (op == "-") {
        r = a - b;
    } else {
        // Shifts and bit operations work on the integer parts.
        int64_t i = 0;
        if (!IntegerOperation<int64_t, uint64_t>(op, TruncateToInt64(a), TruncateToInt64(b), i))
            return false;
        r = static_cast<double>(i);
    }
    if (!std::isfinite(r))
        return false;
    out = StringPrintf("%.12f", r);
    return true;
}

bool BinaryOperation(const CMathematical& math, const std::string& op, const std::string& left,
                     const std::string& right, std::string& out)
{
    Number a;
    Number b;
    if (!ReadNumber(math, left, a) || !ReadNumber(math, right, b))
        return false;
    if (a.real || b.real)
        return RealOperation(op, a.AsReal(), b.AsReal(), out);
    if (a.integer <= 255 && b.integer <= 255 && a.integer >= INT_MIN && b.integer >= INT_MIN) {
        int r = 0;
        if (!IntegerOperation<int, unsigned>(op, static_cast<int>(a.integer), static_cast<int>(b.integer), r))
            return false;
        out = StringPrintf("%d", r);
        return true;
    }
    int64_t r = 0;
    if (!IntegerOperation<int64_t, uint64_t>(op, a.integer, b.integer, r))
        return false;
    out = StringPrintf("%lld", static_cast<long long>(r));
    return true;
}

bool IsTrue(const CMathematical& math, const std::string& token, bool& truth)
{
    std::string body;
    bool negative = false;
    const Kind kind = Classify(token, body, negative);
    if (kind == Kind::TEXT || kind == Kind::OTHER) {
        truth = false;
        return true;
    }
    Number n;
    if (!ReadNumber(math, token, n))
        return false;
    truth = n.real ? std::fabs(n.value) >= 0.00001 : n.integer != 0;
    return true;
}

// Reads decimal digits at i; false when there are none or too many.
bool ReadIndex(const std::string& text, size_t i, long& value)
{
    value = 0;
    if (i >= text.size() || !IsDigit(text[i]))
        return false;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX)
            return false;
    }
    return true;
}

} // namespace

uint64_t ParseHex64(const std::string& text)
{
    uint64_t v = 0;
    for (size_t i = 2; i < text.size(); ++i) {
        const char c = text[i];
        int digit = 0;
        if (IsDigit(c))
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        v = (v << 4) | static_cast<uint64_t>(digit);
    }
    return v;
}

uint32_t ParseHex32(const std::string& text) { return static_cast<uint32_t>(ParseHex64(text)); }

int CMathematical::Precedence(const std::string& t)
{
    if (t == "(" || t == ")" || t == ".")
        return 200;
    if (t == "!" || t == "~")
        return 190;
    if (t == "*" || t == "/" || t == "%")
        return 180;
    if (t == "+" || t == "-")
        return 170;
    if (t == "<<" || t == ">>")
        return 160;
    if (t == "<" || t == "<=" || t == ">" || t == ">=")
        return 150;
    if (t == "==" || t == "!=")
        return 140;
    if (t == "&")
        return 130;
    if (t == "^")
        return 120;
    if (t == "|")
        return 110;
    if (t == "&&")
        return 100;
    if (t == "||")
        return 90;
    if (t == "?" || t == ":" || t == MATCHED_CONDITIONAL)
        return 80;
    if (t == ",")
        return 60;
    return 0;
}

void CMathematical::PopOperator(std::deque<std::string>& output)
{
    output.push_back(m_stack.back() == MATCHED_CONDITIONAL ? std::string("?") : m_stack.back());
    m_stack.pop_back();
}

void CMathematical::PushOperator(const std::string& op, std::deque<std::string>& output)
{
    if (op == ":") {
        // Closes the innermost open conditional: its then-part is complete,
        // and so is every conditional closed inside it.
        while (!m_stack.empty() && m_stack.back() != "(" && m_stack.back() != "?")
            PopOperator(output);
        if (!m_stack.empty() && m_stack.back() == "?")
            m_stack.back() = MATCHED_CONDITIONAL;
        return;
    }
    // Unary operators and the conditional group from the right.
    const bool fromRight = op == "!" || op == "~" || op == "?";
    const int p = Precedence(op);
    while (!m_stack.empty() && m_stack.back() != "(") {
        const int top = Precedence(m_stack.back());
        if (top > p || (top == p && !fromRight)) {
            PopOperator(output);
        } else {
            break;
        }
    }
    m_stack.push_back(op);
}

namespace {

std::string WithoutBlanks(const std::string& expression)
{
    std::string e;
    for (char c : expression)
        if (!std::isspace(static_cast<unsigned char>(c)))
            e += c;
    return e;
}

// The index of the last character of the "BYTE[i]" (optionally ".BIT[b]")
// operand starting at e[i]; an unclosed bracket runs to the end.
size_t ByteOperandEnd(const std::string& e, size_t i)
{
    const size_t n = e.size();
    size_t close = e.find(']', i);
    if (close == std::string::npos)
        close = n - 1;
    size_t bit = close + 1;
    if (bit < n && e[bit] == '.')
        ++bit;
    if (e.compare(bit, 3, "BIT") == 0) {
        const size_t second = e.find(']', bit);
        close = second == std::string::npos ? n - 1 : second;
    }
    return close;
}

// The index of the last character of the operand starting at e[i] (a number,
// a quoted text, a byte or a char operand); false, with error set, for a
// malformed byte or char operand.
bool OperandEnd(std::string& error, const std::string& e, size_t i, size_t& close)
{
    const size_t n = e.size();
    const char c = e[i];
    if (IsDigit(c)) {
        size_t j = i;
        while (j < n && (IsDigit(e[j]) || IsHexLetter(e[j]) || e[j] == 'x' || e[j] == 'X' || e[j] == '.'))
            ++j;
        close = j - 1;
        return true;
    }
    if (c == '"') {
        close = e.find('"', i + 1);
        if (close == std::string::npos)
            close = n - 1;
        return true;
    }
    if (c == 'B' && i + 1 < n && e[i + 1] == 'I') {
        error = MATH_ERROR_BIT_ALONE;
        return false;
    }
    if (c == 'B') {
        close = ByteOperandEnd(e, i);
    } else {
        close = e.find(']', i);
        if (close == std::string::npos)
            close = n - 1;
    }
    if (e.substr(i, close - i + 1).find("[-") != std::string::npos) {
        error = c == 'B' ? MATH_ERROR_BYTE_NEGATIVE : MATH_ERROR_CHAR_NEGATIVE;
        return false;
    }
    return true;
}

bool IsOperandStart(char c) { return IsDigit(c) || c == '"' || c == 'B' || c == 'C'; }

bool IsSingleOperator(char c)
{
    return c == '+' || c == '*' || c == '/' || c == '%' || c == '^' || c == '?' || c == ':' || c == '~';
}

bool IsPairOperatorStart(char c) { return c == '!' || c == '<' || c == '>' || c == '|' || c == '&'; }

bool IsPairOperator(const std::string& pair)
{
    return pair == "!=" || pair == "<=" || pair == "<<" || pair == ">=" || pair == ">>" || pair == "||" || pair == "&&";
}

std::string JoinTokens(const std::deque<std::string>& tokens)
{
    std::string joined;
    for (size_t k = 0; k < tokens.size(); ++k) {
        if (k > 0)
            joined += ' ';
        joined += tokens[k];
    }
    return joined;
}

} // namespace

bool CMathematical::ReadToken(std::string& error, const std::string& e, size_t& i, std::deque<std::string>& output,
                              int& minus)
{
    const size_t n = e.size();
    const char c = e[i];
    const char next = i + 1 < n ? e[i + 1] : '\0';
    if (c == '-') {
        const char prev = i > 0 ? e[i - 1] : '\0';
        const bool binary = i > 0 && (prev == ')' || prev == ']' || prev == '"' || IsDigit(prev) || IsHexLetter(prev));
        if (binary)
            PushOperator("-", output);
        else
            ++minus;
    } else if (IsOperandStart(c)) {
        size_t close = i;
        if (!OperandEnd(error, e, i, close))
            return false;
        std::string token = e.substr(i, close - i + 1);
        if (minus % 2 == 1)
            token.insert(token.begin(), '-');
        minus = 0;
        output.push_back(std::move(token));
        i = close;
    } else if (c == '(') {
        m_stack.push_back("(");
    } else if (c == ')') {
        while (!m_stack.empty() && m_stack.back() != "(")
            PopOperator(output);
        if (!m_stack.empty())
            m_stack.pop_back();
    } else if (IsSingleOperator(c)) {
        PushOperator(std::string(1, c), output);
    } else if (IsPairOperatorStart(c)) {
        std::string op(1, c);
        const std::string pair = op + next;
        if (IsPairOperator(pair)) {
            op = pair;
            ++i;
        }
        PushOperator(op, output);
    } else if (c == '=' && next == '=') {
        PushOperator("==", output);
        ++i;
    }
    // Anything else is skipped.
    return true;
}

bool CMathematical::Parse(std::string& error, const std::string& expression)
{
    m_stack.clear();
    m_postfix.clear();
    const std::string e = WithoutBlanks(expression);
    std::deque<std::string> output;
    int minus = 0; // unary minus signs waiting for their operand
    for (size_t i = 0; i < e.size(); ++i)
        if (!ReadToken(error, e, i, output, minus))
            return false;
    while (!m_stack.empty()) {
        if (m_stack.back() != "(")
            PopOperator(output);
        else
            m_stack.pop_back();
    }
    m_postfix = JoinTokens(output);
    return true;
}

bool CMathematical::GetByteOperand(const std::string& token, uint8_t& byte) const
{
    const size_t open = token.find('[');
    long index = 0;
    if (open == std::string::npos || !ReadIndex(token, open + 1, index) || index >= m_data.GetSize())
        return false;
    byte = m_data.GetBuffer()[index];
    const size_t close = token.find(']', open);
    const size_t bit = close == std::string::npos ? std::string::npos : token.find("BIT", close);
    if (bit == std::string::npos)
        return true;
    const size_t bitOpen = token.find('[', bit);
    long number = 0;
    if (bitOpen == std::string::npos || !ReadIndex(token, bitOpen + 1, number) || number > 7)
        return false;
    byte = static_cast<uint8_t>(byte & (1u << number));
    return true;
}

namespace {

// "!" gives 1 for a zero value and 0 otherwise, "~" the complement (of the
// low byte for a value not above 255); both replace the top of the stack.
bool UnaryOperation(const CMathematical& math, const std::string& op, std::string& top)
{
    Number v;
    if (!ReadNumber(math, top, v))
        return false;
    if (op == "!") {
        const bool zero = v.real ? v.value == 0.0 : v.integer == 0;
        top = v.real ? StringPrintf("%d", zero ? 1 : 0) : StringPrintf("0x%02X", zero ? 1u : 0u);
    } else {
        const int64_t x = v.AsInteger();
        const uint32_t complement = x <= 255 ? (~static_cast<uint32_t>(x)) & 0xFFu : ~static_cast<uint32_t>(x);
        top = StringPrintf("0x%02X", complement);
    }
    return true;
}

// Applies one postfix token to the value stack; false when too few values
// meet an operator or the operation fails.
bool ApplyToken(CMathematical& math, const std::string& token)
{
    std::deque<std::string>& stack = math.m_stack;
    if (IsValueToken(token)) {
        stack.push_back(token);
        return true;
    }
    if (token == ":")
        return true;
    if (token == "!" || token == "~")
        return !stack.empty() && UnaryOperation(math, token, stack.back());
    if (token == "?") {
        if (stack.size() < 3)
            return false;
        const std::string otherwise = stack.back();
        stack.pop_back();
        const std::string then = stack.back();
        stack.pop_back();
        bool truth = false;
        if (!IsTrue(math, stack.back(), truth))
            return false;
        stack.back() = truth ? then : otherwise;
        return true;
    }
    if (stack.size() < 2)
        return false;
    const std::string right = stack.back();
    stack.pop_back();
    std::string value;
    if (!BinaryOperation(math, token, stack.back(), right, value))
        return false;
    stack.back() = value;
    return true;
}

// Appends the final value token, formatted, to result.
bool FormatFinal(const CMathematical& math, const std::string& token, const std::string& format, std::string& result)
{
    std::string body;
    bool negative = false;
    const Kind kind = Classify(token, body, negative);
    if (kind == Kind::TEXT) {
        result += token;
        return true;
    }
    Number n;
    if (kind == Kind::OTHER || !ReadNumber(math, token, n))
        return false;
    ScriptValue value;
    switch (kind) {
    case Kind::HEX:
    case Kind::DECIMAL:
        if (kind == Kind::DECIMAL && format.find('f') != std::string::npos)
            value = ScriptValue::Real(static_cast<double>(n.integer), token);
        else if (n.integer > 255)
            value = ScriptValue::Int64(n.integer, token);
        else
            value = ScriptValue::Int32(n.integer, token);
        break;
    case Kind::REAL:
        if (format.compare(0, 2, "%d") == 0) {
            result += StringPrintf("%lld", static_cast<long long>(TruncateToInt64(n.value)));
            return true;
        }
        if (format.find_first_of("Xx") == std::string::npos)
            value = ScriptValue::Real(n.value, token);
        else
            value = ScriptValue::Int64(TruncateToInt64(n.value), token);
        break;
    default: // byte and char operands
        value = ScriptValue::Int32(n.integer, StringPrintf("%d", static_cast<int>(n.integer)));
        break;
    }
    return CScriptFormat::Format(format, value, result);
}

} // namespace

bool CMathematical::Calculate(std::string& result, const CBinary& data, const std::string& postfix,
                              const std::string& format)
{
    m_data = data;
    m_stack.clear();
    size_t i = 0;
    while (i < postfix.size()) {
        size_t end = postfix.find(' ', i);
        if (end == std::string::npos)
            end = postfix.size();
        const std::string token = postfix.substr(i, end - i);
        i = end + 1;
        if (!token.empty() && !ApplyToken(*this, token))
            return false;
    }
    if (m_stack.empty())
        return false;
    const std::string token = m_stack.back();
    return FormatFinal(*this, token, format, result);
}

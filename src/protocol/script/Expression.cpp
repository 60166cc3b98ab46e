#include "Expression.h"

#include "DataSheet.h"
#include "Mathematical.h"
#include "ProtocolText.h"
#include "ScriptFormat.h"
#include "StdText.h"

#include <cctype>
#include <cstdlib>
#include <map>
#include <mutex>

namespace {

// The scripts' table, opened at most once, and every record looked up.
struct ScriptTable {
    std::mutex lock;
    CDataSheet sheet;
    bool opened = false;
    std::map<std::string, CBinaryGroup> cache;
};

ScriptTable& Scripts()
{
    static ScriptTable table;
    return table;
}

CBinaryGroup LookupScript(const CBinary& id)
{
    ScriptTable& t = Scripts();
    std::lock_guard<std::mutex> lock(t.lock);
    const std::string key(reinterpret_cast<const char*>(id.GetBuffer()), static_cast<size_t>(id.GetSize()));
    auto found = t.cache.find(key);
    if (found != t.cache.end())
        return found->second;
    if (!t.opened) {
        t.opened = true;
        t.sheet.OpenTable("express.tab");
    }
    CBinaryGroup record = t.sheet.Lookup(id);
    t.cache.emplace(key, record); // a miss is remembered too
    return record;
}

bool IsIdentifierChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// Decimal digits at i (none: fallback); a number too long for an input
// index reads as -1, which no input has.
long ReadInputNumber(const std::string& text, size_t i, long fallback, size_t& end)
{
    end = i;
    if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i])))
        return fallback;
    long n = 0;
    bool tooLong = false;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) {
        if (!tooLong)
            n = n * 10 + (text[end] - '0');
        if (n > 100000)
            tooLong = true;
        ++end;
    }
    return tooLong ? -1 : n;
}

// Input N: byte start + step * (N - 1); outside the data it reads as -1.
int InputByte(const CBinary& data, int start, int step, long n)
{
    if (n < 0)
        return -1;
    const long long at = static_cast<long long>(start) + static_cast<long long>(step) * (n - 1);
    if (at < 0 || at >= data.GetSize())
        return -1;
    return data.GetBuffer()[at];
}

// The format cut at its '%' signs: the first piece from the start to the
// second '%', each further one from its '%' to the next.
std::vector<std::string> Segments(const std::string& format, const std::vector<size_t>& percents)
{
    std::vector<std::string> segments;
    for (size_t j = 0; j < percents.size(); ++j) {
        const size_t from = j == 0 ? 0 : percents[j];
        const size_t to = j + 1 < percents.size() ? percents[j + 1] : format.size();
        segments.push_back(format.substr(from, to - from));
    }
    return segments;
}

// Every "0x" number of the text, one byte each; false when there is none.
bool HexNumbersOf(const std::string& text, CBinary& bytes)
{
    bytes.Empty();
    bool found = false;
    size_t i = 0;
    while ((i = text.find("0x", i)) != std::string::npos) {
        i += 2;
        size_t j = i;
        unsigned value = 0;
        while (j < text.size() && std::isxdigit(static_cast<unsigned char>(text[j]))) {
            const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[j])));
            value = ((value << 4) | static_cast<unsigned>(c <= '9' ? c - '0' : c - 'a' + 10)) & 0xFFFF;
            ++j;
        }
        if (j > i) {
            bytes.Add(static_cast<uint8_t>(value));
            found = true;
        }
        i = j;
    }
    return found;
}

// The text that the "0x" numbers of a value name, or the value unchanged.
std::string TextOfHexNumbers(const std::string& value)
{
    CBinary bytes;
    if (!HexNumbersOf(value, bytes))
        return value;
    return adsGetTextFromTextLib(bytes);
}

std::string DefaultFormat(const std::string& script)
{
    if (StartsWith(script, "int y"))
        return "%d";
    if (StartsWith(script, "float y"))
        return "%.2f";
    return "%s";
}

// Puts the declared inputs in place: while the first "x" of the script comes
// before every "0x", "if", "switch" and "=", its identifier becomes the byte.
void PutInputsInPlace(std::string& script, const CBinary& data, int start, int step)
{
    for (;;) {
        const size_t x = script.find('x');
        if (x == std::string::npos)
            return;
        for (const char* stop : {"0x", "if", "switch", "="}) {
            const size_t at = script.find(stop);
            if (at != std::string::npos && at <= x)
                return;
        }
        size_t end = 0;
        const long n = ReadInputNumber(script, x + 1, 1, end);
        const std::string name = script.substr(x, end - x);
        bool isSigned = false;
        const size_t declaration = script.find("char");
        if (declaration != std::string::npos && x > declaration) {
            const size_t semicolon = script.find(';', declaration);
            isSigned = semicolon == std::string::npos || x < semicolon;
        }
        const int byte = InputByte(data, start, step, n);
        const int value = byte < 0 ? 0 : (isSigned ? static_cast<int8_t>(byte) : byte);
        if (!CExpression::ReplaceIdentifier(script, name, std::to_string(value)))
            return;
    }
}

long long ToInteger(const std::string& text) { return std::strtoll(text.c_str(), nullptr, 10); }

} // namespace

void CExpression::ResetScripts()
{
    ScriptTable& t = Scripts();
    std::lock_guard<std::mutex> lock(t.lock);
    t.cache.clear();
    t.sheet.Close();
    t.opened = false;
}

bool CExpression::ReplaceIdentifier(std::string& text, const std::string& name, const std::string& replacement)
{
    if (name.empty())
        return false;
    std::string out;
    bool replaced = false;
    size_t from = 0;
    for (;;) {
        const size_t at = text.find(name, from);
        if (at == std::string::npos)
            break;
        const size_t after = at + name.size();
        const bool alone =
            (at == 0 || !IsIdentifierChar(text[at - 1])) && (after >= text.size() || !IsIdentifierChar(text[after]));
        if (alone) {
            out.append(text, from, at - from);
            out += replacement;
            from = after;
            replaced = true;
        } else {
            out.append(text, from, at + 1 - from);
            from = at + 1;
        }
    }
    if (replaced) {
        out.append(text, from, std::string::npos);
        text = std::move(out);
    }
    return replaced;
}

bool CExpression::TakeParenthesized(std::string& source, std::string& taken)
{
    const size_t open = source.find('(');
    if (open == std::string::npos)
        return false;
    int depth = 0;
    for (size_t i = open; i < source.size(); ++i) {
        if (source[i] == '(') {
            ++depth;
        } else if (source[i] == ')' && --depth == 0) {
            taken = source.substr(open, i - open + 1);
            source.erase(0, i + 1);
            return true;
        }
    }
    return false;
}

bool CExpression::TakeAssignment(std::string& source, std::string& taken)
{
    const size_t equals = source.find('=');
    if (equals == std::string::npos)
        return false;
    const size_t semicolon = source.find(';', equals + 1);
    if (semicolon == std::string::npos) {
        taken = source.substr(equals + 1);
        source.clear();
    } else {
        taken = source.substr(equals + 1, semicolon - equals - 1);
        source.erase(0, semicolon + 1);
    }
    return true;
}

bool CExpression::GetComment(const std::string& text, std::string& comment)
{
    const size_t open = text.find("/*");
    if (open == std::string::npos)
        return false;
    const size_t equals = text.find('=');
    if (equals != std::string::npos && open > equals)
        return false;
    const size_t close = text.find("*/", open + 2);
    if (close == std::string::npos)
        return false;
    comment = text.substr(open + 2, close - open - 2);
    return true;
}

bool CExpression::TakeLabel(std::string& source, std::string& label)
{
    const size_t colon = source.find(':');
    if (colon == std::string::npos)
        return false;
    label.clear();
    for (size_t i = 0; i < colon; ++i)
        if (!std::isspace(static_cast<unsigned char>(source[i])))
            label += source[i];
    source.erase(0, colon + 1);
    return true;
}

std::string CExpression::CalcByExpress(const CBinary& id, const CBinary& data, int16_t start, int16_t step)
{
    if (start < 0 || start >= data.GetSize() || step < 1)
        return std::string();
    const CBinaryGroup record = LookupScript(id);
    const std::vector<CBinary>& items = record.m_aContain;
    std::string script = items.empty() ? std::string() : BinaryToString(items[0]);
    if (script.empty())
        return std::string();
    std::string format = items.size() > 1 ? BinaryToString(items[1]) : std::string();
    if (format.empty())
        format = DefaultFormat(script);
    if (format.find('X') != std::string::npos)
        format += ' ';
    m_bHasY1 = script.find("y1") != std::string::npos;
    m_percents.clear();
    for (size_t i = 0; i < format.size(); ++i)
        if (format[i] == '%')
            m_percents.push_back(i);

    if (m_percents.size() >= 2 && !m_bHasY1)
        return SeveralConversions(format, script, data, start, step);

    PutInputsInPlace(script, data, start, step);
    std::string result;
    RunStatements(format, script, result);
    if (!result.empty() && format == "%s")
        result = TextOfHexNumbers(result);
    return result;
}

std::string CExpression::SeveralConversions(const std::string& format, const std::string& script, const CBinary& data,
                                            int start, int step)
{
    const std::vector<std::string> segments = Segments(format, m_percents);
    std::string result;
    size_t used = 0;
    for (size_t i = 0; i < script.size(); ++i) {
        if (script[i] != 'x')
            continue;
        if (used >= segments.size())
            return result;
        size_t end = 0;
        const int byte = InputByte(data, start, step, ReadInputNumber(script, i + 1, 1, end));
        if (!CScriptFormat::Format(segments[used], ScriptValue::Int32(byte < 0 ? 0 : byte), result))
            return std::string();
        ++used;
    }
    for (; used < segments.size(); ++used)
        if (!CScriptFormat::Format(segments[used], ScriptValue::Int32(0), result))
            return std::string();
    return result;
}

bool CExpression::RunStatements(const std::string& format, const std::string& script, std::string& result)
{
    const bool hasIf = script.find("if") != std::string::npos;
    const bool hasSwitch = script.find("switch") != std::string::npos;
    if (hasIf)
        return RunIf(format, script, result);
    if (hasSwitch)
        return RunSwitch(format, script, result);
    if (m_bHasY1 && m_percents.size() >= 2)
        return RunSequence(format, script, result);
    return RunAssignment(format, script, result);
}

bool CExpression::RunAssignment(std::string format, std::string text, std::string& result)
{
    if (text.find('=') == std::string::npos)
        return false;
    std::string comment;
    if (GetComment(text, comment))
        format = comment;
    std::string expression;
    TakeAssignment(text, expression);
    return Evaluate(format, expression, result);
}

bool CExpression::IsTrue(const std::string& condition)
{
    std::string value;
    return Evaluate("%d", condition, value) && ToInteger(value) != 0;
}

bool CExpression::RunIf(const std::string& format, const std::string& script, std::string& result)
{
    std::string rest = script.substr(script.find("if") + 2);
    std::string condition;
    if (!TakeParenthesized(rest, condition))
        return false;
    std::string branch;
    if (IsTrue(condition)) {
        branch = rest;
    } else {
        for (;;) {
            const size_t e = rest.find("else");
            if (e == std::string::npos)
                return false; // no branch is taken
            size_t after = e + 4;
            while (after < rest.size() && std::isspace(static_cast<unsigned char>(rest[after])))
                ++after;
            if (rest.compare(after, 2, "if") != 0) {
                branch = rest.substr(e + 4);
                break;
            }
            rest.erase(0, after + 2);
            if (!TakeParenthesized(rest, condition))
                return false;
            if (IsTrue(condition)) {
                branch = rest;
                break;
            }
        }
    }
    const size_t sw = branch.find("switch");
    if (sw != std::string::npos && sw < branch.find("else"))
        return RunSwitch(format, branch, result);
    if (m_bHasY1)
        return RunSequence(format, branch.substr(0, branch.find('}')), result);
    return RunAssignment(format, branch, result);
}

bool CExpression::RunSwitch(const std::string& format, const std::string& text, std::string& result)
{
    std::string rest = text.substr(text.find("switch") + 6);
    std::string selector;
    if (!TakeParenthesized(rest, selector))
        return false;
    std::string value;
    const bool known = Evaluate("%d", selector, value);
    const long long wanted = ToInteger(value);
    const std::string body = rest;
    while (known) {
        const size_t c = rest.find("case");
        if (c == std::string::npos)
            break;
        rest.erase(0, c + 4);
        std::string label;
        if (!TakeLabel(rest, label))
            break;
        const long long number = StartsWith(label, "0x") || StartsWith(label, "0X")
                                     ? static_cast<long long>(ParseHex64(label))
                                     : ToInteger(label);
        if (number == wanted)
            return RunAssignment(format, rest, result);
    }
    const size_t d = body.find("default");
    if (d == std::string::npos)
        return false;
    std::string tail = body.substr(d + 7);
    std::string label;
    if (!TakeLabel(tail, label))
        return false;
    return RunAssignment(format, tail, result);
}

bool CExpression::RunSequence(const std::string& format, std::string text, std::string& result)
{
    const std::vector<std::string> segments = Segments(format, m_percents);
    bool ran = false;
    for (size_t i = 0; i < segments.size() && text.find('=') != std::string::npos; ++i) {
        std::string statementFormat = segments[i];
        std::string comment;
        if (GetComment(text, comment))
            statementFormat = comment;
        std::string expression;
        TakeAssignment(text, expression);
        std::string value;
        if (!Evaluate(statementFormat, expression, value))
            continue;
        if (statementFormat.find("%s") != std::string::npos) {
            CBinary bytes;
            if (HexNumbersOf(value, bytes)) {
                value.clear();
                if (!CScriptFormat::Format(statementFormat, ScriptValue::Text(adsGetTextFromTextLib(bytes)), value))
                    continue;
            }
        }
        result += value;
        ran = true;
    }
    return ran;
}

bool CExpression::Evaluate(const std::string& format, const std::string& expression, std::string& result)
{
    size_t first = 0;
    while (first < expression.size() && std::isspace(static_cast<unsigned char>(expression[first])))
        ++first;
    // The length counts the blank in front: ' ""' is the empty text.
    if (expression.size() > 2 && first < expression.size() && expression[first] == '"') {
        // A text in double quotes is the value itself.
        const size_t close = expression.find('"', first + 1);
        result += expression.substr(first + 1, close == std::string::npos ? std::string::npos : close - first - 1);
        return true;
    }
    static const uint8_t bytes[3] = {0xAA, 0x55, 0x01};
    CMathematical math;
    std::string error;
    if (!math.Parse(error, expression))
        return false;
    return math.Calculate(result, CBinary(bytes, 3), math.Postfix(), format);
}

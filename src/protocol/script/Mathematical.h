#pragma once
// The arithmetic of the calculation scripts: one C-like expression is
// tokenised into postfix order by operator precedence, evaluated on a stack of
// text values and formatted with the script's output format.
//
// Every binary operation picks its arithmetic from its operands: 8-bit (both
// integers not above 255, worked in an int), 64-bit (an integer above 255) or
// double (a number with a decimal point). Operands are decimal, "0x"
// hexadecimal or floating numbers, texts in double quotes, byte operands
// "BYTE[i]" (optionally ".BIT[b]") over a data buffer, and char operands
// "CHAR[i]" (read as 0).
#include "Binary.h"

#include <cstdint>
#include <deque>
#include <string>

// Parse failures, narrow texts in code page 936.
extern const char* const MATH_ERROR_BIT_ALONE;     // BIT without BYTE
extern const char* const MATH_ERROR_BYTE_NEGATIVE; // "-" inside the brackets of BYTE or BIT
extern const char* const MATH_ERROR_CHAR_NEGATIVE; // "-" inside the brackets of CHAR

class CMathematical {
public:
    CMathematical() = default;
    virtual ~CMathematical() = default;

    // Tokenises the expression (blanks removed) into the postfix text; false,
    // with one of the texts above in error, when a byte or char operand is
    // malformed.
    bool Parse(std::string& error, const std::string& expression);
    // Evaluates a postfix text over the data buffer and appends the final
    // value, formatted, to result. False when too few values meet an
    // operator, on a division or remainder by zero or one that overflows,
    // for a byte operand outside the data, a non-finite result, or an output
    // format the script formatter refuses.
    bool Calculate(std::string& result, const CBinary& data, const std::string& postfix, const std::string& format);
    // 200 for ( ) and ".", 190 ! ~, 180 * / %, 170 + -, 160 << >>, 150 < <= > >=,
    // 140 == !=, 130 &, 120 ^, 110 |, 100 &&, 90 ||, 80 ? :, 60 ",", else 0.
    static int Precedence(const std::string& token);
    // The byte of a "BYTE[i]" token over the current data; with a "BIT[b]"
    // part, the byte masked to bit b (0 to 7), not shifted.
    bool GetByteOperand(const std::string& token, uint8_t& byte) const;

    const std::string& Postfix() const { return m_postfix; }

    std::deque<std::string> m_stack; // operators while tokenising, values while evaluating
    std::string m_postfix;           // tokens separated by one blank
    CBinary m_data;                  // what byte operands read

private:
    void PushOperator(const std::string& op, std::deque<std::string>& output);
    // Moves the top of the operator stack to the output, a matched
    // conditional written as "?".
    void PopOperator(std::deque<std::string>& output);
    // Reads the token at e[i] into the output or the operator stack and
    // leaves i on its last character; false, with error set, for a malformed
    // byte or char operand.
    bool ReadToken(std::string& error, const std::string& e, size_t& i, std::deque<std::string>& output, int& minus);
};

// The number of a "0x" text from its third character on; 0-9, a-f and A-F
// are digits, any other character counts as the digit 0.
uint64_t ParseHex64(const std::string& text);
uint32_t ParseHex32(const std::string& text);

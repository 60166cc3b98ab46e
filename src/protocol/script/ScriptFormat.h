#pragma once
// The output formats of the calculation scripts come from a data file, so they
// are never handed to printf as they stand. This formatter reads the format
// itself and gives every conversion a value of the conversion's own type.
//
// Allowed: plain text, "%%", and conversions of flags ("-+ #0"), a width and a
// precision (digits, at most SCRIPT_FORMAT_MAX_WIDTH) and one of
// d i u x X o c f e g s, plus the tables' own %b (binary digits). Anything
// else ("%n", '*', length modifiers, a lone '%') refuses the whole format.
#include <cstdint>
#include <string>
#include <vector>

constexpr int SCRIPT_FORMAT_MAX_WIDTH = 512;

// One value of a script on its way to the output.
struct ScriptValue {
    enum Kind {
        INT32, // an integer passed as an int: unsigned conversions see 32 bits
        INT64, // an integer passed as a 64-bit value
        REAL,
        TEXT,
    };
    Kind kind = INT32;
    int64_t integer = 0;
    double real = 0.0;
    // The value's text, as it travelled between the steps; %s writes it.
    std::string text;

    static ScriptValue Int32(int64_t value, std::string text = std::string());
    static ScriptValue Int64(int64_t value, std::string text = std::string());
    static ScriptValue Real(double value, std::string text = std::string());
    static ScriptValue Text(std::string text);

    // The value for an integer conversion: a real value is truncated toward
    // zero (saturating, NaN 0), a text one is 0.
    int64_t AsInteger() const;
    double AsReal() const;
    // The text %s writes: the travelled text, else the value written plainly.
    std::string AsText() const;
};

class CScriptFormat {
public:
    // Appends the formatted values to out. Conversions take the values in
    // order; one without a value gets the integer 0. False, and out
    // unchanged, when the format is refused.
    static bool Format(const std::string& format, const std::vector<ScriptValue>& values, std::string& out);
    static bool Format(const std::string& format, const ScriptValue& value, std::string& out);
    // True when Format would take the format.
    static bool IsAllowed(const std::string& format);
};

// printf into a string, for the program's own constant formats.
std::string StringPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A double to a 64-bit integer, truncated toward zero, saturating; NaN gives 0.
int64_t TruncateToInt64(double value);

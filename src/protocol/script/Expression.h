#pragma once
// The per-sensor calculation scripts of "express.tab": a record keyed by a
// 4-byte script identifier holds the script text and, optionally, its output
// format. A script names its input bytes x1, x2, ... (x alone is x1) and its
// output y (or y1, y2, ... for several values written through one format);
// it is made of declarations, assignments, if / else if / else and switch /
// case / default. Each expression goes to CMathematical.
//
// Scripts once looked up stay cached for the life of the process, and
// "express.tab" is opened at most once.
#include "Binary.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CExpression {
public:
    CExpression() = default;
    virtual ~CExpression() = default;

    // The formatted result of the script over the input bytes: input xN is
    // byte start + step * (N - 1) of data. "" for a start outside the data, a
    // step below 1, an unknown identifier, an empty script or a script that
    // does not evaluate.
    std::string CalcByExpress(const CBinary& id, const CBinary& data, int16_t start, int16_t step);
    // Runs the statements of a script whose inputs are in place; appends the
    // result text.
    bool RunStatements(const std::string& format, const std::string& script, std::string& result);
    // One expression (or a text in double quotes) through the arithmetic;
    // appends the formatted value.
    bool Evaluate(const std::string& format, const std::string& expression, std::string& result);

    // Replaces every occurrence of name that stands alone (no letter, digit or
    // '_' right before or after it); true when anything was replaced.
    static bool ReplaceIdentifier(std::string& text, const std::string& name, const std::string& replacement);
    // From the first "(" to its matching ")", both kept; source keeps what
    // follows. False when the parentheses do not balance.
    static bool TakeParenthesized(std::string& source, std::string& taken);
    // The text after the first "=" up to the next ";" (or the end); source
    // keeps what follows the ";". False without "=".
    static bool TakeAssignment(std::string& source, std::string& taken);
    // The text between "/*" and "*/" when the comment comes before the first "=".
    static bool GetComment(const std::string& text, std::string& comment);
    // The characters before the first ":", blanks dropped; source keeps what
    // follows. False without ":".
    static bool TakeLabel(std::string& source, std::string& label);

    // Forgets every cached script and closes "express.tab", so that the next
    // lookup opens it again (after the table was replaced; tests).
    static void ResetScripts();

private:
    std::string SeveralConversions(const std::string& format, const std::string& script, const CBinary& data, int start,
                                   int step);
    bool RunAssignment(std::string format, std::string text, std::string& result);
    bool RunIf(const std::string& format, const std::string& script, std::string& result);
    bool RunSwitch(const std::string& format, const std::string& text, std::string& result);
    bool RunSequence(const std::string& format, std::string text, std::string& result);
    bool IsTrue(const std::string& condition);

    // The '%' positions of the current format, and whether the script names y1.
    std::vector<size_t> m_percents;
    bool m_bHasY1 = false;
};

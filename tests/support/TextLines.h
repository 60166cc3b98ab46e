#pragma once
// Lines of what a program left behind (a trace, a record): read, picked and
// checked for order.
#include <string>
#include <vector>

// The lines of the text, without their line ends.
std::vector<std::string> SplitLines(const std::string& text);
// The lines of the file; none when it is missing.
std::vector<std::string> ReadLines(const std::string& path);
// The lines of the text that hold the part.
std::vector<std::string> LinesWith(const std::string& text, const std::string& part);
// True when `wanted` appears in `seen` in this order, other lines between.
bool InOrder(const std::vector<std::string>& seen, const std::vector<std::string>& wanted);

#include "TextLines.h"

#include <fstream>
#include <sstream>

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> ReadLines(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return SplitLines(bytes.str());
}

std::vector<std::string> LinesWith(const std::string& text, const std::string& part)
{
    std::vector<std::string> lines;
    for (std::string& line : SplitLines(text))
        if (line.find(part) != std::string::npos)
            lines.push_back(std::move(line));
    return lines;
}

bool InOrder(const std::vector<std::string>& seen, const std::vector<std::string>& wanted)
{
    size_t next = 0;
    for (const std::string& line : seen)
        if (next < wanted.size() && line == wanted[next])
            ++next;
    return next == wanted.size();
}

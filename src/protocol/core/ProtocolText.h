#pragma once
// Text helpers of the protocol code: narrow strings, hexadecimal and binary
// digit texts to and from byte buffers, big-endian integers.
#include "Binary.h"

#include <cstdint>
#include <string>
#include <vector>

// Every '/' becomes '\'.
std::string ToBackslashPath(const std::string& text);
// ASCII A to Z lowered in place; nothing else changes.
void ToLowerInPlace(std::string& text);
// Appends the parts of text between the occurrences of delimiter (empty parts
// included) to out and returns out's size. Empty text or delimiter: 0 and
// nothing added; delimiter not found: the whole text, 1.
int SplitString(const std::string& delimiter, std::vector<std::string>& out, const std::string& text);
// The parts with the separator between them.
std::string JoinStrings(const std::vector<std::string>& parts, const std::string& separator);
// Replaces every occurrence of find by replacement and returns the number of
// parts the text was split into. Empty text or find: 0, text unchanged.
int ReplaceAll(const std::string& find, std::string& text, const std::string& replacement);
// "0x1A,ff, 0B" with "," gives 1A FF 0B: each part lowered, "0x" removed, read
// with strtoul base 16, its low 8 bits one byte. Without a delimiter every two
// digits are one byte, an odd first digit standing alone: "abc" gives 0A BC.
CBinary HexTextToBinary(const std::string& text, const std::string& delimiter);
// Each byte formatted with the printf format (say "%02X"), separator between.
std::string BinaryToText(const CBinary& bytes, const std::string& separator, const char* format);
// 8 digits 0 or 1, most significant bit first.
std::string ByteToBitText(uint8_t byte);
// Groups of 8 digits from the end of the text; a leading shorter group is the
// first byte, right-aligned. Each group is read with strtoul base 2.
CBinary BitTextToBinary(const std::string& digits);
// The value as exactly size (0 to 255) big-endian bytes: missing leading bytes
// are 00, surplus leading bytes dropped. Another size gives an empty result.
CBinary IntegerToBinary(uint32_t value, int size);
// The text of a buffer that holds a NUL-terminated (or unterminated) text.
std::string BinaryToString(const CBinary& bytes);

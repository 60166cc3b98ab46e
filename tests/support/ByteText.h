#pragma once
// Byte buffers written as hexadecimal text, so that test tables read like the
// bytes on the line: Hex("AA 55 F1") and ToHex(buffer) == "AA 55 F1".
#include "Binary.h"

#include <string>
#include <vector>

// Pairs of hexadecimal digits; blanks between them are ignored. Throws on
// anything else, so that a typo in a table fails the test loudly.
CBinary Hex(const std::string& text);
// Upper-case pairs separated by one blank; "" for an empty buffer.
std::string ToHex(const CBinary& bytes);
std::vector<uint8_t> ToVector(const CBinary& bytes);

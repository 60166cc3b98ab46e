#pragma once
// The reversible text scrambling of stored values (catalog index and members,
// parameter messages of the update server). The scrambled form is printable
// text of a 64-character alphabet (RFC 4648 base64: A-Z a-z 0-9 + /); every
// plain byte is passed through PermuteBits (bit reversal, its own inverse).
// The catalog writer and the update server use the same choices.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// Scrambles `length` bytes of `text`; a negative length means up to the
// terminating zero. A text of n bytes gives 4 * ceil((n + 1) / 3) characters,
// and, since a random lead byte and filler go in, differs from call to call.
std::string StrEncrypt(const char* text, int length);
// The plain bytes back (they may hold zero bytes). Trailing characters beyond a
// multiple of four are ignored; fewer than four characters give the empty text.
// A text that StrEncrypt did not make gives arbitrary bytes, never a fault.
std::string StrDecrypt(const std::string& scrambled);

// Replaces each of `count` bytes by its bit reversal, in place.
void PermuteBits(uint8_t* buffer, size_t count);

// 3 bytes -> 4 alphabet characters, most significant bits first. False (and
// `output` emptied) unless `length` is a positive multiple of 3.
bool StrEncodeBlock(const uint8_t* bytes, size_t length, std::string& output);
// 4 characters -> 3 bytes; a character outside the alphabet counts as 0.
// False (and `output` emptied) unless `length` is a multiple of 4.
bool StrDecodeBlock(const char* text, size_t length, std::string& output);

// Where the lead and filler bytes come from. Tests install a fixed sequence;
// nullptr restores the default source. Returns the previous source.
using ScrambleRandomSource = std::function<uint8_t()>;
ScrambleRandomSource SetScrambleRandomSource(ScrambleRandomSource source);

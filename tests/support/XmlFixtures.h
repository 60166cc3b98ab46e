#pragma once
// Writers of XML fixtures: region-like vehicle documents of any size, and a
// text in the byte forms a file may have (UTF-8 with or without a mark, UTF-16
// either way round, a code page).
#include <cstddef>
#include <string>

// A vehicle document shaped like the regional files: "makers" > "maker" >
// "model" > "year" with the year's nine attributes, at least `minBytes` long
// (UTF-8). Brand, model and year numbers go into the names ("Brand7",
// "Model7-3", "2013").
std::string MakeRegionXml(size_t minBytes, int modelsPerMaker = 8, int yearsPerModel = 6);

// The text's bytes: UTF-8 (optionally after EF BB BF), UTF-16 with its mark.
std::string EncodeUtf8(const std::wstring& text, bool bom);
std::string EncodeUtf16(const std::wstring& text, bool bigEndian, bool bom = true);
// The text in a Windows code page (936, 28591, ...), through the platform's iconv.
std::string EncodeCodePage(const std::wstring& text, int codePage);

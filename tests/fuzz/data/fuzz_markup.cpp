// Loads any bytes as a document (from a file, so the encoding detection runs,
// as wide text, and as the UTF-8 text the catalog's regions are kept in),
// then walks every element and reads every attribute name the input holds.
#include "Markup.h"
#include "TempFolder.h"

#include "CodePage.h"

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace {

// Candidate attribute names: the runs of name characters before a '='.
std::vector<std::wstring> AttributeNames(const std::wstring& doc)
{
    std::vector<std::wstring> names{L"name", L"id", L"Key", L"Value"};
    for (size_t i = 0; i < doc.size() && names.size() < 64; ++i) {
        if (doc[i] != L'=')
            continue;
        size_t end = i;
        while (end > 0 && doc[end - 1] == L' ')
            --end;
        size_t begin = end;
        while (begin > 0 && doc[begin - 1] != L' ' && doc[begin - 1] != L'<' && doc[begin - 1] != L'"' &&
               doc[begin - 1] != L'\'' && end - begin < 32)
            --begin;
        if (begin < end)
            names.push_back(doc.substr(begin, end - begin));
    }
    return names;
}

void Walk(CMarkup& xml, const std::vector<std::wstring>& names, int depth)
{
    while (xml.FindChildElem()) {
        for (const auto& n : names)
            (void)xml.GetChildAttrib(n);
        if (depth < 200 && xml.IntoElem()) {
            Walk(xml, names, depth + 1);
            xml.OutOfElem();
        }
    }
}

void Exercise(CMarkup& xml)
{
    // A UTF-8 document keeps no wide text; its names come from the bytes made wide.
    const std::vector<std::wstring> names =
        AttributeNames(xml.GetDocUtf8().empty() ? xml.GetDoc() : Utf8ToWide(xml.GetDocUtf8()));
    while (xml.FindElem()) {
        for (const auto& n : names)
            (void)xml.GetAttribAt(1, n);
        Walk(xml, names, 0);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static TempFolder folder;
    static const std::string path = folder.File("fuzz.xml");
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    CMarkup fromFile;
    fromFile.Load(Utf8ToWide(path));
    Exercise(fromFile);

    // The same bytes as wide text, in both name modes.
    std::wstring text;
    for (size_t i = 0; i + 1 < size; i += 2)
        text += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    CMarkup wide;
    wide.SetDocFlags(size && (data[0] & 1) ? CMarkup::MDF_IGNORECASE : 0);
    wide.SetDoc(Utf8ToWide(std::string(reinterpret_cast<const char*>(data), size)));
    Exercise(wide);
    CMarkup units(text);
    Exercise(units);
    CMarkup utf8;
    utf8.SetDocFlags(size && (data[0] & 1) ? CMarkup::MDF_IGNORECASE : 0);
    utf8.SetDocUtf8(std::string(reinterpret_cast<const char*>(data), size));
    Exercise(utf8);
    return 0;
}

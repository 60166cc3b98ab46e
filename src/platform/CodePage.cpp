#include "CodePage.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <iconv.h>

std::wstring Utf8ToWide(std::string_view text)
{
    std::wstring out;
    out.reserve(text.size());
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        unsigned char c = s[i];
        uint32_t cp;
        size_t len;
        if (c < 0x80) {
            cp = c;
            len = 1;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            len = 2;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            len = 3;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07;
            len = 4;
        } else {
            out += L'\xFFFD';
            ++i;
            continue;
        }
        bool ok = i + len <= n;
        for (size_t k = 1; ok && k < len; ++k) {
            if ((s[i + k] & 0xC0) != 0x80)
                ok = false;
            else
                cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not text.
        static const uint32_t minimum[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (!ok || cp < minimum[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out += L'\xFFFD';
            ++i;
            continue;
        }
        out += static_cast<wchar_t>(cp);
        i += len;
    }
    return out;
}

std::string WideToUtf8(const std::wstring& text)
{
    std::string out;
    out.reserve(text.size());
    for (wchar_t wc : text) {
        uint32_t cp = static_cast<uint32_t>(wc);
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            cp = 0xFFFD;
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

namespace {

struct CodePageName {
    int codePage;
    const char* iconvName;
};

// Windows code-page numbers and the names iconv knows them by.
constexpr CodePageName kCodePages[] = {
    {37, "IBM037"},
    {437, "IBM437"},
    {500, "IBM500"},
    {708, "ASMO-708"},
    {737, "CP737"},
    {775, "CP775"},
    {850, "CP850"},
    {852, "CP852"},
    {855, "CP855"},
    {857, "CP857"},
    {858, "CP858"},
    {860, "CP860"},
    {861, "CP861"},
    {862, "CP862"},
    {863, "CP863"},
    {864, "CP864"},
    {865, "CP865"},
    {866, "CP866"},
    {869, "CP869"},
    {874, "CP874"},
    {875, "CP875"},
    {932, "CP932"},
    {936, "CP936"},
    {949, "CP949"},
    {950, "CP950"},
    {1026, "IBM1026"},
    {1200, "UTF-16LE"},
    {1201, "UTF-16BE"},
    {1250, "CP1250"},
    {1251, "CP1251"},
    {1252, "CP1252"},
    {1253, "CP1253"},
    {1254, "CP1254"},
    {1255, "CP1255"},
    {1256, "CP1256"},
    {1257, "CP1257"},
    {1258, "CP1258"},
    {1361, "JOHAB"},
    {10000, "MACINTOSH"},
    {10007, "MAC-CYRILLIC"},
    {10029, "MAC-CENTRALEUROPE"},
    {12000, "UTF-32LE"},
    {12001, "UTF-32BE"},
    {20127, "ASCII"},
    {20866, "KOI8-R"},
    {20932, "EUC-JP"},
    {20936, "GB2312"},
    {21866, "KOI8-U"},
    {28591, "ISO-8859-1"},
    {28592, "ISO-8859-2"},
    {28593, "ISO-8859-3"},
    {28594, "ISO-8859-4"},
    {28595, "ISO-8859-5"},
    {28596, "ISO-8859-6"},
    {28597, "ISO-8859-7"},
    {28598, "ISO-8859-8"},
    {28599, "ISO-8859-9"},
    {28600, "ISO-8859-10"},
    {28601, "ISO-8859-11"},
    {28603, "ISO-8859-13"},
    {28604, "ISO-8859-14"},
    {28605, "ISO-8859-15"},
    {28606, "ISO-8859-16"},
    {38598, "ISO-8859-8"},
    {50220, "ISO-2022-JP"},
    {50221, "ISO-2022-JP"},
    {50222, "ISO-2022-JP"},
    {50225, "ISO-2022-KR"},
    {50227, "ISO-2022-CN"},
    {51932, "EUC-JP"},
    {51936, "EUC-CN"},
    {51949, "EUC-KR"},
    {54936, "GB18030"},
    {65000, "UTF-7"},
    {65001, "UTF-8"},
};

const char* IconvName(int codePage)
{
    if (codePage == kCodePageAnsi)
        return "UTF-8";
    for (const auto& c : kCodePages)
        if (c.codePage == codePage)
            return c.iconvName;
    return nullptr;
}

// One iconv conversion descriptor, closed when it goes out of scope.
class Iconv {
public:
    Iconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Iconv()
    {
        if (ok())
            iconv_close(m_cd);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return m_cd; }

private:
    iconv_t m_cd;
};

// Runs the whole input through `cd`, putting `bad` in place of every unit
// that does not convert and skipping `badStep` input bytes for it.
void Convert(iconv_t cd, const char* in, size_t inLeft, std::string& out, size_t badStep, const std::string& bad,
             size_t* badCount)
{
    char* src = const_cast<char*>(in);
    char chunk[4096];
    size_t count = 0;
    for (;;) {
        char* dst = chunk;
        size_t dstLeft = sizeof chunk;
        size_t r = inLeft ? iconv(cd, &src, &inLeft, &dst, &dstLeft) : iconv(cd, nullptr, nullptr, &dst, &dstLeft);
        out.append(chunk, static_cast<size_t>(dst - chunk));
        if (r != static_cast<size_t>(-1)) {
            if (!inLeft)
                break;
            continue;
        }
        if (errno == E2BIG)
            continue;
        // EILSEQ: a unit that does not convert; EINVAL: an incomplete one at the end.
        const size_t step = std::min(badStep, inLeft);
        src += step;
        inLeft -= step;
        out += bad;
        ++count;
        if (!inLeft) {
            // Reset the shift state and flush.
            dst = chunk;
            dstLeft = sizeof chunk;
            iconv(cd, nullptr, nullptr, &dst, &dstLeft);
            out.append(chunk, static_cast<size_t>(dst - chunk));
            break;
        }
    }
    if (badCount)
        *badCount = count;
}

} // namespace

bool IsCodePageSupported(int codePage)
{
    const char* name = IconvName(codePage);
    if (!name)
        return false;
    Iconv cd("WCHAR_T", name);
    return cd.ok();
}

bool CodePageToWide(int codePage, const char* bytes, size_t length, std::wstring& out, size_t* replaced)
{
    out.clear();
    if (replaced)
        *replaced = 0;
    const char* name = IconvName(codePage);
    if (!name)
        return false;
    Iconv cd("WCHAR_T", name);
    if (!cd.ok())
        return false;
    if (!bytes || !length)
        return true;
    std::string raw;
    raw.reserve(length * sizeof(wchar_t));
    const wchar_t question = L'?';
    // A code unit of a UTF-16 or UTF-32 text is 2 or 4 bytes: skip it whole.
    const size_t step = (codePage == kCodePageUtf16Le || codePage == kCodePageUtf16Be)   ? 2
                        : (codePage == kCodePageUtf32Le || codePage == kCodePageUtf32Be) ? 4
                                                                                         : 1;
    Convert(cd.get(), bytes, length, raw, step, std::string(reinterpret_cast<const char*>(&question), sizeof question),
            replaced);
    out.assign(reinterpret_cast<const wchar_t*>(raw.data()), raw.size() / sizeof(wchar_t));
    return true;
}

bool WideToCodePage(int codePage, const std::wstring& text, std::string& out, size_t* lost)
{
    out.clear();
    if (lost)
        *lost = 0;
    const char* name = IconvName(codePage);
    if (!name)
        return false;
    Iconv cd(name, "WCHAR_T");
    if (!cd.ok())
        return false;
    if (text.empty())
        return true;
    // '?' as the target code page writes it (two bytes in UTF-16, say).
    std::string question;
    {
        Iconv q(name, "WCHAR_T");
        const wchar_t mark = L'?';
        Convert(q.get(), reinterpret_cast<const char*>(&mark), sizeof mark, question, sizeof mark, "?", nullptr);
    }
    Convert(cd.get(), reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t), out, sizeof(wchar_t),
            question, lost);
    return true;
}

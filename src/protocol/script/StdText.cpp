#include "StdText.h"

#include "CodePage.h"
#include "DataSheet.h"

#include <deque>
#include <mutex>

namespace {

// Other programs may call the exports from any thread; the lock keeps the
// cache whole.
std::mutex g_cacheLock;

std::deque<CDataSheet::TEXT_RES>& Cache()
{
    static std::deque<CDataSheet::TEXT_RES> cache;
    return cache;
}

bool SameId(const CBinary& a, const CBinary& b) { return a.GetSize() == b.GetSize() && CBinary::Compare(a, b) == 0; }

std::string ReadText(uint8_t folderChoice, const CBinary& id)
{
    CDataSheet sheet;
    sheet.m_nFolderChoice = folderChoice;
    if (!sheet.OpenTextTab())
        return std::string();
    return CDataSheet::FindText(sheet, id);
}

} // namespace

std::string adsGetStdText(CBinary id)
{
    std::lock_guard<std::mutex> lock(g_cacheLock);
    std::deque<CDataSheet::TEXT_RES>& cache = Cache();
    for (const CDataSheet::TEXT_RES& entry : cache)
        if (SameId(entry.m_id, id))
            return entry.m_text;
    std::string text = ReadText(TABLE_FOLDER_TEXT, id);
    if (cache.size() >= STD_TEXT_CACHE_MAX)
        cache.pop_front();
    cache.push_back({id, text});
    return text;
}

std::wstring adsGetStdText_CString(CBinary id) { return Utf8ToWide(adsGetStdText(id)); }

std::string adsGetTextFromTextLib(CBinary id) { return ReadText(TABLE_FOLDER_PROGRAM, id); }

void ClearStdTextCache()
{
    std::lock_guard<std::mutex> lock(g_cacheLock);
    Cache().clear();
}

size_t StdTextCacheSize()
{
    std::lock_guard<std::mutex> lock(g_cacheLock);
    return Cache().size();
}

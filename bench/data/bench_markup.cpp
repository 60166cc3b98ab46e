// CMarkup against pugixml on one 20 MB region-like vehicle document: parsing
// text already in memory (how the vehicle loader hands documents over), and
// loading the file (how the language files are read). Goal: within 3x of
// pugixml's parse time.
#include "Markup.h"
#include "TempFolder.h"
#include "XmlFixtures.h"

#include "CodePage.h"

#include <benchmark/benchmark.h>
#include <fstream>
#include <pugixml.hpp>

namespace {

constexpr size_t kDocBytes = 20u << 20;

const std::string& Document()
{
    static const std::string doc = MakeRegionXml(kDocBytes);
    return doc;
}

const std::wstring& WideDocument()
{
    static const std::wstring doc = Utf8ToWide(Document());
    return doc;
}

const std::string& DocumentFile()
{
    static TempFolder folder;
    static const std::string path = [] {
        const std::string p = folder.File("TPMS_Bench.xml");
        std::ofstream(p, std::ios::binary) << Document();
        return p;
    }();
    return path;
}

void BM_CMarkupParse(benchmark::State& state)
{
    const std::wstring& text = WideDocument();
    for (auto _ : state) {
        CMarkup xml(text);
        benchmark::DoNotOptimize(xml.IsWellFormed());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(Document().size()));
}

void BM_PugixmlParse(benchmark::State& state)
{
    const std::string& text = Document();
    for (auto _ : state) {
        pugi::xml_document doc;
        benchmark::DoNotOptimize(doc.load_buffer(text.data(), text.size()));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

void BM_CMarkupLoadFile(benchmark::State& state)
{
    const std::wstring path = Utf8ToWide(DocumentFile());
    for (auto _ : state) {
        CMarkup xml;
        benchmark::DoNotOptimize(xml.Load(path));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(Document().size()));
}

void BM_PugixmlLoadFile(benchmark::State& state)
{
    const std::string& path = DocumentFile();
    for (auto _ : state) {
        pugi::xml_document doc;
        benchmark::DoNotOptimize(doc.load_file(path.c_str()));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(Document().size()));
}

// The vehicle loader's walk over the whole index, for scale.
void BM_CMarkupWalkYears(benchmark::State& state)
{
    for (auto _ : state) {
        CMarkup walk(WideDocument());
        int years = 0;
        walk.FindElem(L"makers");
        while (walk.FindChildElem(L"maker")) {
            walk.IntoElem();
            while (walk.FindChildElem(L"model")) {
                walk.IntoElem();
                while (walk.FindChildElem(L"year"))
                    years += !walk.GetChildAttrib(L"firstid").empty();
                walk.OutOfElem();
            }
            walk.OutOfElem();
        }
        benchmark::DoNotOptimize(years);
    }
}

BENCHMARK(BM_CMarkupParse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PugixmlParse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CMarkupLoadFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PugixmlLoadFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CMarkupWalkYears)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

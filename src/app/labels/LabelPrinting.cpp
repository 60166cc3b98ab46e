#include "LabelPrinting.h"

#include "BaseDrawImage.h"
#include "Graphics.h"
#include "PrintImageManage.h"
#include "PrintRegistry.h"
#include "PrinterService.h"
#include "TPMSPrintInfo.h"

#include <algorithm>
#include <cmath>

namespace {

const wchar_t kDocumentName[] = L"Data Printing";
constexpr short kPortrait = 1;

} // namespace

bool IsPaperSizeValid(float millimetres)
{
    return std::isfinite(millimetres) && millimetres >= kMinPaperMm && millimetres <= kMaxPaperMm;
}

bool EnumLocalPrinters(std::vector<std::wstring>& names)
{
    names = GetPrinterService().EnumPrinters();
    return !names.empty();
}

bool GetDefaultPrinterName(std::wstring& name)
{
    name = GetPrinterService().GetDefaultPrinter();
    return !name.empty();
}

int PrintLabel(const _tagPrintSettingInfo& settings, _tagTPMSPrintInfo& content, PrintRegistry& registry)
{
    content.registryNumber = LookupPrintNumber(registry, content.sensorId);
    // A size that came from the settings file unchecked never reaches the printer.
    if (!IsPaperSizeValid(settings.paperWidth) || !IsPaperSizeValid(settings.paperHeight))
        return kPrintBadPaper;
    const PaperRecord paper{kPortrait, static_cast<int>(settings.paperWidth * 10),
                            static_cast<int>(settings.paperHeight * 10)};
    CPrintImageManage drawer;
    return PrintToPrinter(&drawer, paper, settings.printerName, &content);
}

int PrintToPrinter(CBaseDrawImage* drawer, const PaperRecord& paper, const std::wstring& printerName,
                   const _tagBaseDrawParam* content)
{
    if (!drawer || !content)
        return kPrintNoContent;
    std::vector<std::wstring> printers;
    EnumLocalPrinters(printers);
    if (std::find(printers.begin(), printers.end(), printerName) == printers.end())
        return kPrinterMissing;
    return PrintPage(printerName, paper, content, drawer);
}

int PrintPage(const std::wstring& printerName, const PaperRecord& paper, const _tagBaseDrawParam* content,
              CBaseDrawImage* drawer)
{
    std::unique_ptr<IPrintJob> job =
        GetPrinterService().StartJob(printerName, paper.paperWidth, paper.paperLength, kDocumentName);
    if (!job)
        return kPrintNotStarted;
    Graphics& dc = job->Page();
    const CRect clip = dc.GetClipBox();
    drawer->Draw(dc, 1, clip.left, clip.top, clip.right - 1, clip.bottom - 1, content);
    return job->End() ? kPrinted : kPrintRejected;
}

#pragma once
// Printing one label: the printers of this machine, the paper sent with the
// job, and the steps from the settings and a label's content to a printed page.
// Every step reports how it ended, so that the user hears of a label that did
// not come out.
#include "PrintSettingInfo.h"

#include <string>
#include <vector>

class CBaseDrawImage;
class PrintRegistry;
struct _tagTPMSPrintInfo;

// The paper sent to the printer: portrait, a user-defined size in 0.1 mm.
struct PaperRecord {
    short orientation = 1;
    int paperWidth = 0;
    int paperLength = 0;
};

// How a print ended.
enum PrintResult : int {
    kPrinted = 0,
    kPrintNoContent = -1, // no drawer or no content
    kPrinterMissing = 1,  // the printer is not installed (any more)
    kPrintNotStarted = 2, // the document could not be started
    kPrintRejected = 3,   // the printer did not take the finished document
    kPrintBadPaper = 4,   // a paper size outside what a label can be
};

// Paper sizes are finite millimetres from 1 to 500.
inline constexpr float kMinPaperMm = 1.0f;
inline constexpr float kMaxPaperMm = 500.0f;
bool IsPaperSizeValid(float millimetres);

// The printers of this machine in the spooler's order; true when there are any.
bool EnumLocalPrinters(std::vector<std::wstring>& names);
// The default printer's name; false when there is none.
bool GetDefaultPrinterName(std::wstring& name);

// Numbers the label in the registry and prints it on the settings' printer
// and paper.
int PrintLabel(const _tagPrintSettingInfo& settings, _tagTPMSPrintInfo& content, PrintRegistry& registry);
// The content on one page of the paper, on the named printer.
int PrintToPrinter(CBaseDrawImage* drawer, const PaperRecord& paper, const std::wstring& printerName,
                   const _tagBaseDrawParam* content);
// One document "Data Printing" of one page, the drawer drawing over its whole
// printable area.
int PrintPage(const std::wstring& printerName, const PaperRecord& paper, const _tagBaseDrawParam* content,
              CBaseDrawImage* drawer);

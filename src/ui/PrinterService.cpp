#include "PrinterService.h"

#include "QtPrintJob.h"
#include "UiThread.h"

#include <QPrinter>
#include <QPrinterInfo>

#include <atomic>

namespace {

class QtPrinterService final : public IPrinterService {
public:
    std::vector<std::wstring> EnumPrinters() override
    {
        return CallOnUiThread([] {
            std::vector<std::wstring> out;
            for (const QString& name : QPrinterInfo::availablePrinterNames())
                out.push_back(name.toStdWString());
            return out;
        });
    }
    std::wstring GetDefaultPrinter() override
    {
        return CallOnUiThread([] { return QPrinterInfo::defaultPrinterName().toStdWString(); });
    }
    std::unique_ptr<IPrintJob> StartJob(const std::wstring& printer, int widthTenthMm, int lengthTenthMm,
                                        const std::wstring& documentName) override
    {
        return CallOnUiThread([&]() -> std::unique_ptr<IPrintJob> {
            QPrinterInfo info = QPrinterInfo::printerInfo(QString::fromStdWString(printer));
            if (info.isNull())
                return nullptr;
            return StartQtPrintJob(std::make_unique<QPrinter>(info, QPrinter::HighResolution), widthTenthMm,
                                   lengthTenthMm, documentName);
        });
    }
};

QtPrinterService g_qtPrinters;
std::atomic<IPrinterService*> g_printers{nullptr};

} // namespace

void SetPrinterService(IPrinterService* service) { g_printers.store(service); }

IPrinterService& GetPrinterService()
{
    IPrinterService* s = g_printers.load();
    return s ? *s : g_qtPrinters;
}

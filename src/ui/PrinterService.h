#pragma once
// The printers and one print job, behind an interface that tests replace: the
// list of printers, the default printer, and a job of one page on a paper size
// of the program's choosing (0.1 mm units, portrait), drawn through Graphics
// with the printer's device capabilities.
#include <memory>
#include <string>
#include <vector>

class Graphics;

class IPrintJob {
public:
    virtual ~IPrintJob() = default;
    // The page's drawing context, valid until End.
    virtual Graphics& Page() = 0;
    // Finishes the document and hands it to the printer; false when that failed.
    virtual bool End() = 0;
};

class IPrinterService {
public:
    virtual ~IPrinterService() = default;
    virtual std::vector<std::wstring> EnumPrinters() = 0;
    // Empty when there is no default printer.
    virtual std::wstring GetDefaultPrinter() = 0;
    // A job of one page; nullptr when the printer cannot be opened or the
    // document does not start.
    virtual std::unique_ptr<IPrintJob> StartJob(const std::wstring& printer, int paperWidthTenthMm,
                                                int paperLengthTenthMm, const std::wstring& documentName) = 0;
};

// The service in use (nullptr restores the real one). The caller keeps ownership.
void SetPrinterService(IPrinterService* service);
IPrinterService& GetPrinterService();

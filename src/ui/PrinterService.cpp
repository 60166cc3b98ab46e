#include "PrinterService.h"

#include "Graphics.h"
#include "UiThread.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include <atomic>

namespace {

class QtPrintJob final : public IPrintJob {
public:
    QtPrintJob(std::unique_ptr<QPrinter> printer) : m_printer(std::move(printer)) {}
    ~QtPrintJob() override { End(); }

    bool Begin()
    {
        if (!m_painter.begin(m_printer.get()))
            return false;
        m_graphics = std::make_unique<Graphics>(m_painter, m_printer->resolution(), true);
        return true;
    }
    Graphics& Page() override { return *m_graphics; }
    bool End() override
    {
        if (!m_painter.isActive())
            return m_ok;
        m_graphics.reset();
        m_ok = m_painter.end();
        return m_ok;
    }

private:
    std::unique_ptr<QPrinter> m_printer;
    QPainter m_painter;
    std::unique_ptr<Graphics> m_graphics;
    bool m_ok = false;
};

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
            if (info.isNull() || widthTenthMm <= 0 || lengthTenthMm <= 0)
                return nullptr;
            auto qp = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
            qp->setFullPage(true);
            QPageSize size(QSizeF(widthTenthMm / 10.0, lengthTenthMm / 10.0), QPageSize::Millimeter, QString(),
                           QPageSize::ExactMatch);
            qp->setPageLayout(QPageLayout(size, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
            qp->setDocName(QString::fromStdWString(documentName));
            auto job = std::make_unique<QtPrintJob>(std::move(qp));
            if (!job->Begin())
                return nullptr;
            return job;
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

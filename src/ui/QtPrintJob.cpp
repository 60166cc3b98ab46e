#include "QtPrintJob.h"

#include "Graphics.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>

namespace {

class QtPrintJob final : public IPrintJob {
public:
    explicit QtPrintJob(std::unique_ptr<QPrinter> printer) : m_printer(std::move(printer)) {}
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

} // namespace

std::unique_ptr<IPrintJob> StartQtPrintJob(std::unique_ptr<QPrinter> printer, int widthTenthMm, int lengthTenthMm,
                                           const std::wstring& documentName)
{
    if (!printer || widthTenthMm <= 0 || lengthTenthMm <= 0)
        return nullptr;
    printer->setFullPage(true);
    QPageSize size(QSizeF(widthTenthMm / 10.0, lengthTenthMm / 10.0), QPageSize::Millimeter, QString(),
                   QPageSize::ExactMatch);
    printer->setPageLayout(QPageLayout(size, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    printer->setDocName(QString::fromStdWString(documentName));
    auto job = std::make_unique<QtPrintJob>(std::move(printer));
    if (!job->Begin())
        return nullptr;
    return job;
}

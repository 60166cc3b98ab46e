#pragma once
// The layer's own: a print job on a QPrinter, set up the way the program
// prints a label. The printer service starts it on a named printer; a test
// starts it on a printer that writes a PDF file.
#include "PrinterService.h"

#include <memory>
#include <string>

class QPrinter;

// Sets the printer to the whole page without margins, a paper of exactly that
// size (0.1 mm units, portrait) and the document's name, and begins painting.
// nullptr when the size is not positive or the painting does not begin.
std::unique_ptr<IPrintJob> StartQtPrintJob(std::unique_ptr<QPrinter> printer, int widthTenthMm, int lengthTenthMm,
                                           const std::wstring& documentName);

#include "support/scripted_print.h"

#include <QPrinter>

namespace qtx::test {

bool ScriptedPrintDialogs::Print(const QString&, QPrinter& printer, const std::function<void(QPrinter*)>& paint)
{
    if (pdfFiles.isEmpty())
        return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdfFiles.dequeue());
    paint(&printer);
    return true;
}

QStringList ScriptedPrintDialogs::TakeUnused()
{
    QStringList unused = ScriptedDialogs::TakeUnused();
    if (!pdfFiles.isEmpty())
        unused.append(QStringLiteral("%1 PDF files").arg(pdfFiles.size()));
    pdfFiles.clear();
    return unused;
}

} // namespace qtx::test

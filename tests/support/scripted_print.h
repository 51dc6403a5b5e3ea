#pragma once
// The scripted dialog seam for window tests that print: each print goes into a PDF file.

#include "base/widgets/printing.h"
#include "support/scripted_dialogs.h"

namespace qtx::test {

// Records and answers as ScriptedDialogs does, and prints into the files of pdfFiles.
class ScriptedPrintDialogs final : public ScriptedDialogs, public PrintSeam {
public:
    // Prints once into the next PDF file of pdfFiles; cancel when none is left.
    bool Print(const QString& title, QPrinter& printer, const std::function<void(QPrinter*)>& paint) override;
    QStringList TakeUnused() override;

    QQueue<QString> pdfFiles;
};

} // namespace qtx::test

#include "base/widgets/printing.h"

#include "base/dialogs.h"

namespace qtx {

PrintSeam::~PrintSeam() = default;

bool Print(const QString& title, QPrinter& printer, const std::function<void(QPrinter*)>& paint)
{
    auto* seam = dynamic_cast<PrintSeam*>(&Dialogs());
    return seam != nullptr && seam->Print(title, printer, paint);
}

} // namespace qtx

#pragma once
// The dialog seam's print dialog, kept with the widgets because it needs Qt PrintSupport.

#include <QString>
#include <functional>

class QPrinter;

namespace qtx {

// The part of a dialog seam that prints; a seam that can print (the widget one, the tests'
// scripted one) derives from it besides DialogSeam.
class PrintSeam {
public:
    virtual ~PrintSeam();
    // The print dialog with a preview for the printer; paint draws the document on the printer
    // it is given, as often as the preview or the print needs. False when the user cancels.
    virtual bool Print(const QString& title, QPrinter& printer, const std::function<void(QPrinter*)>& paint) = 0;
};

// Prints through the installed dialog seam; false when that seam cannot print (the console one).
bool Print(const QString& title, QPrinter& printer, const std::function<void(QPrinter*)>& paint);

} // namespace qtx

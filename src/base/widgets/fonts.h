#pragma once
// The interface's fixed-pitch font: Courier New where it exists, its metric twin Liberation Mono otherwise.

#include <QFont>

namespace qtx {

inline QFont FixedFont(bool bold = false, int pixelSize = 13)
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

} // namespace qtx

#pragma once
// The banner at the top of the main window: the built-in picture or the one picture in logo/.

#include <QImage>
#include <QString>

namespace qtx {

// The built-in 741 x 64 banner.
QImage BuiltInBanner();

// Decodes a JPEG file with libjpeg; raises FileError when it cannot be read or decoded.
QImage DecodeJpegFile(const QString& path);

// The banner for a program folder: built-in when appDir has no "logo" folder, empty unless
// the folder holds exactly one "*.jpg", else that picture captioned with its name
// (and " (*DEBUG*)" in debug mode).
QImage MakeBanner(const QString& appDir, bool debugMode);

} // namespace qtx

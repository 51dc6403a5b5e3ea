#include "app/banner.h"

#include "base/errors.h"
#include "base/text_file.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLinearGradient>
#include <QPainter>

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace qtx {

QImage BuiltInBanner()
{
    QImage image(741, 64, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient sky(0, 0, 741, 0);
    sky.setColorAt(0, QColor(0x12, 0x2c, 0x4f));
    sky.setColorAt(1, QColor(0x2f, 0x6f, 0xa8));
    p.fillRect(image.rect(), sky);
    // A door with a card reader beside it.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe8, 0xee, 0xf4));
    p.drawRect(14, 8, 30, 48);
    p.setBrush(QColor(0x12, 0x2c, 0x4f));
    p.drawEllipse(36, 30, 4, 4);
    p.setBrush(QColor(0xf2, 0xb1, 0x34));
    p.drawRoundedRect(50, 22, 12, 18, 2, 2);
    QFont title(QStringLiteral("Courier New"));
    title.setPixelSize(30);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRect(76, 4, 660, 36), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("QTX MANAGER"));
    QFont sub(QStringLiteral("Courier New"));
    sub.setPixelSize(13);
    p.setFont(sub);
    p.setPen(QColor(0xd6, 0xe4, 0xf0));
    p.drawText(QRect(78, 40, 660, 18), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("access-control event recorder  \u2022  users  \u2022  archive  \u2022  RS-232"));
    return image;
}

namespace {

struct JpegErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void JpegErrorExit(j_common_ptr info)
{
    auto* manager = reinterpret_cast<JpegErrorManager*>(info->err);
    (*info->err->format_message)(info, manager->message);
    std::longjmp(manager->jump, 1);
}

// Kept free of objects with destructors, because libjpeg reports errors by longjmp.
bool DecodeJpeg(const QByteArray& data, QImage& image, char* error)
{
    jpeg_decompress_struct info;
    JpegErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = JpegErrorExit;
    if (setjmp(errors.jump)) {
        std::snprintf(error, JMSG_LENGTH_MAX, "%s", errors.message);
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGRX;
    jpeg_start_decompress(&info);
    image = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height), QImage::Format_RGB32);
    if (image.isNull()) {
        std::snprintf(error, JMSG_LENGTH_MAX, "picture too large");
        jpeg_destroy_decompress(&info);
        return false;
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.scanLine(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

} // namespace

QImage DecodeJpegFile(const QString& path)
{
    const QByteArray data = ReadWholeFile(path);
    QImage image;
    char error[JMSG_LENGTH_MAX] = {};
    if (!DecodeJpeg(data, image, error))
        throw FileError(InterfaceSentence(QStringLiteral("CANNOT DECODE PICTURE"))
                        + QStringLiteral(" \"%1\": %2").arg(path, QString::fromLocal8Bit(error)));
    return image;
}

QImage MakeBanner(const QString& appDir, bool debugMode)
{
    const QDir logo(appDir + QStringLiteral("logo"));
    if (!logo.exists())
        return BuiltInBanner();
    const QStringList pictures = logo.entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
    if (pictures.size() != 1)
        return {};
    QImage picture = DecodeJpegFile(logo.filePath(pictures.front()));
    QString caption = pictures.front().chopped(4);
    if (debugMode)
        caption += QStringLiteral(" (*DEBUG*)");
    QPainter p(&picture);
    QFont font = QApplication::font();
    font.setPointSizeF(font.pointSizeF() + 2);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QPoint(2, 2 + p.fontMetrics().ascent()), caption);
    return picture;
}

} // namespace qtx

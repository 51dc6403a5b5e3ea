#include "base/text_file.h"

#include "base/errors.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <array>

namespace qtx {

namespace {

// Code page 1250 maps each byte to one character: a table filled once by the decoder turns a
// list of thousands of names into text without a converter per field.
struct Cp1250Table {
    std::array<QChar, 256> chars{};
    bool valid = false;

    Cp1250Table()
    {
        QStringDecoder decoder("windows-1250");
        if (!decoder.isValid())
            return;
        QByteArray all(256, '\0');
        for (int b = 0; b < 256; ++b)
            all[b] = static_cast<char>(b);
        const QString decoded = decoder(all);
        // A byte the code page leaves undefined must still decode to one character.
        if (decoded.size() != 256)
            return;
        std::copy(decoded.begin(), decoded.end(), chars.begin());
        valid = true;
    }
};

} // namespace

QByteArray ReadWholeFile(const QString& path)
{
    QFile file(path);
    if (QFileInfo(path).isDir())
        throw FileError(CannotOpenMessage(path, QStringLiteral("It is a folder.")));
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(CannotOpenMessage(path, file.errorString()));
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw FileError(CannotOpenMessage(path, file.errorString()));
    return data;
}

void WriteWholeFile(const QString& path, const QByteArray& data)
{
    QSaveFile file(path);
    // A read-only target must stay untouched, even though its folder may be writable.
    const QFileInfo info(path);
    if (info.exists() && !info.isWritable())
        throw FileError(CannotCreateMessage(path, QStringLiteral("Permission denied")));
    if (!file.open(QIODevice::WriteOnly))
        throw FileError(CannotCreateMessage(path, file.errorString()));
    if (file.write(data) != data.size() || !file.commit())
        throw FileError(CannotCreateMessage(path, file.errorString()));
}

void DeleteFileOrThrow(const QString& path)
{
    QFile file(path);
    if (file.exists() && !file.remove())
        throw FileError(QStringLiteral("Cannot delete file \"%1\". %2").arg(path, file.errorString()));
}

QList<QByteArray> SplitLines(const QByteArray& data)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    const qsizetype n = data.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = data[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.append(data.mid(start, i - start));
        if (c == '\r' && i + 1 < n && data[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(data.mid(start));
    return lines;
}

QList<QByteArray> ReadTextLines(const QString& path)
{
    return SplitLines(ReadWholeFile(path));
}

QByteArray JoinLinesCrLf(const QList<QByteArray>& lines)
{
    QByteArray out;
    for (const QByteArray& line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

void WriteTextLines(const QString& path, const QList<QByteArray>& lines)
{
    WriteWholeFile(path, JoinLinesCrLf(lines));
}

QByteArray AsOneLine(const QByteArray& text)
{
    auto isBreak = [](char c) { return c == '\r' || c == '\n'; };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBreak(text[begin]))
        ++begin;
    while (end > begin && isBreak(text[end - 1]))
        --end;
    QByteArray line;
    line.reserve(end - begin);
    for (qsizetype i = begin; i < end; ++i) {
        if (!isBreak(text[i]))
            line.append(text[i]);
        else if (!isBreak(text[i - 1]))
            line.append(' ');
    }
    return line;
}

QString FromCp1250(QByteArrayView bytes)
{
    static const Cp1250Table table;
    if (!table.valid) {
        QStringDecoder decoder("windows-1250");
        return decoder.isValid() ? QString(decoder(bytes)) : QString::fromLatin1(bytes);
    }
    QString text(bytes.size(), Qt::Uninitialized);
    std::transform(bytes.begin(), bytes.end(), text.begin(),
                   [](char c) { return table.chars[static_cast<unsigned char>(c)]; });
    return text;
}

QByteArray ToCp1250(const QString& text)
{
    QStringEncoder encoder("windows-1250");
    return encoder.isValid() ? QByteArray(encoder(text)) : text.toLatin1();
}

QStringList CharactersOutsideCp1250(const QString& text)
{
    QStringList outside;
    for (const char32_t code : text.toUcs4()) {
        const QString character = QString::fromUcs4(&code, 1);
        if (FromCp1250(ToCp1250(character)) != character && !outside.contains(character))
            outside.append(character);
    }
    return outside;
}

} // namespace qtx

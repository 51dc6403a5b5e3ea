#pragma once
// Whole-file reading and atomic writing, line splitting and the code page 1250 conversions.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace qtx {

// Reads the whole file; raises FileError with the system's reason when it cannot.
QByteArray ReadWholeFile(const QString& path);

// Writes the whole file atomically: a scratch file beside it, written unbuffered and synced with
// every result checked, then renamed over it. On any failure (a full disk among them) the old
// file is intact, the scratch file is gone and FileError names the file and the system's reason.
void WriteWholeFile(const QString& path, const QByteArray& data);

// The same for a file that a library writes itself: write gets the name of a scratch file beside
// the target, writes it whole and raises on failure; it is then synced and renamed over the
// target. The scratch file never outlives a failure.
void SaveThroughScratch(const QString& path, const std::function<void(const QString& scratch)>& write);

// Deletes a file; raises FileError when it exists and cannot be deleted.
void DeleteFileOrThrow(const QString& path);

// Splits text into lines ended by CR, LF or CR LF; a last line without an ending counts,
// an ending at the very end adds no empty line.
QList<QByteArray> SplitLines(const QByteArray& data);

// Reads a text file as lines (see SplitLines).
QList<QByteArray> ReadTextLines(const QString& path);

// Joins lines, each followed by CR LF, the last one included.
QByteArray JoinLinesCrLf(const QList<QByteArray>& lines);

// Writes lines, each followed by CR LF, atomically.
void WriteTextLines(const QString& path, const QList<QByteArray>& lines);

// A value that must stay on its line of a text file: line breaks at the ends dropped and each
// inner run of them made one blank, since a CR or LF inside would start a line of its own.
QByteArray AsOneLine(const QByteArray& text);

// Code page 1250, the recorder's 8-bit text.
QString FromCp1250(QByteArrayView bytes);
QByteArray ToCp1250(const QString& text);

// The characters of the text that code page 1250 cannot hold, each once, in order of first use;
// ToCp1250 would store each of them as a substitute byte.
QStringList CharactersOutsideCp1250(const QString& text);

} // namespace qtx

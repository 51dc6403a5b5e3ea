#pragma once
// Errors raised by file and list operations; the application-wide error box shows their message.

#include <QString>
#include <exception>
#include <functional>
#include <utility>

namespace qtx {

// Base of every error the program raises; carries the text shown to the user.
class Error : public std::exception {
public:
    explicit Error(QString message);
    const QString& message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
};

// A file could not be opened, read, created, written or deleted.
class FileError : public Error {
public:
    using Error::Error;
    FileError(QString message, QString reason) : Error(std::move(message)), reason_(std::move(reason)) {}
    // The cause alone ("no space left on the device"), in the interface language; empty when
    // the message does not carry one of its own.
    const QString& reason() const noexcept { return reason_; }

private:
    QString reason_;
};

// A list was indexed past its end (for example a language record without the asked column).
class ListIndexError : public Error {
public:
    explicit ListIndexError(qsizetype index);
};

// A value that had to be a date, a number or similar was not.
class FormatError : public Error {
public:
    using Error::Error;
};

// The interface language as this layer sees it: the program installs a lookup from an English
// key ("NO SPACE LEFT ON THE DEVICE") to the text in the language in use; without one, or with
// an empty function, the key itself is the text. Tools without a language keep English.
using TextLookup = std::function<QString(const QString& key)>;
void SetTextLookup(TextLookup lookup);
// The key's text in the interface language, first letter as stored and the rest in lower case.
QString InterfaceSentence(const QString& key);
// The key's text in the interface language, in lower case (a part of a sentence).
QString InterfaceLower(const QString& key);

// Why a file operation failed, from the system's error number, in the interface language.
QString ErrnoReason(int error);

// "Cannot open file "path": reason." and its kin, in the interface language.
QString CannotOpenMessage(const QString& path, const QString& reason);
QString CannotCreateMessage(const QString& path, const QString& reason);
QString CannotDeleteMessage(const QString& path, const QString& reason);

} // namespace qtx

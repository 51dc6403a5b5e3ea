#pragma once
// Errors raised by file and list operations; the application-wide error box shows their message.

#include <QString>
#include <exception>

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

QString CannotOpenMessage(const QString& path, const QString& reason);
QString CannotCreateMessage(const QString& path, const QString& reason);

} // namespace qtx

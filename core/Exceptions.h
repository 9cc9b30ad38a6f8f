#pragma once

#include <QString>

#include <stdexcept>

// The base of the program's own exceptions: a message in the program's own words, kept as UTF-16 so
// that a file name in it survives unchanged into the error report.
class EAppError : public std::runtime_error {
public:
    explicit EAppError(const QString& message)
        : std::runtime_error(message.toStdString()), Message(message) {}
    const QString Message;
};

// A file could not be read, created, written or replaced.
class EFileError : public EAppError {
public:
    using EAppError::EAppError;
};

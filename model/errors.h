#pragma once

#include <QString>
#include <stdexcept>

// An error a command reports to the user: its French text, shown by the one error box.
class AppError : public std::runtime_error {
public:
    explicit AppError(const QString& text) : std::runtime_error(text.toStdString()), text_(text) {}
    const QString& text() const { return text_; }

private:
    QString text_;
};

// The text for an operating-system error code (errno): "Fichier introuvable", ...
QString IoErrorText(int errorCode);
AppError IoError(int errorCode);
// A read that needed all its bytes got fewer.
AppError ShortReadError();
// A write that needed all its bytes stored fewer.
AppError DiskFullError();
// An invalid floating-point operation.
AppError FloatError();

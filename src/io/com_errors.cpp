// The port's open and setup errors, with the system's own reason in their text.

#include "io/com_errors.h"

#include <cerrno>
#include <cstring>

EComHandle::EComHandle(const QString& message) : std::runtime_error(message.toStdString()) {}

EComState::EComState(const QString& message) : std::runtime_error(message.toStdString()) {}

QString systemErrorText(int error) {
    char buffer[256];
    // GNU strerror_r: returns the text, which may or may not be in buffer.
    const char* text = strerror_r(error, buffer, sizeof buffer);
    return text ? QString::fromLocal8Bit(text) : QString::number(error);
}

EComHandle openError(int error) {
    return EComHandle(QStringLiteral("Unable to open com port: ") + systemErrorText(error));
}

EComHandle openError(int error, const QByteArray& path) {
    if (error == EACCES) {
        // Serial devices belong to the group dialout; a user outside it cannot open them.
        return EComHandle(QStringLiteral("Keine Berechtigung für %1. Der Benutzer muss zur Gruppe dialout gehören.")
                              .arg(QString::fromLocal8Bit(path)));
    }
    return openError(error);
}

EComState stateError(int error) {
    return EComState(QStringLiteral("Unable to set com state: ") + systemErrorText(error));
}

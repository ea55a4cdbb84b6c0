// Errors of TComPort::Open. Each carries the full message text, e.g.
// "Unable to open com port: No such file or directory".

#pragma once

#include <QByteArray>
#include <QString>

#include <stdexcept>

// The device cannot be opened (or held exclusively).
class EComHandle : public std::runtime_error {
public:
    explicit EComHandle(const QString& message);
    QString Message() const { return QString::fromUtf8(what()); }
};

// The opened device cannot be configured.
class EComState : public std::runtime_error {
public:
    explicit EComState(const QString& message);
    QString Message() const { return QString::fromUtf8(what()); }
};

// The system's text for an error number (strerror).
QString systemErrorText(int error);

EComHandle openError(int error);
// As above; a refused permission names the device and the group that grants it.
EComHandle openError(int error, const QByteArray& path);
EComState stateError(int error);

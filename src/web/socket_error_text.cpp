// Qt's socket errors in the official's German words, with the remedy where there is one.

#include "web/socket_error_text.h"

QString socketErrorText(QAbstractSocket::SocketError error) {
    switch (error) {
    case QAbstractSocket::AddressInUseError:
        return QStringLiteral("der Port wird schon von einem anderen Programm benutzt");
    case QAbstractSocket::SocketAccessError:
        return QStringLiteral("keine Berechtigung für diesen Port, Ports unter 1024 brauchen Systemrechte");
    case QAbstractSocket::SocketAddressNotAvailableError:
        return QStringLiteral("die Netzwerkadresse gibt es auf diesem Rechner nicht");
    case QAbstractSocket::SocketResourceError:
        return QStringLiteral("dem System fehlen Mittel für eine weitere Verbindung");
    case QAbstractSocket::UnsupportedSocketOperationError:
        return QStringLiteral("das Netzwerk unterstützt diese Verbindung nicht");
    default:
        return QStringLiteral("Netzwerkfehler Nr. %1").arg(int(error));
    }
}

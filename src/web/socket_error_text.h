#pragma once

// The official's words for why the live results could not listen: Qt's socket texts are
// English and name no remedy. Any thread.

#include <QAbstractSocket>
#include <QString>

QString socketErrorText(QAbstractSocket::SocketError error);

// The simulator's local socket: a stale socket file replaced, anything else at the path left
// alone, lines capped in length and answered one by one.

#include "io/simulator_server.h"

#include "io/simulator_command.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qsizetype longestLine = 1024;

bool somebodyListens(const QString& path) {
    QLocalSocket probe;
    probe.connectToServer(path);
    return probe.waitForConnected(100);
}

// Whether the path is free for the socket: nothing there, or a socket file left by a crashed
// run, which is removed. A socket that answers belongs to a running program, and anything but
// a socket is not ours to delete (listening would rename the new socket over it).
bool claimPath(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (lstat(name.constData(), &info) != 0) {
        return errno == ENOENT;
    }
    if (!S_ISSOCK(info.st_mode) || somebodyListens(path)) {
        return false;
    }
    return unlink(name.constData()) == 0;
}

} // namespace

QString simulatorSocketPath(const QString& applicationTitle) {
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty()) {
        folder = QDir::tempPath();
    }
    return QDir(folder).filePath(applicationTitle + QStringLiteral("-simulator"));
}

SimulatorServer::SimulatorServer(SimulatedBarrierBox& box, const QString& path, QObject* parent)
    : QObject(parent), m_box(box), m_server(new QLocalServer(this)) {
    if (!claimPath(path)) {
        return;
    }
    // Owner only from the start: the socket is made in a private folder and moved into place.
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(path)) {
        return;
    }
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    connect(m_server, &QLocalServer::newConnection, this, &SimulatorServer::acceptClients);
}

SimulatorServer::~SimulatorServer() = default;

bool SimulatorServer::isListening() const {
    return m_server->isListening();
}

void SimulatorServer::acceptClients() {
    while (QLocalSocket* client = m_server->nextPendingConnection()) {
        m_partial.insert(client, {});
        connect(client, &QLocalSocket::readyRead, this, [this, client] { readClient(client); });
        connect(client, &QLocalSocket::disconnected, this, [this, client] {
            m_partial.remove(client);
            client->deleteLater();
        });
    }
}

void SimulatorServer::readClient(QLocalSocket* client) {
    QByteArray& buffer = m_partial[client];
    buffer += client->readAll();
    qsizetype end;
    while ((end = buffer.indexOf('\n')) >= 0) {
        QByteArray line = buffer.left(end);
        buffer.remove(0, end + 1);
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        client->write(runSimulatorCommand(m_box, line) + '\n');
    }
    if (buffer.size() > longestLine) {
        client->write("ERR line too long\n");
        buffer.clear();
        client->disconnectFromServer();
    }
}

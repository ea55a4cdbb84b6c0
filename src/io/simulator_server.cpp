#include "io/simulator_server.h"

#include "io/simulator_command.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

namespace {

constexpr qsizetype longestLine = 1024;

// A socket file left by a crashed run may be replaced; one that answers belongs to a running
// program and stays.
bool somebodyListens(const QString& path) {
    QLocalSocket probe;
    probe.connectToServer(path);
    return probe.waitForConnected(100);
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
    if (somebodyListens(path)) {
        return;
    }
    QLocalServer::removeServer(path);
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

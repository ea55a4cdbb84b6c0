// The simulated box's command socket, through which tests and tools drive the box of a
// running program, one command a line.

#pragma once

#include <QHash>
#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;
class SimulatedBarrierBox;

// `$XDG_RUNTIME_DIR/<title>-simulator`, or the temporary folder when XDG_RUNTIME_DIR is unset.
QString simulatorSocketPath(const QString& applicationTitle);

// The box's command socket: a local socket, mode 0600, one command a line and one answer line
// each. A partial line of a client that disconnects is dropped. A socket file left by a crashed
// run is replaced; anything else at the path (another program's live socket, a file, a link)
// stays, and the box then has no socket. Lives on the box's thread.
class SimulatorServer : public QObject {
    Q_OBJECT
public:
    SimulatorServer(SimulatedBarrierBox& box, const QString& path, QObject* parent = nullptr);
    ~SimulatorServer() override;

    bool isListening() const;

private:
    void acceptClients();
    void readClient(QLocalSocket* client);

    SimulatedBarrierBox& m_box;
    QLocalServer* m_server = nullptr;
    QHash<QLocalSocket*, QByteArray> m_partial;
};

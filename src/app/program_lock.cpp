// The backup lock taken at start-up, and the local socket on which a second start asks the
// running copy to show its window.

#include "app/program_lock.h"

#include "platform/app_names.h"
#include "platform/termination_signals.h"
#include "protocol/protocol_file_names.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMessageBox>

namespace {

// In the runtime folder, which only this user can enter; one name per backup.
QString callSocketPath(const QString& backupFile) {
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty())
        folder = QDir::tempPath();
    const QByteArray hash = QCryptographicHash::hash(backupFile.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    return QDir(folder).filePath(QStringLiteral("Tarvolt-") + QString::fromLatin1(hash) + QStringLiteral(".sock"));
}

} // namespace

QString programBackupFile(const FormMainEnvironment& environment) {
    const AppNames names = appNamesFor(environment.executablePath);
    // The same place the main window will decide on, from the same folders.
    return backupFiles(names.programFolder, names.baseName, environment.dataFolder).writeTo;
}

std::unique_ptr<BackupLock> lockProgramBackup(const QString& backupFile) {
    auto lock = std::make_unique<BackupLock>(backupFile);
    if (!lock->tryLock())
        return nullptr;
    return lock;
}

QString programAlreadyRunsText(const QString& title) {
    return title + QStringLiteral(" läuft bereits. Ein zweites Programm würde die Sicherungsdatei des ersten "
                                  "überschreiben und wird deshalb beendet.");
}

void tellProgramAlreadyRuns(const QString& title, const TerminationSignals& termination) {
    QMessageBox box(QMessageBox::Information, title, programAlreadyRunsText(title), QMessageBox::Ok);
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &box, &QMessageBox::reject);
    box.exec();
}

RunningCopyCall::RunningCopyCall(const QString& backupFile, QObject* parent)
    : QObject(parent), m_server(new QLocalServer(this)) {
    if (backupFile.isEmpty())
        return;
    const QString path = callSocketPath(backupFile);
    // This copy holds the lock: a socket left there belongs to a copy that ended without tidying.
    QLocalServer::removeServer(path);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // Without the socket the program still times; a second start then only says that it runs.
    if (!m_server->listen(path))
        return;
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* caller = m_server->nextPendingConnection()) {
            connect(caller, &QLocalSocket::disconnected, caller, &QObject::deleteLater);
            connect(caller, &QLocalSocket::readyRead, this, [this, caller] {
                if (caller->readAll().contains("show"))
                    emit showRequested();
                caller->disconnectFromServer();
            });
        }
    });
}

bool RunningCopyCall::askToShow(const QString& backupFile, int msecs) {
    if (backupFile.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(callSocketPath(backupFile));
    if (!socket.waitForConnected(msecs))
        return false;
    socket.write("show\n");
    return socket.waitForBytesWritten(msecs);
}

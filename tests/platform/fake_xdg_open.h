// A stand-in "xdg-open" for tests: a shell script of the test's own, first in PATH, that
// records what it was given and then does what the test says. No real program is started.

#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

class FakeXdgOpen {
public:
    // `body` runs after the argument has been written to argumentFile(); empty: no xdg-open
    // anywhere in PATH.
    explicit FakeXdgOpen(const QByteArray& body) : m_oldPath(qgetenv("PATH")) {
        if (!body.isEmpty()) {
            QFile script(m_dir.filePath(QStringLiteral("xdg-open")));
            if (script.open(QIODevice::WriteOnly))
                script.write("#!/bin/sh\nprintf '%s' \"$1\" > '" + argumentFile().toUtf8() + "'\n" + body + '\n');
            script.close();
            script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            qputenv("PATH", QFile::encodeName(m_dir.path()) + ':' + m_oldPath);
        } else {
            qputenv("PATH", QFile::encodeName(m_dir.path()));
        }
    }
    ~FakeXdgOpen() { qputenv("PATH", m_oldPath); }
    FakeXdgOpen(const FakeXdgOpen&) = delete;
    FakeXdgOpen& operator=(const FakeXdgOpen&) = delete;

    QString argumentFile() const { return m_dir.filePath(QStringLiteral("argument")); }
    // What xdg-open was given; empty until it ran.
    QString argument() const {
        QFile file(argumentFile());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    QString folder() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    const QByteArray m_oldPath;
};

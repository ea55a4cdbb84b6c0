#pragma once

#include "app/form_main.h"
#include "app/form_main_environment.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <memory>

// A main window in a world of its own: the executable, its folder, the settings file,
// a sysfs tree and the current folder all lie in one temporary folder; the desktop's
// opener records what it was asked; the screens are whatever the test says.
struct FormMainFixture {
    QTemporaryDir root;
    QList<QUrl> opened;
    QList<QRect> screens{QRect(0, 0, 1280, 1024)};

    QString programFolder() const { return root.filePath(QStringLiteral("bin")); }
    QString executable() const { return root.filePath(QStringLiteral("bin/Tarvolt")); }
    QString settingsPath() const { return root.filePath(QStringLiteral("config/Quillmere/Tarvolt.conf")); }
    QString sysfsRoot() const { return root.filePath(QStringLiteral("sys")); }
    QString currentFolder() const { return root.filePath(QStringLiteral("cwd")); }
    QString dataFolder() const { return root.filePath(QStringLiteral("data")); }

    FormMainFixture() {
        QDir dir(root.path());
        dir.mkpath(QStringLiteral("bin"));
        dir.mkpath(QStringLiteral("sys/class/tty"));
        dir.mkpath(QStringLiteral("cwd"));
    }

    FormMainEnvironment environment() {
        FormMainEnvironment environment;
        environment.executablePath = executable();
        environment.settingsPath = settingsPath();
        environment.sysfsRoot = sysfsRoot();
        environment.currentFolder = currentFolder();
        environment.dataFolder = dataFolder();
        environment.openUrl = [this](const QUrl& url) { opened.append(url); };
        environment.screens = [this] { return screens; };
        return environment;
    }

    // Stores values in the settings file the window reads at creation.
    void storeSettings(const QVariantMap& values) {
        QSettings file(settingsPath(), QSettings::IniFormat);
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            file.setValue(it.key(), it.value());
        file.sync();
    }

    // A serial port the survey finds: /sys/class/tty/<name>/device, and for ttyS* a non-zero type.
    void addPort(const QString& name) {
        QDir tty(sysfsRoot() + QStringLiteral("/class/tty"));
        tty.mkpath(name + QStringLiteral("/device"));
        if (name.startsWith(QStringLiteral("ttyS"))) {
            QFile type(tty.filePath(name + QStringLiteral("/type")));
            if (type.open(QIODevice::WriteOnly))
                type.write("4\n");
        }
    }

    void addProgramFile(const QString& name, const QString& copyOf = {}) {
        const QString target = QDir(programFolder()).filePath(name);
        if (!copyOf.isEmpty()) {
            QFile::copy(copyOf, target);
            return;
        }
        QFile file(target);
        if (file.open(QIODevice::WriteOnly))
            file.write("x");
    }
};

// Runs `inside` once a modal window of the given type is up, at most once; gives up
// after 5 s so a failure cannot hang the test. Keep the object for as long as the
// answer may come: destroying it withdraws the answer.
template <typename Dialog> class WhenModal {
public:
    explicit WhenModal(std::function<void(Dialog*)> inside) : m_inside(std::move(inside)) {
        m_poll.setInterval(10);
        QObject::connect(&m_poll, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            m_poll.stop();
            m_deadline.stop();
            m_inside(dialog);
        });
        m_deadline.setSingleShot(true);
        QObject::connect(&m_deadline, &QTimer::timeout, [this] {
            m_poll.stop();
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                dialog->reject();
        });
        m_poll.start();
        m_deadline.start(5000);
    }

private:
    std::function<void(Dialog*)> m_inside;
    QTimer m_poll;
    QTimer m_deadline;
};

#pragma once

#include "app/form_main.h"
#include "app/form_main_environment.h"

#include <QApplication>
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

// Runs `inside` once a modal window of the given type is up; gives up after 5 s so
// a failure cannot hang the test.
template <typename Dialog> void whenModal(std::function<void(Dialog*)> inside) {
    auto* poll = new QTimer;
    auto* deadline = new QTimer;
    poll->setInterval(10);
    deadline->setSingleShot(true);
    QObject::connect(poll, &QTimer::timeout, [poll, deadline, inside] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll->stop();
        deadline->stop();
        inside(dialog);
        poll->deleteLater();
        deadline->deleteLater();
    });
    QObject::connect(deadline, &QTimer::timeout, [poll, deadline] {
        poll->stop();
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
        poll->deleteLater();
        deadline->deleteLater();
    });
    poll->start();
    deadline->start(5000);
}

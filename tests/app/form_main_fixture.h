#pragma once

#include "app/form_main.h"
#include "app/form_main_environment.h"
#include "controls/sort_grid.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QPointer>
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
    QString documentsFolder() const { return root.filePath(QStringLiteral("Dokumente")); }

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
        environment.documentsFolder = documentsFolder();
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

    // Stores the window at its design size in the top left corner, with the port
    // ("Port") and the sound switch ("Sound") given, and any further values.
    void storeDesignWindow(int port, int sound, const QVariantMap& more = {}) {
        QVariantMap values{{"Left", 0}, {"Top", 0}, {"Width", 850}, {"Height", 572}, {"Sound", sound}, {"Port", port}};
        values.insert(more);
        storeSettings(values);
    }

    // Stores every value of the read order up to "LuchZwZeit" (the title "Rennen", the
    // program's defaults otherwise), so that values read after them count; then more.
    void storeEveryValue(int port, const QVariantMap& more) {
        QVariantMap values{{"FilterInd", 1}, {"Length", 100},  {"Monitor", 0},   {"Title", "Rennen"}, {"LengthF", 10},
                           {"LengthS", 50},  {"WaitStart", 0}, {"ColSpeed0", 0}, {"ColSpeed1", 1},    {"ManyStart", 1},
                           {"Param2", 0},    {"ShowPlatz", 1}, {"LuchVmax", 1},  {"LuchZwZeit", 1}};
        values.insert(more);
        storeDesignWindow(port, 0, values);
    }

    // Shows the window and makes it active, as the official finds it; false when it
    // never becomes active.
    static bool showActive(QWidget* window) {
        window->show();
        window->activateWindow();
        return waitUntilActive(window);
    }

    // The platform may call a window active before the application does; shortcuts go by
    // the application's active window, so a key sent in between would be lost.
    // Rows as "Nr.|Name|...", replacing the protocol; the buttons follow as after a load.
    static void setProtocolRows(TFormMain& form, const QStringList& lines) {
        SortGridData& d = form.ui().SortGrid1->gridData();
        d.setRowCount(int(lines.size()) + 1);
        for (int row = 1; row <= lines.size(); ++row) {
            d.clearRow(row);
            const QStringList cells = lines.at(row - 1).split(u'|');
            for (int col = 0; col < cells.size(); ++col)
                d.setCell(col, row, cells.at(col));
        }
        form.updateProtocolButtons();
    }

    static bool waitUntilActive(QWidget* window) {
        return QTest::qWaitForWindowActive(window) &&
               QTest::qWaitFor([window] { return QApplication::activeWindow() == window; }, 5000);
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

// Runs `inside` once a modal window of the given type is up, at most once. The deadline
// runs until that window is gone again: a window still open after 5 s fails the test and
// is closed, so neither a missing window nor one that refuses the answer can hang it.
// Keep the object for as long as the answer may come: destroying it withdraws the answer.
template <typename Dialog> class WhenModal {
public:
    explicit WhenModal(std::function<void(Dialog*)> inside) : m_inside(std::move(inside)) {
        m_poll.setInterval(10);
        QObject::connect(&m_poll, &QTimer::timeout, [this] { poll(); });
        m_deadline.setSingleShot(true);
        QObject::connect(&m_deadline, &QTimer::timeout, [this] { giveUp(); });
        m_poll.start();
        m_deadline.start(5000);
    }

private:
    void poll() {
        if (m_answered) {
            if (!m_dialog || !m_dialog->isVisible()) {
                m_poll.stop();
                m_deadline.stop();
            }
            return;
        }
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        m_answered = true;
        m_dialog = dialog;
        m_inside(dialog);
    }

    void giveUp() {
        m_poll.stop();
        if (!QApplication::activeModalWidget())
            return; // the window never came: the test's own checks tell what is missing
        QTest::qFail(m_answered ? "the modal window did not close after the answer"
                                : "a modal window was still open at the deadline",
                     __FILE__, __LINE__);
        // done() cannot be refused, unlike a file dialog's accept().
        while (auto* open = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            open->done(QDialog::Rejected);
            if (QApplication::activeModalWidget() == open)
                break;
        }
    }

    std::function<void(Dialog*)> m_inside;
    QTimer m_poll;
    QTimer m_deadline;
    bool m_answered = false;
    QPointer<QWidget> m_dialog;
};

// Answers every question of the yes/no dialog that comes up while it lives, for tests of
// what follows the question. Never waits, so it cannot hang a test.
class AnswerEveryQuestion {
public:
    explicit AnswerEveryQuestion(bool yes) {
        m_poll.setInterval(5);
        QObject::connect(&m_poll, &QTimer::timeout, [yes] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            // The yes/no dialog, known by its two buttons' names.
            if (dialog && dialog->findChild<QWidget*>(QStringLiteral("OKBtn")) &&
                dialog->findChild<QWidget*>(QStringLiteral("CancelBtn")))
                dialog->done(yes ? 6 : 2);
        });
        m_poll.start();
    }

private:
    QTimer m_poll;
};

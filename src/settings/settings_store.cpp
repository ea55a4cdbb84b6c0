// The settings file read value by value in a fixed order, stopping at the first unreadable
// one, and written whole; the barriers' active levels as one 16-byte record.

#include "settings/settings_store.h"

#include "protocol/atomic_file_writer.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryFile>
#include <QVariant>
#include <QtEndian>

#include <cstdio>
#include <cstring>
#include <functional>

namespace {

constexpr qsizetype algRecordBytes = 16;

// Reads values of the expected kind. Every read returns false when the value
// fails to read, which ends the reading.
class SettingsReader {
public:
    explicit SettingsReader(const QSettings& file) : m_file(file) {}

    bool readInt(const QString& key, int& out) const {
        const QVariant value = m_file.value(key);
        bool ok = false;
        int number = 0;
        switch (value.typeId()) {
        case QMetaType::QString: // as parsed from the file: plain decimal text
        case QMetaType::Int:     // as QSettings keeps what this process wrote itself
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            number = value.toString().toInt(&ok, 10);
            break;
        default: // a byte array, a list or anything else is another kind
            break;
        }
        if (!ok)
            return false;
        out = number;
        return true;
    }

    bool readBool(const QString& key, bool& out) const {
        int number = 0;
        if (!readInt(key, number))
            return false;
        out = number != 0;
        return true;
    }

    // An absent text reads as empty text.
    bool readText(const QString& key, QString& out) const {
        const QVariant value = m_file.value(key);
        if (!value.isValid()) {
            out.clear();
            return true;
        }
        if (value.typeId() != QMetaType::QString)
            return false;
        out = value.toString();
        return true;
    }

    // An absent value leaves the levels as they are; a shorter one replaces only its leading bytes.
    bool readAlg(const QString& key, AlgLevels& levels) const {
        const QVariant value = m_file.value(key);
        if (!value.isValid())
            return true;
        if (value.typeId() != QMetaType::QByteArray)
            return false;
        const QByteArray bytes = value.toByteArray();
        if (bytes.size() > algRecordBytes)
            return false;
        unsigned char buffer[algRecordBytes];
        for (int i = 0; i < 4; ++i)
            qToLittleEndian<qint32>(levels[i], buffer + 4 * i);
        std::memcpy(buffer, bytes.constData(), size_t(bytes.size()));
        for (int i = 0; i < 4; ++i)
            levels[i] = qFromLittleEndian<qint32>(buffer + 4 * i);
        return true;
    }

private:
    const QSettings& m_file;
};

QByteArray algBytes(const AlgLevels& levels) {
    QByteArray bytes(algRecordBytes, '\0');
    for (int i = 0; i < 4; ++i)
        qToLittleEndian<qint32>(levels[i], bytes.data() + 4 * i);
    return bytes;
}

void readValues(const SettingsReader& in, Settings& s) {
    const auto intoOptional = [&in](const QString& key, std::optional<int>& out) {
        int number = 0;
        if (!in.readInt(key, number))
            return false;
        out = number;
        return true;
    };
    // A negative track length gives negative speeds; it is read as a value of the wrong
    // kind, which ends the reading. 0 stays: it means none was stored, and the settings
    // dialog makes it the preset.
    const auto intoLength = [&in](const QString& key, int& out) {
        int number = 0;
        if (!in.readInt(key, number) || number < 0)
            return false;
        out = number;
        return true;
    };
    // In this order; each value is applied as soon as it is read.
    const std::function<bool()> steps[] = {
        [&] { return intoOptional(QStringLiteral("Left"), s.Left); },
        [&] { return intoOptional(QStringLiteral("Top"), s.Top); },
        [&] { return in.readInt(QStringLiteral("Width"), s.Width); },
        [&] { return in.readInt(QStringLiteral("Height"), s.Height); },
        [&] { return in.readBool(QStringLiteral("Sound"), s.Sound); },
        [&] { return in.readInt(QStringLiteral("Port"), s.Port); },
        [&] { return in.readInt(QStringLiteral("FilterInd"), s.FilterInd); },
        [&] { return intoLength(QStringLiteral("Length"), s.Length); },
        [&] { return in.readInt(QStringLiteral("Monitor"), s.Monitor); },
        [&] { return in.readText(QStringLiteral("Title"), s.Title); },
        [&] { return in.readInt(QStringLiteral("LengthF"), s.LengthF); },
        [&] { return in.readInt(QStringLiteral("LengthS"), s.LengthS); },
        [&] { return in.readInt(QStringLiteral("WaitStart"), s.WaitStart); },
        [&] { return in.readBool(QStringLiteral("ColSpeed0"), s.ColSpeed0); },
        [&] { return in.readBool(QStringLiteral("ColSpeed1"), s.ColSpeed1); },
        [&] { return in.readBool(QStringLiteral("ManyStart"), s.ManyStart); },
        [&] { return in.readInt(QStringLiteral("Param2"), s.Param2); },
        [&] { return in.readBool(QStringLiteral("ShowPlatz"), s.ShowPlatz); },
        [&] { return in.readAlg(QStringLiteral("Alg"), s.Alg); },
        [&] { return in.readBool(QStringLiteral("LuchVmax"), s.LuchVmax); },
        [&] { return in.readBool(QStringLiteral("LuchZwZeit"), s.LuchZwZeit); },
        // Added later, so read last: a file without them keeps everything above.
        [&] { return in.readBool(QStringLiteral("WebOn"), s.WebOn); },
        [&] { return in.readInt(QStringLiteral("WebPort"), s.WebPort); },
        [&] { return in.readText(QStringLiteral("WebInterface"), s.WebInterface); },
        [&] { return in.readInt(QStringLiteral("Wertung"), s.Wertung); },
    };
    for (const auto& step : steps) {
        if (!step())
            return;
    }
}

void writeValues(QSettings& out, const Settings& s) {
    out.setValue(QStringLiteral("Left"), s.Left.value_or(0));
    out.setValue(QStringLiteral("Top"), s.Top.value_or(0));
    out.setValue(QStringLiteral("Width"), s.Width);
    out.setValue(QStringLiteral("Height"), s.Height);
    out.setValue(QStringLiteral("Port"), s.Port);
    out.setValue(QStringLiteral("Alg"), algBytes(s.Alg));
    out.setValue(QStringLiteral("Sound"), int(s.Sound));
    out.setValue(QStringLiteral("FilterInd"), s.FilterInd);
    out.setValue(QStringLiteral("Length"), s.Length);
    out.setValue(QStringLiteral("Monitor"), s.Monitor);
    out.setValue(QStringLiteral("Title"), s.Title);
    out.setValue(QStringLiteral("LengthF"), s.LengthF);
    out.setValue(QStringLiteral("LengthS"), s.LengthS);
    out.setValue(QStringLiteral("WaitStart"), s.WaitStart);
    out.setValue(QStringLiteral("ColSpeed0"), int(s.ColSpeed0));
    out.setValue(QStringLiteral("ColSpeed1"), int(s.ColSpeed1));
    out.setValue(QStringLiteral("ColSpeed2"), int(s.lightEnabled));
    out.setValue(QStringLiteral("ManyStart"), int(s.ManyStart));
    out.setValue(QStringLiteral("Param2"), s.Param2);
    out.setValue(QStringLiteral("ShowPlatz"), int(s.ShowPlatz));
    out.setValue(QStringLiteral("LuchVmax"), int(s.LuchVmax));
    out.setValue(QStringLiteral("LuchZwZeit"), int(s.LuchZwZeit));
    out.setValue(QStringLiteral("NameZwZeit"), QStringLiteral("Zw.Zeit"));
    out.setValue(QStringLiteral("WebOn"), int(s.WebOn));
    out.setValue(QStringLiteral("WebPort"), s.WebPort);
    out.setValue(QStringLiteral("WebInterface"), s.WebInterface);
    out.setValue(QStringLiteral("Wertung"), s.Wertung);
}

QString writeErrorText(const QString& path) {
    return QStringLiteral("Der Schreibfehler der Datei: ") + QDir::toNativeSeparators(path);
}

// "<path>.bak" becomes a copy of the file, or the file itself when it cannot be read.
void keepBesideAsBackup(const QString& path) {
    const QString backup = path + QStringLiteral(".bak");
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = file.readAll();
        if (file.error() == QFileDevice::NoError && writeFileAtomically(backup, bytes))
            return;
    }
    std::rename(QFile::encodeName(path).constData(), QFile::encodeName(backup).constData());
}

} // namespace

QString defaultSettingsPath(const QString& appTitle, const QProcessEnvironment& environment) {
    QString configHome = environment.value(QStringLiteral("XDG_CONFIG_HOME"));
    if (!QDir::isAbsolutePath(configHome)) {
        QString home = environment.value(QStringLiteral("HOME"));
        if (home.isEmpty())
            home = QDir::homePath();
        configHome = home + QStringLiteral("/.config");
    }
    return QDir::cleanPath(configHome + QStringLiteral("/Quillmere/") + appTitle + QStringLiteral(".conf"));
}

QString defaultSettingsPath(const QString& appTitle) {
    return defaultSettingsPath(appTitle, QProcessEnvironment::systemEnvironment());
}

void loadSettings(const QString& path, Settings& settings) {
    if (!QFileInfo(path).isFile())
        return;
    const QSettings file(path, QSettings::IniFormat);
    // With a syntax error Qt has still parsed every line it could; those values are the
    // user's and are read as usual. The file itself is kept, as the end replaces it.
    if (file.status() != QSettings::NoError)
        keepBesideAsBackup(path);
    readValues(SettingsReader(file), settings);
}

std::optional<QString> saveSettings(const QString& path, const Settings& settings) {
    QFileInfo target(path);
    // Replace the file a link points to, not the link.
    if (target.isSymLink())
        target = QFileInfo(target.symLinkTarget());
    const QString targetPath = target.absoluteFilePath();
    if (!QDir().mkpath(target.absolutePath()))
        return writeErrorText(path);

    // Write a complete new file beside the old one, then rename it over the old one.
    QTemporaryFile temp(targetPath + QStringLiteral(".XXXXXX"));
    if (!temp.open())
        return writeErrorText(path);
    temp.close();
    bool written = false;
    {
        QSettings out(temp.fileName(), QSettings::IniFormat);
        writeValues(out, settings);
        out.sync();
        written = out.status() == QSettings::NoError;
    }
    if (!written)
        return writeErrorText(path);
    if (std::rename(QFile::encodeName(temp.fileName()).constData(), QFile::encodeName(targetPath).constData()) != 0)
        return writeErrorText(path);
    temp.setAutoRemove(false); // the temporary name is gone with the rename
    return std::nullopt;
}

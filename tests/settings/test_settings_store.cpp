#include "settings/settings_store.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include <sys/wait.h>
#include <unistd.h>

// Readable failure messages for QCOMPARE.
char* toString(const Settings& s) {
    const auto opt = [](const std::optional<int>& v) { return v ? QString::number(*v) : QStringLiteral("unset"); };
    const QString text =
        QStringLiteral("Left %1 Top %2 Width %3 Height %4 Sound %5 Port %6 FilterInd %7 Length %8 Monitor %9 ")
            .arg(opt(s.Left), opt(s.Top))
            .arg(s.Width)
            .arg(s.Height)
            .arg(s.Sound)
            .arg(s.Port)
            .arg(s.FilterInd)
            .arg(s.Length)
            .arg(s.Monitor) +
        QStringLiteral("Title '%1' LengthF %2 LengthS %3 WaitStart %4 ColSpeed0 %5 ColSpeed1 %6 ManyStart %7 ")
            .arg(s.Title)
            .arg(s.LengthF)
            .arg(s.LengthS)
            .arg(s.WaitStart)
            .arg(s.ColSpeed0)
            .arg(s.ColSpeed1)
            .arg(s.ManyStart) +
        QStringLiteral("Param2 %1 ShowPlatz %2 Alg %3,%4,%5,%6 LuchVmax %7 LuchZwZeit %8 lightEnabled %9")
            .arg(s.Param2)
            .arg(s.ShowPlatz)
            .arg(s.Alg[0])
            .arg(s.Alg[1])
            .arg(s.Alg[2])
            .arg(s.Alg[3])
            .arg(s.LuchVmax)
            .arg(s.LuchZwZeit)
            .arg(s.lightEnabled);
    return qstrdup(qPrintable(text));
}

namespace {

QByteArray algBytes(std::initializer_list<qint32> levels) {
    QByteArray bytes;
    for (qint32 level : levels) {
        for (int shift = 0; shift < 32; shift += 8)
            bytes.append(char((quint32(level) >> shift) & 0xFF));
    }
    return bytes;
}

// A file with every read value present and none at its default.
QVariantMap fullFile() {
    return {
        {"Left", 100},
        {"Top", 50},
        {"Width", 1000},
        {"Height", 700},
        {"Sound", 0},
        {"Port", 17},
        {"FilterInd", 3},
        {"Length", 250},
        {"Monitor", 1},
        {"Title", "Bergrennen"},
        {"LengthF", 20},
        {"LengthS", 60},
        {"WaitStart", 500},
        {"ColSpeed0", 1},
        {"ColSpeed1", 0},
        {"ManyStart", 0},
        {"Param2", 2},
        {"ShowPlatz", 0},
        {"Alg", algBytes({0, 1, 1, 0})},
        {"LuchVmax", 0},
        {"LuchZwZeit", 0},
        {"WebOn", 1},
        {"WebPort", 8181},
        {"WebInterface", "wlan0"},
    };
}

// What fullFile() reads as.
Settings fullSettings() {
    Settings s;
    s.Left = 100;
    s.Top = 50;
    s.Width = 1000;
    s.Height = 700;
    s.Sound = false;
    s.Port = 17;
    s.FilterInd = 3;
    s.Length = 250;
    s.Monitor = 1;
    s.Title = "Bergrennen";
    s.LengthF = 20;
    s.LengthS = 60;
    s.WaitStart = 500;
    s.ColSpeed0 = true;
    s.ColSpeed1 = false;
    s.ManyStart = false;
    s.Param2 = 2;
    s.ShowPlatz = false;
    s.Alg = {0, 1, 1, 0};
    s.LuchVmax = false;
    s.LuchZwZeit = false;
    s.WebOn = true;
    s.WebPort = 8181;
    s.WebInterface = "wlan0";
    return s;
}

using Copy = std::function<void(Settings&, const Settings&)>;

// The order values are read in, with how each one passes from one Settings to another.
const QList<std::pair<QString, Copy>>& readOrder() {
    static const QList<std::pair<QString, Copy>> order = {
        {"Left", [](Settings& to, const Settings& from) { to.Left = from.Left; }},
        {"Top", [](Settings& to, const Settings& from) { to.Top = from.Top; }},
        {"Width", [](Settings& to, const Settings& from) { to.Width = from.Width; }},
        {"Height", [](Settings& to, const Settings& from) { to.Height = from.Height; }},
        {"Sound", [](Settings& to, const Settings& from) { to.Sound = from.Sound; }},
        {"Port", [](Settings& to, const Settings& from) { to.Port = from.Port; }},
        {"FilterInd", [](Settings& to, const Settings& from) { to.FilterInd = from.FilterInd; }},
        {"Length", [](Settings& to, const Settings& from) { to.Length = from.Length; }},
        {"Monitor", [](Settings& to, const Settings& from) { to.Monitor = from.Monitor; }},
        {"Title", [](Settings& to, const Settings& from) { to.Title = from.Title; }},
        {"LengthF", [](Settings& to, const Settings& from) { to.LengthF = from.LengthF; }},
        {"LengthS", [](Settings& to, const Settings& from) { to.LengthS = from.LengthS; }},
        {"WaitStart", [](Settings& to, const Settings& from) { to.WaitStart = from.WaitStart; }},
        {"ColSpeed0", [](Settings& to, const Settings& from) { to.ColSpeed0 = from.ColSpeed0; }},
        {"ColSpeed1", [](Settings& to, const Settings& from) { to.ColSpeed1 = from.ColSpeed1; }},
        {"ManyStart", [](Settings& to, const Settings& from) { to.ManyStart = from.ManyStart; }},
        {"Param2", [](Settings& to, const Settings& from) { to.Param2 = from.Param2; }},
        {"ShowPlatz", [](Settings& to, const Settings& from) { to.ShowPlatz = from.ShowPlatz; }},
        {"Alg", [](Settings& to, const Settings& from) { to.Alg = from.Alg; }},
        {"LuchVmax", [](Settings& to, const Settings& from) { to.LuchVmax = from.LuchVmax; }},
        {"LuchZwZeit", [](Settings& to, const Settings& from) { to.LuchZwZeit = from.LuchZwZeit; }},
        {"WebOn", [](Settings& to, const Settings& from) { to.WebOn = from.WebOn; }},
        {"WebPort", [](Settings& to, const Settings& from) { to.WebPort = from.WebPort; }},
        {"WebInterface", [](Settings& to, const Settings& from) { to.WebInterface = from.WebInterface; }},
    };
    return order;
}

// Defaults, with the values of fullSettings() that come before key in the read order.
Settings readUpTo(const QString& key) {
    Settings s;
    for (const auto& [name, copy] : readOrder()) {
        if (name == key)
            break;
        copy(s, fullSettings());
    }
    return s;
}

// Writes values as INI text, the way a later start finds the file on disk.
void writeFixture(const QString& path, const QVariantMap& values) {
    QByteArray text = "[General]\n";
    for (auto it = values.begin(); it != values.end(); ++it) {
        QByteArray value;
        switch (it.value().typeId()) {
        case QMetaType::QByteArray:
            value = "@ByteArray(";
            for (char byte : it.value().toByteArray())
                value += "\\x" + QByteArray::number(uchar(byte), 16);
            value += ')';
            break;
        case QMetaType::QStringList:
            value = it.value().toStringList().join(", ").toUtf8();
            break;
        default:
            value = it.value().toString().toUtf8();
        }
        text += it.key().toUtf8() + '=' + value + '\n';
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT

    QTemporaryDir* m_dir = nullptr;
    QString m_path;

private slots:
    void init() {
        m_dir = new QTemporaryDir;
        QVERIFY(m_dir->isValid());
        m_path = m_dir->filePath("Quillmere/Tarvolt.conf");
        QVERIFY(QDir().mkpath(m_dir->filePath("Quillmere")));
    }
    void cleanup() {
        QFile::setPermissions(m_dir->filePath("Quillmere"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        delete m_dir;
    }

    void noFileGivesEveryDefault_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("exists");
        QTest::newRow("no file") << QByteArray() << false;
        QTest::newRow("empty file") << QByteArray() << true;
        QTest::newRow("other keys only") << QByteArray("[General]\nSomething=1\n") << true;
    }
    void noFileGivesEveryDefault() {
        QFETCH(QByteArray, contents);
        QFETCH(bool, exists);
        if (exists) {
            QFile file(m_path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(contents);
        }
        Settings s;
        loadSettings(m_path, s);
        QVERIFY(!s.Left && !s.Top);
        QCOMPARE(s.Width, 850);
        QCOMPARE(s.Height, 572);
        QVERIFY(s.Sound);
        QCOMPARE(s.Port, 0);
        QCOMPARE(s.FilterInd, 1);
        QCOMPARE(s.Monitor, 0);
        QCOMPARE(s.Title, QString("Tarvolt"));
        QCOMPARE(s.LengthF, 10);
        QCOMPARE(s.LengthS, 50);
        QCOMPARE(s.WaitStart, 0);
        QVERIFY(!s.ColSpeed0);
        QVERIFY(s.ColSpeed1);
        QVERIFY(s.ManyStart);
        QCOMPARE(s.Param2, 0);
        QVERIFY(s.ShowPlatz);
        QCOMPARE(s.Alg, (AlgLevels{1, 0, 0, 0}));
        QVERIFY(s.LuchVmax);
        QVERIFY(s.LuchZwZeit);
        QVERIFY(s.lightEnabled);
        QCOMPARE(s.Length, 0);
        QCOMPARE(lengthWithPreset(s.Length), 100);
        QVERIFY(!QFile::exists(m_path) || exists); // reading never creates the file
    }

    void fullFileReadsEveryValue() {
        writeFixture(m_path, fullFile());
        Settings s;
        loadSettings(m_path, s);
        QCOMPARE(s, fullSettings());
    }

    // QSettings hands back the typed values this process wrote, not their text.
    void readsValuesThisProcessWrote() {
        {
            QSettings file(m_path, QSettings::IniFormat);
            const QVariantMap values = fullFile();
            for (auto it = values.begin(); it != values.end(); ++it)
                file.setValue(it.key(), it.value());
        }
        Settings s;
        loadSettings(m_path, s);
        QCOMPARE(s, fullSettings());
    }

    // The first value that fails to read ends the reading; the ones before it stay.
    void failedValueEndsReading_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value"); // invalid: the value is absent
        QTest::newRow("no Left") << "Left" << QVariant();
        QTest::newRow("bounds but no Sound") << "Sound" << QVariant();
        QTest::newRow("no Port") << "Port" << QVariant();
        QTest::newRow("text for LengthF") << "LengthF" << QVariant("abc");
        QTest::newRow("text for Width") << "Width" << QVariant("breit");
        QTest::newRow("decimal for Length") << "Length" << QVariant("100.5");
        QTest::newRow("empty Monitor") << "Monitor" << QVariant("");
        QTest::newRow("list for Param2") << "Param2" << QVariant(QStringList{"1", "2"});
        QTest::newRow("byte array for WaitStart") << "WaitStart" << QVariant(QByteArray("500"));
        QTest::newRow("true for ManyStart") << "ManyStart" << QVariant("true");
        QTest::newRow("text for Alg") << "Alg" << QVariant("1000");
        QTest::newRow("20-byte Alg") << "Alg" << QVariant(algBytes({0, 1, 1, 0, 1}));
        QTest::newRow("byte array for Title") << "Title" << QVariant(QByteArray("Bergrennen"));
        QTest::newRow("no LuchZwZeit") << "LuchZwZeit" << QVariant();
        QTest::newRow("an older file: no WebOn") << "WebOn" << QVariant();
        QTest::newRow("text for WebPort") << "WebPort" << QVariant("http");
        QTest::newRow("list for WebInterface") << "WebInterface" << QVariant(QStringList{"wlan0", "eth0"});
    }
    void failedValueEndsReading() {
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        QVariantMap values = fullFile();
        if (value.isValid())
            values[key] = value;
        else
            values.remove(key);
        writeFixture(m_path, values);
        Settings s;
        loadSettings(m_path, s);
        QCOMPARE(s, readUpTo(key));
    }

    void absentTitleReadsEmptyAndGoesOn() {
        QVariantMap values = fullFile();
        values.remove("Title");
        writeFixture(m_path, values);
        Settings s;
        loadSettings(m_path, s);
        Settings expected = fullSettings();
        expected.Title.clear();
        QCOMPARE(s, expected);
    }

    void absentAlgKeepsPresetsAndGoesOn() {
        QVariantMap values = fullFile();
        values.remove("Alg");
        writeFixture(m_path, values);
        Settings s;
        loadSettings(m_path, s);
        Settings expected = fullSettings();
        expected.Alg = {1, 0, 0, 0};
        QCOMPARE(s, expected);
    }

    void shortAlgReplacesLeadingBytes_data() {
        QTest::addColumn<QByteArray>("alg");
        QTest::addColumn<AlgLevels>("expected");
        QTest::newRow("8 bytes") << algBytes({0, 1}) << AlgLevels{0, 1, 0, 0};
        QTest::newRow("12 bytes") << algBytes({1, 1, 1}) << AlgLevels{1, 1, 1, 0};
        QTest::newRow("empty") << QByteArray() << AlgLevels{1, 0, 0, 0};
        QTest::newRow("16 bytes") << algBytes({0, 0, 1, 1}) << AlgLevels{0, 0, 1, 1};
    }
    void shortAlgReplacesLeadingBytes() {
        QFETCH(QByteArray, alg);
        QFETCH(AlgLevels, expected);
        QVariantMap values = fullFile();
        values["Alg"] = alg;
        writeFixture(m_path, values);
        Settings s;
        loadSettings(m_path, s);
        QCOMPARE(s.Alg, expected);
        QVERIFY(!s.LuchVmax && !s.LuchZwZeit); // reading went on after "Alg"
    }

    // The file as a person or an older version would have written it by hand. A broken
    // section line does not lose the values after it, and the file is kept before the end
    // writes over it.
    void readsHandWrittenFile_data() {
        QTest::addColumn<QByteArray>("section");
        QTest::newRow("well formed") << QByteArray("[General]");
        QTest::newRow("section line without bracket") << QByteArray("[General");
    }
    void readsHandWrittenFile() {
        QFETCH(QByteArray, section);
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(section);
        file.write("\nLeft=-8\nTop=12\nWidth=900\nHeight=600\nSound=7\nPort=300\nFilterInd=2\n"
                   "Length=120\nMonitor=0\nTitle=Gro\xc3\x9f"
                   "er Preis\nLengthF=15\nLengthS=40\nWaitStart=-1\n"
                   "ColSpeed0=-1\nColSpeed1=0\nManyStart=1\nParam2=1\nShowPlatz=1\n"
                   "Alg=@ByteArray(\\0\\0\\0\\0\\x1\\0\\0\\0)\nLuchVmax=1\nLuchZwZeit=0\n");
        file.close();
        Settings s;
        loadSettings(m_path, s);
        QCOMPARE(s.Left, std::optional<int>(-8));
        QCOMPARE(s.Top, std::optional<int>(12));
        QVERIFY(s.Sound);            // any non-zero is on
        QCOMPARE(s.Port, 300 % 256); // the port number is one byte
        QCOMPARE(s.Title, QString::fromUtf8("Gro\xc3\x9f"
                                            "er Preis"));
        QCOMPARE(s.WaitStart, -1);
        QVERIFY(s.ColSpeed0);
        QCOMPARE(s.Alg, (AlgLevels{0, 1, 0, 0}));
        QVERIFY(s.LuchVmax);
        QVERIFY(!s.LuchZwZeit);
        QFile kept(m_path + QStringLiteral(".bak"));
        QCOMPARE(kept.exists(), !section.endsWith(']'));
        QVERIFY(!saveSettings(m_path, s));
        if (kept.open(QIODevice::ReadOnly))
            QVERIFY(kept.readAll().startsWith(section + '\n'));
    }

    void writtenOnlyValuesAreNotRead() {
        QVariantMap values = fullFile();
        values["ColSpeed2"] = 0;
        values["NameZwZeit"] = "Split";
        writeFixture(m_path, values);
        Settings s;
        loadSettings(m_path, s);
        QVERIFY(s.lightEnabled);
        QCOMPARE(s, fullSettings());
    }

    void saveWritesAllValues() {
        Settings s = fullSettings();
        s.lightEnabled = false;
        QCOMPARE(saveSettings(m_path, s), std::nullopt);

        const QSettings file(m_path, QSettings::IniFormat);
        QStringList keys = file.allKeys();
        keys.sort();
        QStringList expected{"Left",    "Top",         "Width",     "Height",     "Port",       "Alg",
                             "Sound",   "FilterInd",   "Length",    "Monitor",    "Title",      "LengthF",
                             "LengthS", "WaitStart",   "ColSpeed0", "ColSpeed1",  "ColSpeed2",  "ManyStart",
                             "Param2",  "ShowPlatz",   "LuchVmax",  "LuchZwZeit", "NameZwZeit", "WebOn",
                             "WebPort", "WebInterface"};
        expected.sort();
        QCOMPARE(keys, expected);
        QCOMPARE(file.value("Alg").toByteArray(), algBytes({0, 1, 1, 0}));

        // Integers and flags as plain numbers, texts as text.
        const QByteArray text = contentsOf(m_path);
        for (const char* line : {"\nLeft=100\n", "\nSound=0\n", "\nColSpeed0=1\n", "\nColSpeed2=0\n", "\nPort=17\n",
                                 "\nTitle=Bergrennen\n", "\nNameZwZeit=Zw.Zeit\n", "\nWebOn=1\n", "\nWebPort=8181\n",
                                 "\nWebInterface=wlan0\n"})
            QVERIFY2(text.contains(line), line);
    }

    void saveThenLoadRoundTrips_data() {
        QTest::addColumn<Settings>("saved");
        Settings defaults;
        defaults.Left = 0;
        defaults.Top = 0;
        QTest::newRow("defaults") << defaults;
        QTest::newRow("every value changed") << fullSettings();
        Settings awkward = fullSettings();
        awkward.Left = -1920;
        awkward.Top = -4;
        awkward.Port = 255;
        awkward.Title = QString::fromUtf8("@Rennen, \"Tag 1\"; Ø-km/h = \\ [Süd]");
        awkward.Alg = {1, 1, 1, 1};
        awkward.WaitStart = -200;
        QTest::newRow("awkward texts and numbers") << awkward;
        Settings emptyTitle;
        emptyTitle.Left = 5;
        emptyTitle.Top = 6;
        emptyTitle.Title.clear();
        QTest::newRow("empty title") << emptyTitle;
    }
    void saveThenLoadRoundTrips() {
        QFETCH(Settings, saved);
        QCOMPARE(saveSettings(m_path, saved), std::nullopt);
        Settings loaded;
        loadSettings(m_path, loaded);
        QCOMPARE(loaded, saved);
    }

    void saveReplacesOldFileWholeAndLeavesNoTemporaries() {
        QFile old(m_path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("[General]\nLeft=abc\nJunk=\"unterminated\n");
        old.close();
        QCOMPARE(saveSettings(m_path, fullSettings()), std::nullopt);
        Settings loaded;
        loadSettings(m_path, loaded);
        QCOMPARE(loaded, fullSettings());
        QCOMPARE(QDir(m_dir->filePath("Quillmere")).entryList(QDir::Files | QDir::Hidden), QStringList{"Tarvolt.conf"});
    }

    void saveCreatesMissingFolders() {
        const QString path = m_dir->filePath("config/Quillmere/Tarvolt.conf");
        QCOMPARE(saveSettings(path, fullSettings()), std::nullopt);
        Settings loaded;
        loadSettings(path, loaded);
        QCOMPARE(loaded, fullSettings());
    }

    void folderThatCannotBeMadeIsReported() {
        QFile blocker(m_dir->filePath("config"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString path = m_dir->filePath("config/Quillmere/Tarvolt.conf");
        const std::optional<QString> error = saveSettings(path, fullSettings());
        QVERIFY(error);
        QVERIFY2(error->contains(path), qPrintable(*error));
    }

    void unwritableFolderIsReportedAndOldFileKept() {
        Settings first = fullSettings();
        QCOMPARE(saveSettings(m_path, first), std::nullopt);
        const QByteArray before = contentsOf(m_path);
        const QString folder = m_dir->filePath("Quillmere");
        QVERIFY(QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                         QFile::ReadOther | QFile::ExeOther));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
        // The old file itself stays writable: only writing it in place could change it.
        QVERIFY(
            QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther | QFile::WriteOther));

        Settings second = first;
        second.Title = "Anders";
        second.Length = 999;
        if (geteuid() == 0) {
            // Permissions do not stop root: write as an unprivileged user in a child process.
            const pid_t child = fork();
            QVERIFY(child >= 0);
            if (child == 0) {
                if (setgid(65534) != 0 || setuid(65534) != 0)
                    _exit(3);
                const std::optional<QString> error = saveSettings(m_path, second);
                _exit(!error ? 1 : error->contains(m_path) ? 0 : 2);
            }
            int status = 0;
            QCOMPARE(waitpid(child, &status, 0), child);
            QVERIFY(WIFEXITED(status));
            if (WEXITSTATUS(status) == 3)
                QSKIP("cannot drop privileges to test an unwritable folder");
            QCOMPARE(WEXITSTATUS(status), 0);
        } else {
            const std::optional<QString> error = saveSettings(m_path, second);
            QVERIFY(error);
            QVERIFY2(error->contains(m_path), qPrintable(*error));
        }
        QCOMPARE(contentsOf(m_path), before);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"Tarvolt.conf"});
    }

    void defaultPathFollowsXdgConfigHome_data() {
        QTest::addColumn<QString>("xdgConfigHome");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("expected");
        QTest::newRow("set") << "/srv/cfg"
                             << "Tarvolt"
                             << "/srv/cfg/Quillmere/Tarvolt.conf";
        QTest::newRow("trailing slash") << "/srv/cfg/"
                                        << "Tarvolt"
                                        << "/srv/cfg/Quillmere/Tarvolt.conf";
        QTest::newRow("unset") << ""
                               << "Tarvolt"
                               << "/home/race/.config/Quillmere/Tarvolt.conf";
        QTest::newRow("relative is ignored") << "cfg"
                                             << "Tarvolt"
                                             << "/home/race/.config/Quillmere/Tarvolt.conf";
        QTest::newRow("renamed program") << ""
                                         << "Bergrennen"
                                         << "/home/race/.config/Quillmere/Bergrennen.conf";
    }
    void defaultPathFollowsXdgConfigHome() {
        QFETCH(QString, xdgConfigHome);
        QFETCH(QString, title);
        QFETCH(QString, expected);
        QProcessEnvironment environment;
        environment.insert("HOME", "/home/race");
        if (!xdgConfigHome.isEmpty())
            environment.insert("XDG_CONFIG_HOME", xdgConfigHome);
        QCOMPARE(defaultSettingsPath(title, environment), expected);
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "test_settings_store.moc"

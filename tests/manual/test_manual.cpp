// The manual behind F1 against the program: it is one file with a folder of pictures that
// the package installs, and the keys and buttons it names are the main window's.

#include "form_main_fixture.h"

#include "controls/lb_speed_button.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QKeySequence>
#include <QRegularExpression>
#include <QSet>

namespace {

const QString manualFolder = QStringLiteral(TARVOLT_MANUAL_FOLDER);

QString manualText() {
    QFile file(QDir(manualFolder).filePath(QStringLiteral("Tarvolt-Hilfe.html")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

// The part of the page from the heading with the given id to the end of its first table.
QString tableAfter(const QString& page, const QString& id) {
    const qsizetype start = page.indexOf(QStringLiteral("id=\"%1\"").arg(id));
    if (start < 0)
        return {};
    const qsizetype end = page.indexOf(QStringLiteral("</table>"), start);
    return end < 0 ? QString() : page.mid(start, end - start);
}

// "<kbd>Strg</kbd>+<kbd>X</kbd>" as Qt writes the key: "Ctrl+X".
QString keyOfCell(const QString& cell) {
    static const QRegularExpression kbd(QStringLiteral("<kbd>([^<]+)</kbd>"));
    QStringList parts;
    for (const QRegularExpressionMatch& m : kbd.globalMatch(cell)) {
        const QString part = m.captured(1);
        parts << (part == QStringLiteral("Strg") ? QStringLiteral("Ctrl") : part);
    }
    return parts.join(u'+');
}

struct TableRow {
    QString key;
    QString second;
};

// The rows of a table whose first cell holds a key.
QList<TableRow> keyRows(const QString& table) {
    static const QRegularExpression row(QStringLiteral("<tr><td>(.*?)</td><td>(.*?)</td>"),
                                        QRegularExpression::DotMatchesEverythingOption);
    QList<TableRow> rows;
    for (const QRegularExpressionMatch& m : row.globalMatch(table)) {
        const QString key = keyOfCell(m.captured(1));
        if (!key.isEmpty())
            rows.append({key, m.captured(2)});
    }
    return rows;
}

} // namespace

class TestManual : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_page = manualText();
        QVERIFY2(!m_page.isEmpty(), qPrintable(manualFolder));
    }

    // The package installs the page and the PNG files of its folder, nothing else: every
    // picture must be such a file, and nothing may come from elsewhere.
    void picturesAreInTheInstalledFolder() {
        static const QRegularExpression img(QStringLiteral("<img[^>]*\\ssrc=\"([^\"]+)\""));
        QSet<QString> used;
        for (const QRegularExpressionMatch& m : img.globalMatch(m_page)) {
            const QString source = m.captured(1);
            QVERIFY2(source.startsWith(QStringLiteral("Tarvolt-Hilfe/")) && source.endsWith(QStringLiteral(".png")),
                     qPrintable(source));
            QFile picture(QDir(manualFolder).filePath(source));
            QVERIFY2(picture.open(QIODevice::ReadOnly), qPrintable(source));
            QCOMPARE(picture.read(8), QByteArray("\x89PNG\r\n\x1a\n", 8));
            used.insert(source.mid(QStringLiteral("Tarvolt-Hilfe/").size()));
        }
        QVERIFY(used.size() >= 5);
        const QStringList present = QDir(manualFolder + QStringLiteral("/Tarvolt-Hilfe")).entryList(QDir::Files);
        QCOMPARE(QSet<QString>(present.cbegin(), present.cend()), used);
        for (const char* outside : {"src=\"http", "href=\"http", "<link", "<script", "url("})
            QVERIFY2(!m_page.contains(QLatin1String(outside)), outside);
    }

    // The table of all keys lists exactly the keys of the main window.
    void keyTableIsTheWindowsKeys() {
        FormMainFixture fixture;
        TFormMain form(fixture.environment());
        QSet<QString> windowKeys;
        for (const QAction* action : form.findChildren<QAction*>()) {
            for (const QKeySequence& key : action->shortcuts())
                windowKeys.insert(key.toString(QKeySequence::PortableText));
        }
        QSet<QString> manualKeys;
        for (const TableRow& row : keyRows(tableAfter(m_page, QStringLiteral("tasten"))))
            manualKeys.insert(row.key);
        const QStringList missing = (windowKeys - manualKeys).values();
        const QStringList unknown = (manualKeys - windowKeys).values();
        QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("not in the manual: ") + missing.join(u' ')));
        QVERIFY2(unknown.isEmpty(), qPrintable(QStringLiteral("not in the window: ") + unknown.join(u' ')));
    }

    // The table from key to button: a quoted caption is the caption of the button whose hint
    // names the key; "Symbol neben" a button is the barrier icon on that button's row.
    void keyButtonTableIsTheWindowsButtons() {
        FormMainFixture fixture;
        TFormMain form(fixture.environment());
        QVERIFY(FormMainFixture::showActive(&form));
        const QList<TableRow> rows = keyRows(tableAfter(m_page, QStringLiteral("knoepfe")));
        QStringList fKeys;
        for (const TableRow& row : rows)
            fKeys << row.key;
        for (int n = 1; n <= 12; ++n)
            QVERIFY2(fKeys.contains(QStringLiteral("F%1").arg(n)), qPrintable(QStringLiteral("F%1").arg(n)));

        const auto buttonByCaption = [&form](const QString& caption) -> TLbSpeedButton* {
            for (TLbSpeedButton* button : form.findChildren<TLbSpeedButton*>())
                if (button->Caption() == caption)
                    return button;
            return nullptr;
        };
        static const QRegularExpression quoted(QStringLiteral("^„([^“]+)“$"));
        static const QRegularExpression beside(QStringLiteral("^Symbol neben „([^“]+)“$"));
        int checked = 0;
        for (const TableRow& row : rows) {
            const QString hint = QStringLiteral("[%1]").arg(row.key);
            if (const QRegularExpressionMatch m = quoted.match(row.second); m.hasMatch()) {
                TLbSpeedButton* button = buttonByCaption(m.captured(1));
                QVERIFY2(button, qPrintable(row.second));
                QVERIFY2(button->toolTip() == hint, qPrintable(row.key + QStringLiteral(" is not ") + row.second));
                ++checked;
            } else if (const QRegularExpressionMatch b = beside.match(row.second); b.hasMatch()) {
                TLbSpeedButton* button = buttonByCaption(b.captured(1));
                QVERIFY2(button, qPrintable(row.second));
                QWidget* icon = nullptr;
                for (QWidget* w : form.findChildren<QWidget*>())
                    if (w->toolTip().startsWith(hint + u' '))
                        icon = w;
                QVERIFY2(icon, qPrintable(hint));
                const int iconMiddle = icon->mapTo(&form, icon->rect().center()).y();
                const int buttonMiddle = button->mapTo(&form, button->rect().center()).y();
                QVERIFY2(qAbs(iconMiddle - buttonMiddle) < button->height() / 2, qPrintable(row.second));
                ++checked;
            }
        }
        // F4 to F10 by their captions, F11 and F12 by their icons.
        QVERIFY(checked >= 9);
    }

private:
    QString m_page;
};

QTEST_MAIN(TestManual)
#include "test_manual.moc"

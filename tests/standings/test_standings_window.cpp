// The "Wertung" window: what it shows while the protocol changes, what a double-click selects,
// and the page and the print it writes, each read back.

#include "controls/sort_grid_data.h"
#include "protocol/protocol_html.h"
#include "protocol/protocol_table.h"
#include "standings/standings_window.h"

#include "protocol_test_grid.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLocale>
#include <QMessageBox>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QStringList tableRow(const QTableWidget* table, int row) {
    QStringList texts;
    for (int col = 0; col < table->columnCount(); ++col)
        texts << (table->item(row, col) ? table->item(row, col)->text() : QString());
    return texts;
}

QStringList headerTexts(const QTableWidget* table) {
    QStringList texts;
    for (int col = 0; col < table->columnCount(); ++col)
        texts << table->horizontalHeaderItem(col)->text();
    return texts;
}

// The text of each page of a PDF, by poppler's pdftotext.
QStringList pdfPages(const QString& pdf) {
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    if (!info.waitForFinished(20000))
        return {};
    const QString about = QString::fromUtf8(info.readAllStandardOutput());
    const QRegularExpression pagesLine(QStringLiteral("Pages:\\s+(\\d+)"));
    const int pages = pagesLine.match(about).captured(1).toInt();
    QStringList texts;
    for (int page = 1; page <= pages; ++page) {
        QProcess text;
        text.start(QStringLiteral("pdftotext"),
                   {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"), QString::number(page),
                    QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        if (!text.waitForFinished(20000))
            return {};
        texts << QString::fromUtf8(text.readAllStandardOutput());
    }
    return texts;
}

} // namespace

class TestStandingsWindow : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    SortGridData m_grid;
    int m_wertung = 1;
    QList<QUrl> m_opened;

    StandingsWindow::Links links() {
        StandingsWindow::Links l;
        l.wertung = [this] { return m_wertung; };
        l.setWertung = [this](int wertung) { m_wertung = wertung; };
        l.title = [] { return QStringLiteral("Clubrennen <Süd>"); };
        l.pageFile = [this] { return m_dir.filePath(QStringLiteral("Tarvolt-Wertung.html")); };
        l.openUrl = [this](const QUrl& url) { m_opened.append(url); };
        l.today = [] { return QDate(2026, 12, 8); };
        l.caption = QStringLiteral("Tarvolt");
        return l;
    }

private slots:
    void init() {
        m_wertung = 1;
        m_opened.clear();
        QFile::remove(m_dir.filePath(QStringLiteral("Tarvolt-Wertung.html")));
        fillProtocol(m_grid,
                     {groupRunRow("7", "Klasse B", "6,100", "Kai"), groupRunRow("3", "Klasse A", "5,900", "Vera"),
                      groupRunRow("4", "Klasse A", "5,800", "Uwe"), groupRunRow("3", "Klasse A", "5,700")});
    }

    void showsOneGroupAndFollowsTheProtocol() {
        StandingsWindow window(m_grid, links());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.groupChooser()->count(), 2);
        QCOMPARE(window.groupChooser()->itemText(0), QStringLiteral("Klasse A"));
        QCOMPARE(headerTexts(window.table()),
                 (QStringList{"Platz", "Nr.", "Name", "Fahrzeug", "Zeit", "Läufe", "Abstand"}));
        QCOMPARE(window.table()->rowCount(), 2);
        QCOMPARE(tableRow(window.table(), 0), (QStringList{"1", "3", "Vera", "", "5,700", "2", ""}));
        QCOMPARE(tableRow(window.table(), 1), (QStringList{"2", "4", "Uwe", "", "5,800", "1", "+0,100"}));

        // The official watches Klasse B; a finish there and a new group change it live.
        window.showGroup(1);
        m_grid.setRowCount(m_grid.RowCount() + 2);
        const int row = m_grid.RowCount() - 2;
        for (const auto& [col, text] : QList<std::pair<int, QString>>{
                 {colNr, "8"}, {colGruppe, "Klasse B"}, {colName, "Ida"}, {colZeit, "6,000"}})
            m_grid.setCell(col, row, text);
        m_grid.setCell(colNr, row + 1, QStringLiteral("9"));
        m_grid.setCell(colGruppe, row + 1, QStringLiteral("Junioren"));
        QTRY_COMPARE_WITH_TIMEOUT(window.table()->rowCount(), 2, 2000);
        QCOMPARE(window.groupChooser()->currentText(), QStringLiteral("Klasse B"));
        QCOMPARE(tableRow(window.table(), 0).mid(0, 5), (QStringList{"1", "8", "Ida", "", "6,000"}));
        QCOMPARE(window.groupChooser()->count(), 3);

        // An accident of number 8 ranks nothing but counts as a run.
        m_grid.setCell(colZeit, row, QStringLiteral("-"));
        QTRY_COMPARE_WITH_TIMEOUT(tableRow(window.table(), 1), (QStringList{"", "8", "Ida", "", "", "1", ""}), 2000);

        // The count chosen in the window is the setting.
        window.countChooser()->setCurrentIndex(1);
        emit window.countChooser()->activated(1);
        QCOMPARE(m_wertung, 2);
        QCOMPARE(headerTexts(window.table()).mid(4, 2), (QStringList{"Summe Zeit", "Gewertet"}));
    }

    void doubleClickNamesTheBestRun() {
        StandingsWindow window(m_grid, links());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy chosen(&window, &StandingsWindow::bestRunChosen);
        emit window.table()->cellDoubleClicked(0, 1);
        QCOMPARE(chosen.size(), 1);
        // Number 3's best run, 5,700, is the protocol's fourth row, whatever sorts move it.
        const quint64 id = chosen.at(0).at(0).toULongLong();
        QCOMPARE(id, m_grid.rowId(4));
    }

    void savedPageReadsBack() {
        m_grid.setCell(colName, 3, QStringLiteral("Łukasz & <b>Co</b>")); // not Windows-1252
        StandingsWindow window(m_grid, links());
        QVERIFY(window.savePage());
        QFile file(m_dir.filePath(QStringLiteral("Tarvolt-Wertung.html")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.contains("charset=utf-8"));
        const QString page = decodeProtocolHtml(bytes);
        QVERIFY(page.contains(QStringLiteral("Łukasz &amp; &lt;b&gt;Co&lt;/b&gt;")));
        QVERIFY(page.contains(QStringLiteral("<H2>Clubrennen &lt;Süd&gt;</H2>")));
        QVERIFY(page.contains(QStringLiteral("Bester Lauf, Zeit &ndash; 08.12.2026")));
        QVERIFY(page.contains(QStringLiteral("style=\"font-size: large\">Klasse B</th>")));
        QCOMPARE(page.count(QStringLiteral("page-break-before: always")), 1);
        QCOMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(file.fileName())});

        // Plain German texts stay in Windows-1252, declared as iso-8859-1.
        m_grid.setCell(colName, 3, QStringLiteral("Jörg"));
        QVERIFY(window.savePage());
        file.close();
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray single = file.readAll();
        QVERIFY(single.contains("charset=iso-8859-1"));
        QVERIFY(single.contains("J\xf6rg"));
    }

    void ctrlSSavesThePage() {
        StandingsWindow window(m_grid, links());
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
        QTRY_COMPARE_WITH_TIMEOUT(m_opened.size(), 1, 2000);
        QVERIFY(QFile::exists(m_dir.filePath(QStringLiteral("Tarvolt-Wertung.html"))));
        // Ctrl+P is the window's own, beside the main window's protocol print.
        bool printKey = false;
        for (const QAction* action : window.actions())
            printKey = printKey || action->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_P);
        QVERIFY(printKey);
    }

    // Closed like the program's other windows: Escape wherever the focus is, or "Schließen".
    void escapeAndTheButtonClose() {
        StandingsWindow window(m_grid, links());
        for (QWidget* focus : {static_cast<QWidget*>(window.table()), static_cast<QWidget*>(window.groupChooser())}) {
            window.show();
            window.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&window));
            focus->setFocus();
            QTest::keyClick(focus, Qt::Key_Escape);
            QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 2000);
        }

        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QPushButton* close = nullptr;
        for (QPushButton* button : window.findChildren<QPushButton*>())
            if (button->text() == QStringLiteral("Schließen"))
                close = button;
        QVERIFY(close);
        QTest::mouseClick(close, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 2000);
    }

    void unwritablePageKeepsTheOldOne() {
        StandingsWindow::Links l = links();
        l.pageFile = [this] { return m_dir.filePath(QStringLiteral("missing/Tarvolt-Wertung.html")); };
        StandingsWindow window(m_grid, l);
        // The write error is a message box; it is answered here.
        int answered = 0;
        QTimer closer;
        closer.setInterval(20);
        QObject::connect(&closer, &QTimer::timeout, [&answered] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                    QVERIFY(box->text().startsWith(QStringLiteral("Der Schreibfehler der Datei: ")));
                    ++answered;
                    box->accept();
                }
            }
        });
        closer.start();
        QVERIFY(!window.savePage());
        QCOMPARE(answered, 1);
        QVERIFY(m_opened.isEmpty());
    }

    void printEveryGroupOnItsOwnPagesWithTheHeader() {
        // 60 competitors in Klasse A fill more than one page; Klasse B starts a page of its own.
        QList<QStringList> rows;
        for (int nr = 1; nr <= 60; ++nr)
            rows << groupRunRow(QString::number(nr), "Klasse A", QStringLiteral("%1,000").arg(10 + nr));
        rows << groupRunRow("99", "Klasse B", "7,000", "Berta");
        fillProtocol(m_grid, rows);
        StandingsWindow window(m_grid, links());
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString pdf = m_dir.filePath(QStringLiteral("Wertung.pdf"));
        printer.setOutputFileName(pdf);
        QVERIFY(window.printTo(printer));
        const QStringList pages = pdfPages(pdf);
        QVERIFY2(pages.size() >= 3, qPrintable(QString::number(pages.size())));
        // The column names and the group's name on every page, so that each can be posted alone.
        for (int i = 0; i < pages.size(); ++i) {
            QVERIFY2(pages[i].contains(QStringLiteral("Abstand")), qPrintable(pages[i]));
            const QString group = i + 1 < pages.size() ? QStringLiteral("Klasse A") : QStringLiteral("Klasse B");
            QVERIFY2(pages[i].contains(group), qPrintable(pages[i]));
        }
        QVERIFY(pages.first().contains(QStringLiteral("Clubrennen <Süd>")));
        QVERIFY(pages.first().contains(QStringLiteral("Klasse A")));
        QVERIFY(!pages.first().contains(QStringLiteral("Klasse B")));
        QVERIFY(pages.last().contains(QStringLiteral("Klasse B")));
        QVERIFY(pages.last().contains(QStringLiteral("Berta")));
        QVERIFY(!pages.last().contains(QStringLiteral("Klasse A")));
        QVERIFY(pages.last().contains(QStringLiteral("08.12.2026")));
    }

    // Every column but the name is as wide as Qt measures its widest text, also after that
    // text grew and shrank again, and under another rule's header.
    void columnsFollowTheirWidestText() {
        StandingsWindow window(m_grid, links());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTableWidget* table = window.table();
        const auto fitted = [table] {
            QStringList wrong;
            for (int col = 0; col < table->columnCount(); ++col) {
                const int measured = std::max(static_cast<const QAbstractItemView*>(table)->sizeHintForColumn(col),
                                              table->horizontalHeader()->sectionSizeHint(col));
                if (col != 2 && table->columnWidth(col) != measured)
                    wrong << QStringLiteral("%1: %2 not %3").arg(col).arg(table->columnWidth(col)).arg(measured);
            }
            return wrong.join(u';');
        };
        QCOMPARE(fitted(), QString());
        const int narrow = table->columnWidth(3);
        m_grid.setCell(colFahrzeug, 2, QStringLiteral("Volkswagen Golf GTI Clubsport")); // Vera's, Klasse A
        QTRY_VERIFY_WITH_TIMEOUT(table->columnWidth(3) > narrow, 2000);
        QCOMPARE(fitted(), QString());
        m_grid.setCell(colFahrzeug, 2, QString());
        QTRY_COMPARE_WITH_TIMEOUT(table->columnWidth(3), narrow, 2000);
        QCOMPARE(fitted(), QString());
        window.countChooser()->setCurrentIndex(1);
        emit window.countChooser()->activated(1);
        QCOMPARE(table->columnCount(), 8);
        QCOMPARE(fitted(), QString());
    }

    void aFinishKeepsTheScrolledPlace() {
        QList<QStringList> rows;
        for (int nr = 1; nr <= 200; ++nr)
            rows << groupRunRow(QString::number(nr), nr % 2 ? "Klasse A" : "Klasse B",
                                QStringLiteral("%1,000").arg(10 + nr));
        fillProtocol(m_grid, rows);
        StandingsWindow window(m_grid, links());
        window.resize(600, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QScrollBar* bar = window.table()->verticalScrollBar();
        QVERIFY(bar->maximum() > 50);
        bar->setValue(bar->maximum() / 2);
        const int place = bar->value();
        m_grid.setCell(colZeit, 151, QStringLiteral("9,000")); // number 151 takes the lead
        QTRY_COMPARE_WITH_TIMEOUT(window.table()->item(0, 1)->text(), QStringLiteral("151"), 2000);
        QCOMPARE(bar->value(), place);
        // Another group is read from its top.
        window.showGroup(1);
        QCOMPARE(window.table()->item(0, 1)->text(), QStringLiteral("2"));
        QCOMPARE(bar->value(), 0);
    }
};

QTEST_MAIN(TestStandingsWindow)
#include "test_standings_window.moc"

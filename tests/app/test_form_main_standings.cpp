// The "Wertung" window from the main window: Ctrl+G and the protocol's popup show it, it
// follows a race, and a double-click on a competitor selects their best run in the protocol.

#include "form_main_fixture.h"

#include "controls/sort_grid.h"
#include "protocol/protocol_table.h"
#include "standings/standings_window.h"
#include "workbook_dump.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QTableWidget>

class TestFormMainStandings : public QObject {
    Q_OBJECT

    std::unique_ptr<FormMainFixture> m_fixture;
    std::unique_ptr<TFormMain> m_form;

    SortGridData& data() { return m_form->ui().SortGrid1->gridData(); }

    void setRows(const QList<QStringList>& rows) {
        data().setRowCount(int(rows.size()) + 1);
        for (int row = 0; row < rows.size(); ++row)
            for (int col = 0; col < rows[row].size(); ++col)
                data().setCell(col, row + 1, rows[row][col]);
    }

private slots:
    void init() {
        m_fixture = std::make_unique<FormMainFixture>();
        // "Wertung" is read last, so every value before it is stored.
        m_fixture->storeEveryValue(0, {{"WebOn", 0}, {"WebPort", 0}, {"Wertung", 2}});
        m_form = std::make_unique<TFormMain>(m_fixture->environment());
        QVERIFY(FormMainFixture::showActive(m_form.get()));
    }
    void cleanup() {
        m_form.reset();
        m_fixture.reset();
    }

    void ctrlGShowsTheStandingsOfTheSetting() {
        StandingsWindow& window = m_form->standingsWindow();
        QVERIFY(!window.isVisible());
        QCOMPARE(m_form->standingsItem()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_G));
        QTest::keyClick(m_form.get(), Qt::Key_G, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(window.isVisible(), 2000);
        QCOMPARE(window.rule().countedRuns, 2); // "Wertung" read from the settings
        QCOMPARE(window.table()->horizontalHeaderItem(4)->text(), QStringLiteral("Summe Zeit"));

        // The official changes the count in the window: the setting follows.
        emit window.countChooser()->activated(0);
        QCOMPARE(m_form->settings().Wertung, 1);
    }

    void popupItemShowsItToo() {
        QAction* item = nullptr;
        for (QAction* action : m_form->ui().PopupMenuProtokol->actions())
            if (action->text() == QStringLiteral("Wertung (Strg+G)"))
                item = action;
        QVERIFY(item);
        item->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(m_form->standingsWindow().isVisible(), 2000);
    }

    void doubleClickSelectsTheBestRun() {
        StandingsWindow& window = m_form->standingsWindow();
        m_form->standingsItem()->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(window.isVisible(), 2000);
        emit window.countChooser()->activated(0); // the best run
        QStringList slow(protocolColumnCount), fast(protocolColumnCount), other(protocolColumnCount);
        slow[colNr] = fast[colNr] = QStringLiteral("5");
        slow[colZeit] = QStringLiteral("6,500");
        fast[colZeit] = QStringLiteral("6,100");
        other[colNr] = QStringLiteral("6");
        other[colZeit] = QStringLiteral("6,300");
        setRows({slow, other, fast});
        QTRY_COMPARE_WITH_TIMEOUT(window.table()->rowCount(), 2, 2000);
        QCOMPARE(window.table()->item(0, 1)->text(), QStringLiteral("5"));
        data().selectRow(1);
        emit window.table()->cellDoubleClicked(0, 2);
        QCOMPARE(data().Row(), 3);
        QCOMPARE(data().cell(colZeit, data().Row()), QStringLiteral("6,100"));
    }

    // Both workbooks carry the sheet "Wertung" after the protocol's.
    void workbooksCarryTheStandings() {
        QStringList run(protocolColumnCount);
        run[colNr] = QStringLiteral("5");
        run[colGruppe] = QStringLiteral("Klasse A");
        run[colZeit] = QStringLiteral("6,100");
        setRows({run});
        const QString saved = m_fixture->root.filePath(QStringLiteral("Rennen.xlsx"));
        QVERIFY(m_form->saveProtocolXls(saved));
        QCOMPARE(dumpWorkbook(saved)["sheets"].toArray().toVariantList(), (QVariantList{"Tarvolt", "Wertung"}));
        QCOMPARE(cellValues(dumpWorkbook(saved, 1), 0).value(0), QStringLiteral("Klasse A"));

        m_form->sbExcelClick();
        QCOMPARE(m_fixture->opened.size(), 1);
        const QJsonObject exported = dumpWorkbook(m_fixture->opened.first().toLocalFile(), 1);
        QCOMPARE(exported["sheet"].toString(), QStringLiteral("Wertung"));
        QCOMPARE(cellValues(exported, 2).mid(0, 2), (QStringList{"1", "5"}));
        QFile::remove(m_fixture->opened.first().toLocalFile());
    }
};

QTEST_MAIN(TestFormMainStandings)
#include "test_form_main_standings.moc"

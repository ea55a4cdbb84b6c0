#include "form_main_fixture.h"

#include "app/form_main_commands.h"
#include "app/status_panels.h"
#include "controls/lb_speed_button.h"
#include "controls/sort_grid.h"
#include "dialogs/dlg_yes_no.h"
#include "display/display_panel.h"
#include "display/display_state.h"
#include "protocol/protocol_table.h"
#include "run/run_controller.h"

#include <QAction>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>

namespace {

// The lower panel's digit values, e.g. "001234".
QString lowerDigits(const DisplayState& display) {
    QString text;
    for (DigitId id :
         {DigitId::Digit1, DigitId::Digit2, DigitId::Digit3, DigitId::Digit0, DigitId::Digit10, DigitId::Digit20})
        text += QString::number(display.digit(id).value);
    return text;
}

} // namespace

// The protocol table in the main window: what selecting, typing, double-clicking,
// removing a row and clearing do.
class TestFormMainProtocol : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_fixture = std::make_unique<FormMainFixture>();
        m_form = std::make_unique<TFormMain>(m_fixture->environment());
        m_yesNo = std::make_unique<TFDlgYesNo>(QStringLiteral("Tarvolt"), m_form.get());
        m_form->attachLaterWindows({nullptr, m_yesNo.get(), nullptr, nullptr});
        QVERIFY(FormMainFixture::showActive(m_form.get()));
    }
    void cleanup() {
        m_yesNo.reset();
        m_form.reset();
        m_fixture.reset();
    }

    void selectingACell_data() {
        QTest::addColumn<int>("col");
        QTest::addColumn<bool>("typed");
        for (int col = 0; col < protocolColumnCount; ++col)
            QTest::newRow(qPrintable(protocolHeaderTexts().at(col))) << col << (col >= 1 && col <= 3);
    }
    // "Name", "Fahrzeug" and "Gruppe" take typing; any other cell selects its whole row
    // and can be neither edited nor changed by a key.
    void selectingACell() {
        QFETCH(int, col);
        QFETCH(bool, typed);
        setRows({"1|Anna|Golf|A|2,000|50,00|60,00|1,000|9,000|2", "2|Bert|Polo|B|1,900|55,00|61,00|0,900|8,000|1",
                 "3|Carl|Kart|C|-|-|-|-|-|-"});
        const QStringList before = data().rowCells(2);

        clickCell(col, 2);
        QCOMPARE(m_form->ui().StatusBar1->panelText(0), QStringLiteral("2:3"));
        QCOMPARE(data().Row(), 2);
        QCOMPARE(bool(grid()->Options() & goEditing), typed);
        QCOMPARE(bool(grid()->Options() & goRowSelect), !typed);
        const TGridRect expected = typed ? TGridRect{col, 2, col, 2} : TGridRect{0, 2, 9, 2};
        QCOMPARE(data().Selection(), expected);
        QCOMPARE(data().Col(), typed ? col : 0);

        QTest::keyClick(grid(), Qt::Key_Return);
        QCOMPARE(grid()->isEditing(), typed);
        if (typed)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!grid()->isEditing());
        QTest::keyClick(grid(), Qt::Key_X);
        QCOMPARE(grid()->isEditing(), typed);
        if (typed)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(!grid()->isEditing());
        QStringList after = before;
        if (typed)
            after[col] = QStringLiteral("X");
        QCOMPARE(data().rowCells(2), after);
    }

    // The table asks the window for every cell's look: the column colour off the current row.
    void cellColours() {
        setRows({"1", "2"});
        data().selectRow(1);
        const auto format = [this](int col, int row) {
            TFormatOptions options;
            options.Brush = QBrush(Qt::magenta);
            options.AlignmentHorz = taRightJustify;
            bool checkBox = false, comboBox = false, ellipsis = false;
            grid()->OnGetCellFormat(col, row, {}, options, checkBox, comboBox, ellipsis);
            return options;
        };
        QCOMPARE(format(colZeit, 2).Brush.color(), QColor(224, 255, 224));
        QCOMPARE(format(colZeit, 1).Brush.color(), QColor(Qt::magenta));
        QCOMPARE(format(colName, 2).AlignmentHorz, taLeftJustify);
    }

    void doubleClickTakesStartNumbers_data() {
        QTest::addColumn<QStringList>("numbers"); // "Nr." of rows 1, 2, ...
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("startN1");
        QTest::addColumn<int>("startN2");
        QTest::newRow("row and the one below") << QStringList{"5", "8"} << 1 << 5 << 8;
        QTest::newRow("last row: Bereit stays") << QStringList{"5", "8"} << 2 << 8 << 2;
        QTest::newRow("row below without a number") << QStringList{"5", "x"} << 1 << 5 << 2;
        QTest::newRow("row without a number: both stay") << QStringList{"x", "8"} << 1 << 1 << 2;
        QTest::newRow("empty protocol") << QStringList{""} << 1 << 1 << 2;
        QTest::newRow("clamped to 1..9999") << QStringList{"12345", "0"} << 1 << 9999 << 1;
    }
    void doubleClickTakesStartNumbers() {
        QFETCH(QStringList, numbers);
        QFETCH(int, row);
        QFETCH(int, startN1);
        QFETCH(int, startN2);
        setRows(numbers);
        clickCell(colNr, row);
        doubleClickCell(colNr, row);
        const DisplayPanel* panel = m_form->ui().PanelDisplay;
        QCOMPARE(panel->editStartN1->value(), startN1);
        QCOMPARE(panel->editStartN2->value(), startN2);
        QCOMPARE(m_form->runController().editStartN1(), startN1);
        QCOMPARE(m_form->displayState().LabNext1(), QStringLiteral("Bereit: %1 ").arg(startN2));
    }

    void doubleClickDuringARunChangesNothing() {
        setRows({"5", "8"});
        QTest::keyClick(m_form.get(), Qt::Key_F5);
        QCOMPARE(m_form->runController().state(), RunState::RunningSplitPending);
        clickCell(colNr, 1);
        doubleClickCell(colNr, 1);
        QCOMPARE(m_form->ui().PanelDisplay->editStartN1->value(), 1);
        QCOMPARE(m_form->runController().editStartN2(), 2);
    }

    void removingARow_data() {
        QTest::addColumn<bool>("byKey"); // Ctrl+minus, or the table's menu item
        QTest::newRow("Ctrl+minus") << true;
        QTest::newRow("Zeile entfernen") << false;
    }
    void removingARow() {
        QFETCH(bool, byKey);
        setRows({"1||||||||8,000|1", "2||||||||9,000|2", "3||||||||10,000|3"});
        clickCell(colZeit, 2);
        // A row with a time asks first.
        QString question;
        WhenModal<TFDlgYesNo> answer([&](TFDlgYesNo* dialog) {
            question = dialog->Label1->text();
            QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
        });
        if (byKey)
            QTest::keyClick(m_form.get(), Qt::Key_Minus, Qt::ControlModifier);
        else
            m_form->ui().Erase1->trigger();
        QCOMPARE(question, QStringLiteral("Zeile Nr. 2 mit gemessener Zeit entfernen?"));
        QCOMPARE(column(colNr), QStringList({"1", "3"}));
        QCOMPARE(column(colPlatz), QStringList({"1", "2"})); // ranked again
        QVERIFY(m_form->ui().sbCLS->isEnabled());
        // The backup follows at once: after a crash the removed run does not come back.
        QVERIFY(m_form->waitForBackup(10000));
        QFile backup(QDir(m_fixture->programFolder()).filePath(QStringLiteral("Tarvolt-Sicherungsdatei.txt")));
        QVERIFY(backup.open(QIODevice::ReadOnly));
        const QByteArray text = backup.readAll();
        QVERIFY(text.contains("\n1\t") && text.contains("\n3\t"));
        QVERIFY(!text.contains("\n2\t"));
    }

    // A finish while the question is open selects its own row; "Ja" still removes the row
    // asked about, never the run that has just been timed.
    void removingTheRowAskedAboutAfterAFinish() {
        setRows({"1||||||||8,000|1", "2||||||||9,000|2"});
        clickCell(colZeit, 2);
        RunController& run = m_form->runController();
        {
            WhenModal<TFDlgYesNo> yes([&](TFDlgYesNo* dialog) {
                run.setEditStartN1(9);
                run.mStartClick();
                run.mStopClick();
                QCOMPARE(data().cell(colNr, data().Row()), QStringLiteral("9"));
                QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
            });
            m_form->ui().Erase1->trigger();
        }
        QCOMPARE(column(colNr), QStringList({"9", "1"}));
        QCOMPARE(column(colPlatz), QStringList({"1", "2"}));
    }

    // The position panel, the editing mode and the view follow the rows a run selects.
    void viewFollowsTheRun() {
        QStringList lines;
        for (int nr = 2; nr <= 41; ++nr)
            lines << QStringLiteral("%1||||||||0,000").arg(nr);
        setRows(lines);
        clickCell(colName, 1);
        QTest::keyClick(m_form.get(), Qt::Key_F5); // number 1: a new row 41
        QCOMPARE(m_form->ui().StatusBar1->panelText(0), QStringLiteral("41:41"));
        QTest::keyClick(grid(), Qt::Key_X); // the run's row is not open for typing
        QVERIFY(!grid()->isEditing());
        grid()->setTopRow(1);
        QTest::keyClick(m_form.get(), Qt::Key_F8);
        QCOMPARE(data().Row(), 41);
        QVERIFY(!grid()->cellRect(colNr, 41).isNull());
    }

    void removingTheOnlyRowLeavesAnEmptyOne() {
        setRows({"1|Anna||||||||5,000|1"});
        QVERIFY(m_form->ui().sbCLS->isEnabled());
        clickCell(colZeit, 1);
        QTest::keyClick(m_form.get(), Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(data().RowCount(), 2);
        QCOMPARE(data().rowCells(1), QStringList(protocolColumnCount));
        QCOMPARE(data().rowCells(0), protocolHeaderTexts());
        QVERIFY(!m_form->ui().sbCLS->isEnabled());
    }

    // Opening the table's menu brings the protocol buttons up to date.
    void openingTheMenuUpdatesTheButtons() {
        data().setCell(colNr, 1, QStringLiteral("4")); // as a load would, without telling anyone
        QVERIFY(!m_form->ui().sbCLS->isEnabled());
        QMenu* menu = m_form->ui().PopupMenuProtokol;
        QTest::mouseClick(grid()->viewport(), Qt::RightButton, {}, grid()->cellRect(colZeit, 1).center());
        QTRY_VERIFY(menu->isVisible());
        QVERIFY(m_form->ui().sbCLS->isEnabled());
        menu->hide();
    }

    void clearing_data() {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("byKey"); // Ctrl+X, or the sbCLS button
        QTest::newRow("no by Ctrl+X") << false << true;
        QTest::newRow("no by sbCLS") << false << false;
        QTest::newRow("yes by Ctrl+X") << true << true;
        QTest::newRow("yes by sbCLS") << true << false;
    }
    void clearing() {
        QFETCH(bool, yes);
        QFETCH(bool, byKey);
        setRows({"1|Anna||||||||5,000|1", "2|Bert||||||||6,000|2"});
        m_form->displayState().showTime(DisplayState::LowerPanel, 1234);
        const QList<QStringList> before = rows();
        const QString lowerBefore = lowerDigits(m_form->displayState());

        QString question;
        bool defaultNo = false;
        WhenModal<TFDlgYesNo> answer([&](TFDlgYesNo* dialog) {
            question = dialog->Label1->text();
            // Enter must not clear the event's results: "no" is given by Enter here.
            defaultNo = dialog->CancelBtn->isDefault() && !dialog->OKBtn->isDefault();
            if (yes)
                QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
            else
                QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : dialog, Qt::Key_Return);
        });
        if (byKey)
            QTest::keyClick(m_form.get(), Qt::Key_X, Qt::ControlModifier);
        else
            QTest::mouseClick(m_form->ui().sbCLS, Qt::LeftButton);
        QCOMPARE(question, QStringLiteral("Zeitenprotokoll  löschen?"));
        QVERIFY(defaultNo);

        if (yes) {
            QCOMPARE(data().RowCount(), 2);
            QCOMPARE(data().rowCells(1), QStringList(protocolColumnCount));
            QVERIFY(!m_form->ui().sbCLS->isEnabled());
            QCOMPARE(lowerDigits(m_form->displayState()), QStringLiteral("000000"));
        } else {
            QCOMPARE(rows(), before);
            QVERIFY(m_form->ui().sbCLS->isEnabled());
            QCOMPARE(lowerDigits(m_form->displayState()), lowerBefore);
        }
        QCOMPARE(rows().first(), protocolHeaderTexts());
    }

    void commandKeysWhereverTheFocusIs_data() {
        QTest::addColumn<int>("focus"); // 0 Start-Nr., 1 Bereit, 2 the table, 3 the table's cell editor
        QTest::addColumn<bool>("asked");
        QTest::newRow("Start-Nr.") << 0 << true;
        QTest::newRow("Bereit") << 1 << true;
        QTest::newRow("table") << 2 << true;
        QTest::newRow("cell editor keeps its keys") << 3 << false;
    }
    // Ctrl+X reaches "Clear" from the start-number fields too; only while a cell is being
    // typed into does it stay an editing key.
    void commandKeysWhereverTheFocusIs() {
        QFETCH(int, focus);
        QFETCH(bool, asked);
        setRows({"1|Anna"});
        DisplayPanel* panel = m_form->ui().PanelDisplay;
        QWidget* target = nullptr;
        if (focus == 3) {
            clickCell(colName, 1);
            QTest::keyClick(grid(), Qt::Key_Return);
            QVERIFY(grid()->isEditing());
            target = QApplication::focusWidget();
            QVERIFY(qobject_cast<QLineEdit*>(target));
        } else {
            target = focus == 0   ? static_cast<QWidget*>(panel->editStartN1)
                     : focus == 1 ? static_cast<QWidget*>(panel->editStartN2)
                                  : grid();
            target->setFocus();
            QTRY_VERIFY(target->hasFocus());
        }

        bool wasAsked = false;
        WhenModal<TFDlgYesNo> answer([&](TFDlgYesNo* dialog) {
            wasAsked = true;
            QTest::mouseClick(dialog->CancelBtn, Qt::LeftButton);
        });
        QTest::keyClick(target, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(wasAsked, asked);
        if (focus == 3) {
            QVERIFY(grid()->isEditing());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCOMPARE(data().cell(colName, 1), QString()); // the key cut the selected name
        }
    }

    // The run keys are never an editing key: a start while a name is typed is a start.
    void runKeyWhileTypingAName() {
        setRows({"1"});
        clickCell(colName, 1);
        QTest::keyClick(grid(), Qt::Key_Return);
        QVERIFY(grid()->isEditing());
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Anna"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F5);
        QCOMPARE(m_form->runController().state(), RunState::RunningSplitPending);
        QVERIFY(!grid()->isEditing());
        QCOMPARE(data().cell(colName, 1), QStringLiteral("Anna"));
    }

    // "Lauf ungültig (AUS)" and "Nr. ändern…": asked first, ranked again, in the backup at once.
    void correctionsFromThePopup() {
        setRows({"7|Anna|Golf|A|2,100|80,00|-|-|6,500|1", "8|Bert|Polo|B|2,000|85,00|-|-|7,000|2"});
        clickCell(colZeit, 1);
        emit m_form->ui().PopupMenuProtokol->aboutToShow(); // as the right click opens it
        QAction* invalid = correction("LaufUngueltig1");
        QAction* number = correction("NrAendern1");
        QVERIFY(invalid && number);
        QCOMPARE(invalid->text(), QStringLiteral("Lauf ungültig (AUS)"));
        QCOMPARE(number->text(), QStringLiteral("Nr. ändern…"));

        QVERIFY(invalid->isEnabled() && number->isEnabled());
        // "Nein" changes nothing.
        {
            WhenModal<TFDlgYesNo> no([](TFDlgYesNo* dialog) { QTest::mouseClick(dialog->CancelBtn, Qt::LeftButton); });
            invalid->trigger();
        }
        QCOMPARE(column(colZeit), (QStringList{"6,500", "7,000"}));

        QString question;
        {
            WhenModal<TFDlgYesNo> yes([&](TFDlgYesNo* dialog) {
                question = dialog->Label1->text();
                QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
            });
            invalid->trigger();
        }
        QCOMPARE(question, QStringLiteral("Lauf Nr. 7 (6,500) ungültig (AUS)? Die Zeiten werden überschrieben."));
        QCOMPARE(data().rowCells(1), (QStringList{"8", "Bert", "Polo", "B", "2,000", "85,00", "-", "-", "7,000", "1"}));
        QCOMPARE(data().rowCells(2), (QStringList{"7", "Anna", "Golf", "A", "AUS", "AUS", "AUS", "AUS", "AUS", "-"}));
        QVERIFY(m_form->waitForBackup(10000)); // written on a thread of its own
        const QString backup = QDir(m_fixture->programFolder()).filePath(QStringLiteral("Tarvolt-Sicherungsdatei.txt"));
        QFile file(backup);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("7\tAnna\tGolf\tA\tAUS"));

        // The number of row 2 (Anna's) corrected to 12: digits only, 1 to 9999.
        clickCell(colZeit, 2);
        emit m_form->ui().PopupMenuProtokol->aboutToShow();
        int offered = 0;
        {
            WhenModal<QInputDialog> typed([&](QInputDialog* dialog) {
                offered = dialog->intValue();
                QCOMPARE(dialog->intMinimum(), 1);
                QCOMPARE(dialog->intMaximum(), 9999);
                dialog->setIntValue(12);
                dialog->accept();
            });
            number->trigger();
        }
        QCOMPARE(offered, 7);
        QCOMPARE(column(colNr), (QStringList{"8", "12"}));
    }

    // A number with several runs: the question names the run by its time, where it has one.
    void invalidQuestionNamesTheRun() {
        setRows({"7|Anna|Golf|A|2,100|80,00|-|-|6,500|1", "7|Anna|Golf|A|2,300|75,00|-|-|6,900|2",
                 "7|Anna|Golf|A|-|-|-|-|-|-"});
        const auto askedAt = [&](int row) {
            clickCell(colZeit, row);
            emit m_form->ui().PopupMenuProtokol->aboutToShow();
            QString question;
            WhenModal<TFDlgYesNo> no([&](TFDlgYesNo* dialog) {
                question = dialog->Label1->text();
                QTest::mouseClick(dialog->CancelBtn, Qt::LeftButton);
            });
            correction("LaufUngueltig1")->trigger();
            return question;
        };
        QCOMPARE(askedAt(2), QStringLiteral("Lauf Nr. 7 (6,900) ungültig (AUS)? Die Zeiten werden überschrieben."));
        QCOMPARE(askedAt(1), QStringLiteral("Lauf Nr. 7 (6,500) ungültig (AUS)? Die Zeiten werden überschrieben."));
        QCOMPARE(askedAt(3), QStringLiteral("Lauf Nr. 7 ungültig (AUS)? Die Zeiten werden überschrieben."));
        QCOMPARE(column(colZeit), (QStringList{"6,500", "6,900", "-"}));
    }

    // Barrier events reach the window while the question is open: a run that starts then owns
    // the track, and one that finishes ranks the protocol again, so that another run stands at
    // the row asked about. "Ja" then changes nothing, as the menu is closed during a run.
    void noCorrectionWhenARunCameDuringTheQuestion_data() {
        QTest::addColumn<bool>("finished");
        QTest::newRow("finished, the rows moved") << true;
        QTest::newRow("still on the track") << false;
    }
    void noCorrectionWhenARunCameDuringTheQuestion() {
        QFETCH(bool, finished);
        setRows({"7|Anna|Golf|A|2,100|80,00|-|-|6,500|1", "8|Bert|Polo|B|2,000|85,00|-|-|7,000|2"});
        RunController& run = m_form->runController();
        clickCell(colZeit, 2); // Bert's run
        emit m_form->ui().PopupMenuProtokol->aboutToShow();
        QVERIFY(correction("LaufUngueltig1")->isEnabled());
        {
            WhenModal<TFDlgYesNo> yes([&](TFDlgYesNo* dialog) {
                run.setEditStartN1(9);
                run.mStartClick();
                if (finished) {
                    run.mStopClick(); // 9 ranks first: Anna's run comes to Bert's row
                    QCOMPARE(data().cell(colNr, 2), QStringLiteral("7"));
                }
                QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
            });
            correction("LaufUngueltig1")->trigger();
        }
        const auto zeitOf = [this](const char* nr) {
            return data().cell(colZeit, data().findRow(colNr, QString::fromLatin1(nr), false));
        };
        QCOMPARE(zeitOf("7"), QStringLiteral("6,500"));
        QCOMPARE(zeitOf("8"), QStringLiteral("7,000"));
    }

    // During a run its row belongs to the run: no correction.
    void noCorrectionDuringARun() {
        setRows({"1|Anna||||||||6,000|1"});
        QTest::keyClick(m_form.get(), Qt::Key_F5);
        clickCell(colZeit, 1);
        emit m_form->ui().PopupMenuProtokol->aboutToShow();
        QVERIFY(!correction("LaufUngueltig1")->isEnabled());
        QVERIFY(!correction("NrAendern1")->isEnabled());
        correction("LaufUngueltig1")->trigger(); // no question comes, nothing changes
        QCOMPARE(data().cell(colZeit, 1), QString());
    }

    // The competitor's name beside "Start-Nr.", from a row whose name is real.
    void nameBesideTheStartNumber() {
        setRows({"3|-|-|-|-|-|-|-|-|-", "3|Carla|Kart|C", "4||Polo"});
        m_form->runController().setEditStartN1(3);
        QCOMPARE(m_form->displayState().StartName(), QStringLiteral("Carla"));
        QCOMPARE(m_form->ui().PanelDisplay->LabelStartName->text(), QStringLiteral("Carla"));
        m_form->runController().setEditStartN1(4);
        QCOMPARE(m_form->ui().PanelDisplay->LabelStartName->text(), QString());
        data().setCell(colName, 3, QStringLiteral("Dora")); // typed in the table
        QCOMPARE(m_form->ui().PanelDisplay->LabelStartName->text(), QStringLiteral("Dora"));
    }

    // Status panel 2 says in words what the track does, and the port's state.
    void statusPanelSaysTheTrackState() {
        const auto panel = [this] { return m_form->ui().StatusBar1->panelText(2); };
        QCOMPARE(panel(), QStringLiteral("Nicht freigegeben · kein Port gewählt"));
        QTest::keyClick(m_form.get(), Qt::Key_F4);
        QVERIFY(panel().startsWith(QStringLiteral("Freigegeben – wartet auf den Start")));
        QTest::keyClick(m_form.get(), Qt::Key_F5);
        QVERIFY(panel().startsWith(QStringLiteral("Lauf – wartet auf die Zw.Zeit")));
        QTest::keyClick(m_form.get(), Qt::Key_F10);
        QVERIFY(panel().startsWith(QStringLiteral("Unfall")));
        QTest::keyClick(m_form.get(), Qt::Key_F5);
        QTest::keyClick(m_form.get(), Qt::Key_F8);
        QVERIFY(panel().startsWith(QStringLiteral("Im Ziel")));
    }

    // A split that does not come on an armed track: red words in status panel 2 and a
    // flashing Zw.Zeit button, until F6 gives the split.
    void missingSplitIsAnnounced() {
        setRows({"1||||0,050|||||"}); // the slowest split so far: 50 ms, so 100 ms is late
        TLbSpeedButton* zwZeit = m_form->ui().bZwZeit;
        QTest::keyClick(m_form.get(), Qt::Key_F4);
        QTest::keyClick(m_form.get(), Qt::Key_F5);
        const QColor lit = zwZeit->Color();
        // The lower panel's caption names what it shows during the run: the split.
        QCOMPARE(m_form->ui().PanelDisplay->LabelLowerShows->text(), QStringLiteral("Zw.Zeit"));
        QLabel* panel = m_form->ui().StatusBar1->panel(2);
        QTRY_COMPARE_WITH_TIMEOUT(
            panel->text(), QStringLiteral("Zw.Zeit fehlt! F6 gibt sie von Hand und schaltet das Ziel ein"), 5000);
        QVERIFY(panel->styleSheet().contains(QStringLiteral("color")));
        QTRY_VERIFY_WITH_TIMEOUT(zwZeit->Color() != lit, 5000);
        QTest::keyClick(m_form.get(), Qt::Key_F6);
        QVERIFY(panel->text().startsWith(QStringLiteral("Lauf – wartet auf")));
        QVERIFY(panel->styleSheet().isEmpty());
        // The flashing has stopped: the button keeps the look of a taken split.
        QVERIFY(!zwZeit->isEnabled());
        const QColor after = zwZeit->Color();
        QTest::qWait(3 * 350);
        QCOMPARE(zwZeit->Color(), after);
    }

private:
    QAction* correction(const char* name) const {
        return m_form->ui().PopupMenuProtokol->findChild<QAction*>(QString::fromLatin1(name));
    }
    TSortGrid* grid() const { return m_form->ui().SortGrid1; }
    SortGridData& data() const { return grid()->gridData(); }

    void setRows(const QStringList& lines) { FormMainFixture::setProtocolRows(*m_form, lines); }
    QList<QStringList> rows() const {
        QList<QStringList> all;
        for (int row = 0; row < data().RowCount(); ++row)
            all.append(data().rowCells(row));
        return all;
    }
    QStringList column(int col) const {
        QStringList texts;
        for (int row = 1; row < data().RowCount(); ++row)
            texts.append(data().cell(col, row));
        return texts;
    }
    void clickCell(int col, int row) {
        const QRect rect = grid()->cellRect(col, row);
        QVERIFY(!rect.isNull());
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, rect.center());
    }
    void doubleClickCell(int col, int row) {
        QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, grid()->cellRect(col, row).center());
    }

    std::unique_ptr<FormMainFixture> m_fixture;
    std::unique_ptr<TFormMain> m_form;
    std::unique_ptr<TFDlgYesNo> m_yesNo;
};

QTEST_MAIN(TestFormMainProtocol)
#include "test_form_main_protocol.moc"

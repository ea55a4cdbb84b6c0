#include "form_main_fixture.h"

#include "app/click_label.h"
#include "app/form_main_commands.h"
#include "app/status_panels.h"
#include "app/title_bar.h"
#include "controls/digit.h"
#include "controls/lb_speed_button.h"
#include "controls/sort_grid.h"
#include "dialogs/dialog_artwork.h"
#include "dialogs/form_info.h"
#include "run/run_controller.h"
#include "timing/high_res_timer.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>

#include <map>

// Layout, commands and the title bar's services of the main window.
class TestFormMain : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_fixture = std::make_unique<FormMainFixture>();
        m_form = std::make_unique<TFormMain>(m_fixture->environment());
        QVERIFY(FormMainFixture::showActive(m_form.get()));
    }
    void cleanup() {
        m_form.reset();
        m_fixture.reset();
    }

    void designSizeIsMinimum() {
        QCOMPARE(m_form->size(), QSize(850, 572));
        QCOMPARE(m_form->minimumSize(), QSize(850, 572));
        QCOMPARE(m_form->windowTitle(), QStringLiteral("2.1 Tarvolt"));
        // Created with the TSC off, so start-up does not wait for its calibration.
        QVERIFY(!m_form->HighResTimer1().UseTSC());
        QCOMPARE(m_form->HighResTimer1().CountSpeed(), 1000.0);
    }

    void regions() {
        const FormMainUi& ui = m_form->ui();
        QCOMPARE(ui.Panel1->geometry(), QRect(0, 0, 850, 38));
        QCOMPARE(ui.Panel2->geometry(), QRect(0, 38, 850, 338));
        QCOMPARE(ui.PanelLeft->geometry(), QRect(0, 0, 445, 338));
        QCOMPARE(ui.Panel3->geometry(), QRect(445, 0, 405, 338));
        QCOMPARE(ui.PanelDisplay->size(), QSize(410, 283));
        QCOMPARE(ui.StatusBar1->height(), 19);
        const QRect grid = ui.SortGrid1->geometry();
        QCOMPARE(grid.top(), 38 + 338);
        QCOMPARE(grid.bottom() + 1, ui.StatusBar1->geometry().top());
        QCOMPARE(grid.width(), 850);
        // The digit panel's width as the spectator window scales it.
        QCOMPARE(ui.Image4->x() - ui.Image2->width(), 406);
    }

    void digitPositions_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QPoint>("topLeft");
        QTest::addColumn<bool>("visible");
        const std::pair<const char*, QPoint> upper[] = {
            {"10M", {4, 52}},  {"4", {52, 52}},    {"5", {132, 52}},  {"6", {180, 52}}, {"7", {260, 52}},
            {"8", {308, 52}},  {"9", {356, 52}},   {"1", {36, 184}},  {"2", {84, 184}}, {"3", {132, 184}},
            {"0", {212, 184}}, {"10", {260, 184}}, {"20", {308, 184}}};
        for (const auto& [suffix, point] : upper) {
            const QString name = QStringLiteral("Digit") + QString::fromLatin1(suffix);
            const bool hiddenAtDesign = name == QStringLiteral("Digit1") || name == QStringLiteral("Digit2");
            QTest::newRow(qPrintable(name)) << name << point << !hiddenAtDesign;
        }
    }
    void digitPositions() {
        QFETCH(QString, name);
        QFETCH(QPoint, topLeft);
        QFETCH(bool, visible);
        const DisplayPanel* panel = m_form->ui().PanelDisplay;
        const std::map<QString, TDigit*> digits{
            {"Digit10M", panel->Digit10M}, {"Digit4", panel->Digit4}, {"Digit5", panel->Digit5},
            {"Digit6", panel->Digit6},     {"Digit7", panel->Digit7}, {"Digit8", panel->Digit8},
            {"Digit9", panel->Digit9},     {"Digit1", panel->Digit1}, {"Digit2", panel->Digit2},
            {"Digit3", panel->Digit3},     {"Digit0", panel->Digit0}, {"Digit10", panel->Digit10},
            {"Digit20", panel->Digit20}};
        const TDigit* digit = digits.at(name);
        QCOMPARE(digit->geometry(), QRect(topLeft, QSize(45, 89)));
        QCOMPARE(digit->Thickness(), 5);
        QCOMPARE(digit->Separation(), 1);
        QCOMPARE(digit->Value(), 0);
        QCOMPARE(digit->isVisible(), visible);
    }

    void separatorsAndFields() {
        const DisplayPanel* panel = m_form->ui().PanelDisplay;
        QCOMPARE(panel->LabMin->geometry(), QRect(108, 79, 25, 81));
        QCOMPARE(panel->LabSec->geometry(), QRect(236, 79, 25, 81));
        QCOMPARE(panel->LabSec2->geometry(), QRect(188, 211, 25, 81));
        QCOMPARE(panel->LabMin->font().family(), QStringLiteral("Times New Roman"));
        QVERIFY(panel->LabMin->font().bold());
        for (QSpinBox* edit : {panel->editStartN1, panel->editStartN2}) {
            QCOMPARE(edit->minimum(), 1);
            QCOMPARE(edit->maximum(), 9999);
        }
        QCOMPARE(panel->editStartN1->value(), 1);
        QCOMPARE(panel->editStartN2->value(), 2);
        QCOMPARE(panel->cbParam2->count(), 3);
        QCOMPARE(panel->cbParam2->itemText(1), QStringLiteral("Max. End-Geschwindigkeit"));
        QCOMPARE(panel->cbParam2->y(), 153);
        QVERIFY(!panel->LabelTime2->isVisible());
    }

    void runButtons_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("top");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("hint");
        QTest::newRow("bFreigabe") << 0 << "Freigabe" << 36 << true << "[F4]";
        QTest::newRow("bStart") << 1 << "START" << 73 << false << "[F5]";
        QTest::newRow("bZwZeit") << 2 << "Zw.Zeit" << 110 << false << "[F6]";
        QTest::newRow("bVmax") << 3 << "Vmax" << 147 << false << "[F7]";
        QTest::newRow("bStop") << 4 << "FINISH" << 184 << false << "[F8]";
        QTest::newRow("bReset") << 5 << "00:00" << 221 << false << "[F9]";
        QTest::newRow("bAvaria") << 6 << "UNFALL" << 258 << false << "[F10]";
    }
    void runButtons() {
        QFETCH(int, index);
        QFETCH(QString, caption);
        QFETCH(int, top);
        QFETCH(bool, enabled);
        QFETCH(QString, hint);
        TLbSpeedButton* button = m_form->ui().runButtons()[std::size_t(index)];
        QCOMPARE(button->Caption(), caption);
        QCOMPARE(button->geometry(), QRect(37, top, 92, 33));
        QCOMPARE(button->Style(), TLbSpeedButtonStyle::bsModern);
        QCOMPARE(button->isEnabled(), enabled);
        QCOMPARE(button->toolTip(), hint);
        if (!enabled)
            QVERIFY(!button->ShadowColor().isValid()); // no outline while disabled
    }

    void barrierIconsAndLight() {
        const FormMainUi& ui = m_form->ui();
        const int tops[] = {74, 113, 149, 186};
        const auto icons = ui.barrierIcons();
        for (std::size_t i = 0; i < icons.size(); ++i) {
            QCOMPARE(icons[i]->geometry(), QRect(2, tops[i], 30, 31));
            // Shown whenever a port is chosen and the barrier fitted, powered or not.
            const Settings& s = m_form->settings();
            const bool fitted = i == 1 ? s.LuchZwZeit : i == 2 ? s.LuchVmax : true;
            QCOMPARE(icons[i]->isVisible(), s.Port != 0 && fitted);
            QCOMPARE(icons[i]->pixmap().size(), QSize(30, 31));
        }
        QCOMPARE(ui.ImageLSstart->toolTip(), QStringLiteral("[F11] L1 On/Off"));
        QCOMPARE(ui.ImageLSstop->toolTip(), QStringLiteral("[F12] L4 On/Off"));
        QCOMPARE(ui.ImageAmpel->size(), QSize(111, 35));
        QCOMPARE(ui.cbFreigabe->pos(), QPoint(11, 45));
        QVERIFY(!ui.LabelError->isVisible());
        QCOMPARE(ui.LabelError->text(), QStringLiteral("Error"));
        // The spectator window is not up: its "on" picture lies hidden on top of the "off" one.
        QCOMPARE(ui.ImageTVEin->pos(), ui.ImageTVAus->pos());
        QVERIFY(!ui.ImageTVEin->isVisible());
        QVERIFY(ui.ImageTVAus->isVisible());
    }

    void toolButtons() {
        const FormMainUi& ui = m_form->ui();
        QCOMPARE(ui.bHelp->toolTip(), QStringLiteral("[F1] Hilfe"));
        QCOMPARE(ui.bCFG->toolTip(), QStringLiteral("[F2] Einstellungen"));
        QCOMPARE(ui.bInfo->toolTip(), QStringLiteral("[F3] Information"));
        for (TLbSpeedButton* button : {ui.bHelp, ui.bCFG, ui.bInfo, ui.sbLoad}) {
            QCOMPARE(button->Style(), TLbSpeedButtonStyle::bsNormal);
            QVERIFY(button->Flat() && button->Transparent());
            QCOMPARE(button->NumGlyphs(), 2);
        }
        QCOMPARE(ui.sbCLS->toolTip(), QStringLiteral("[Ctrl+X] Löschen"));
        QCOMPARE(ui.sbLoad->toolTip(), QStringLiteral("[Ctrl+O]Öffnen"));
        QCOMPARE(ui.sbSave->toolTip(), QStringLiteral("[Ctrl+S] Speichern unter..."));
        QCOMPARE(ui.PanelDate->font().pixelSize(), 24);
        QVERIFY(ui.PanelDate->text() != QStringLiteral("00:00")); // refreshed once at creation
        QCOMPARE(m_form->TimerDate().interval(), 5000);
        QVERIFY(m_form->TimerDate().isActive());
    }

    void statusBar() {
        const StatusPanels* status = m_form->ui().StatusBar1;
        QCOMPARE(status->panelText(0), QStringLiteral("0:0"));
        QCOMPARE(status->panelWidth(0), 50);
        QCOMPARE(status->panelWidth(1), 220);
        QVERIFY(!status->panelText(1).isEmpty());
        QCOMPARE(status->panelWidth(2), 850 - 50 - 220 - 50 - 30);
        QCOMPARE(status->panelText(3), QStringLiteral(" 850x572       "));
        QVERIFY(status->panel(3)->alignment() & Qt::AlignRight);

        m_form->resize(1000, 700);
        QTRY_COMPARE(status->panelText(3), QStringLiteral(" 1000x700       "));
        QCOMPARE(status->panelWidth(2), 1000 - 50 - 220 - 50 - 30);
    }

    // The short panels show their whole text: "2716:5007" at a 5,000-row event, not "716:500",
    // and a four-digit window width; the message panel gives them the room.
    void statusPanelsShowTheirWholeText() {
        StatusPanels* status = m_form->ui().StatusBar1;
        m_form->resize(1000, 700);
        QTRY_COMPARE(status->panelText(3), QStringLiteral(" 1000x700       "));
        status->setPanelText(0, QStringLiteral("2716:5007"));
        for (int index : {0, 3}) {
            const QLabel* panel = status->panel(index);
            const int text = panel->fontMetrics().horizontalAdvance(panel->text());
            QVERIFY2(panel->contentsRect().width() >= text,
                     qPrintable(QStringLiteral("panel %1: %2 px for %3 px of text")
                                    .arg(index)
                                    .arg(panel->contentsRect().width())
                                    .arg(text)));
        }
        const QLabel* last = status->panel(3);
        QCOMPARE(last->geometry().right(), status->width() - 1); // still ends at the bar's edge
        QVERIFY(status->panel(2)->geometry().right() < last->geometry().left());
    }

    // Columns 1 to 3 take what the others leave of the grid's client width, 2 : 1 : 1.
    void protocolColumns() {
        SortGridData& grid = m_form->ui().SortGrid1->gridData();
        QCOMPARE(grid.ColCount(), 10);
        QCOMPARE(grid.cell(8, 0), QStringLiteral("Zeit"));
        QCOMPARE(grid.RowCount(), 2);
        // 28 px, or what a four-digit number needs in the grid's font: a clipped "4308"
        // would read as "308", another competitor's number.
        const TSortGrid* view = m_form->ui().SortGrid1;
        const int fourDigits = view->fontMetrics().horizontalAdvance(QStringLiteral("4308"));
        QVERIFY2(grid.ColWidth(0) - 4 > fourDigits,
                 qPrintable(QStringLiteral("%1 px for %2 px").arg(grid.ColWidth(0)).arg(fourDigits)));
        QCOMPARE(grid.ColWidth(0), std::max(28, view->fontMetrics().horizontalAdvance(QStringLiteral("9999")) + 5));
        QCOMPARE(grid.ColWidth(9), 41);
        const int client = m_form->ui().SortGrid1->viewport()->width();
        int sum = 0;
        for (int col = 0; col < 10; ++col)
            sum += grid.ColWidth(col);
        QVERIFY2(sum <= client - 10 && sum >= client - 12, qPrintable(QString::number(client - sum)));
        QCOMPARE(grid.ColWidth(2), grid.ColWidth(3));

        Settings edited = m_form->settings();
        edited.ShowPlatz = false;
        m_form->applySettings(edited);
        QCOMPARE(grid.ColWidth(9), -1);
        QVERIFY(grid.ColWidth(1) - 2 * grid.ColWidth(2) <= 1);
    }

    void everyCommandHasItsKey_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QKeySequence>("key");
        const std::pair<const char*, QKeySequence> keys[] = {
            {"mHilfe", Qt::Key_F1},
            {"EinstellunGen1", Qt::Key_F2},
            {"mInfo", Qt::Key_F3},
            {"mFreigabe1", Qt::Key_F4},
            {"mStart", Qt::Key_F5},
            {"ZwZeit1", Qt::Key_F6},
            {"mVmax", Qt::Key_F7},
            {"mStop", Qt::Key_F8},
            {"mReset", Qt::Key_F9},
            {"mAvaria", Qt::Key_F10},
            {"mLockStartLS", Qt::Key_F11},
            {"mLockStoppLS", Qt::Key_F12},
            {"TestKeys1", Qt::CTRL | Qt::Key_1},
            {"Modus1", Qt::CTRL | Qt::Key_T},
            {"Clear1", Qt::CTRL | Qt::Key_X},
            {"Word1", Qt::CTRL | Qt::Key_W},
            {"EXcel1", Qt::CTRL | Qt::Key_E},
            {"Html1", Qt::CTRL | Qt::Key_H},
            {"Print1", Qt::CTRL | Qt::Key_P},
            {"Save1", Qt::CTRL | Qt::Key_S},
            {"Open1", Qt::CTRL | Qt::Key_O},
            {"Zeileentfernen1", Qt::CTRL | Qt::Key_Minus},
        };
        for (const auto& [name, key] : keys)
            QTest::newRow(name) << QString::fromLatin1(name) << key;
    }
    void everyCommandHasItsKey() {
        QFETCH(QString, item);
        QFETCH(QKeySequence, key);
        auto* action = m_form->findChild<QAction*>(item);
        QVERIFY(action);
        QCOMPARE(action->shortcut(), key);
        QVERIFY(m_form->actions().contains(action));
    }

    // A disabled item's handler runs neither by its key, nor by its button, nor by program.
    void disabledItemNeverRuns_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QKeySequence>("key");
        QTest::addColumn<int>("button"); // index into runButtons, -1 none
        QTest::newRow("F8 before a start") << "mStop" << QKeySequence(Qt::Key_F8) << 4;
    }
    void disabledItemNeverRuns() {
        QFETCH(QString, item);
        QFETCH(QKeySequence, key);
        QFETCH(int, button);
        auto* action = m_form->findChild<QAction*>(item);
        QVERIFY(action && !action->isEnabled());
        QSignalSpy triggered(action, &QAction::triggered);
        QTest::keySequence(m_form.get(), key);
        FormMainCommands::clickItem(action);
        action->trigger();
        if (button >= 0) {
            TLbSpeedButton* b = m_form->ui().runButtons()[std::size_t(button)];
            b->setEnabled(true); // even a button that can be pressed forwards only to the gate
            QTest::mousePress(b, Qt::LeftButton);
            QTest::mouseRelease(b, Qt::LeftButton);
        }
        QCOMPARE(triggered.count(), 0);
        QCOMPARE(m_form->runController().state(), RunState::Idle);
    }

    // Each run button reaches its command: the four timing buttons on the press, the others
    // on the click.
    void runButtonsDriveTheRun() {
        const FormMainUi& ui = m_form->ui();
        const RunController& c = m_form->runController();
        QTest::mouseClick(ui.bFreigabe, Qt::LeftButton);
        QCOMPARE(c.state(), RunState::Armed);
        const std::pair<TLbSpeedButton*, RunState> pressed[] = {{ui.bStart, RunState::RunningSplitPending},
                                                                {ui.bZwZeit, RunState::RunningSplitTaken},
                                                                {ui.bVmax, RunState::RunningInTrap},
                                                                {ui.bStop, RunState::Finished}};
        for (const auto& [button, state] : pressed) {
            QTest::mousePress(button, Qt::LeftButton);
            QCOMPARE(c.state(), state);
            QTest::mouseRelease(button, Qt::LeftButton);
        }
        QTest::mouseClick(ui.bReset, Qt::LeftButton);
        QCOMPARE(c.state(), RunState::Idle);
        QVERIFY(c.mStartEnabled());
        FormMainCommands::clickItem(m_form->commands().mStart);
        QCOMPARE(c.state(), RunState::RunningSplitPending);
        QTest::mouseClick(ui.bAvaria, Qt::LeftButton);
        QCOMPARE(c.state(), RunState::Idle);
        QVERIFY(!c.isClockRunning());
    }

    void testKeysTogglesItsCheckMark() {
        QAction* item = m_form->commands().TestKeys1;
        QVERIFY(!item->isChecked());
        QTest::keyClick(m_form.get(), Qt::Key_1, Qt::ControlModifier);
        QVERIFY(item->isChecked());
        QTest::keyClick(m_form.get(), Qt::Key_1, Qt::ControlModifier);
        QVERIFY(!item->isChecked());
    }

    void helpOpensTheHelpFile_data() {
        QTest::addColumn<int>("way"); // 0 F1, 1 Alt+I, 2 button
        QTest::newRow("F1") << 0;
        QTest::newRow("Alt+I") << 1;
        QTest::newRow("bHelp") << 2;
    }
    void helpOpensTheHelpFile() {
        QFETCH(int, way);
        const auto askForHelp = [&] {
            if (way == 0)
                QTest::keyClick(m_form.get(), Qt::Key_F1);
            else if (way == 1)
                QTest::keyClick(m_form.get(), Qt::Key_I, Qt::AltModifier);
            else
                QTest::mouseClick(m_form->ui().bHelp, Qt::LeftButton);
        };
        askForHelp(); // no manual beside the program: nothing to open
        QVERIFY(m_fixture->opened.isEmpty());
        m_fixture->addProgramFile(QStringLiteral("Tarvolt-Hilfe.html"));
        askForHelp();
        QCOMPARE(m_fixture->opened.size(), 1);
        QCOMPARE(m_fixture->opened.first(),
                 QUrl::fromLocalFile(QDir(m_fixture->programFolder()).filePath(QStringLiteral("Tarvolt-Hilfe.html"))));
    }

    void makerLetteringOpensTheSite() {
        QTest::mouseClick(m_form->ui().LabelMaker, Qt::LeftButton);
        QCOMPARE(m_fixture->opened, QList<QUrl>{TFormMain::makerSite()});
        QCOMPARE(TFormMain::makerSite().scheme(), QStringLiteral("https"));
    }

    void informationWindowIsModal_data() {
        QTest::addColumn<bool>("byKey");
        QTest::newRow("F3") << true;
        QTest::newRow("bInfo") << false;
    }
    void informationWindowIsModal() {
        QFETCH(bool, byKey);
        TFormInfo info(
            QStringLiteral("Tarvolt"), tarvoltApplicationIcon(), [](const QUrl&) {}, m_form.get());
        m_form->attachLaterWindows({nullptr, nullptr, nullptr, &info});
        bool wasModal = false;
        WhenModal<TFormInfo> answer([&](TFormInfo* shown) {
            wasModal = shown == &info;
            QTest::mouseClick(shown->sOK, Qt::LeftButton);
        });
        if (byKey)
            QTest::keyClick(m_form.get(), Qt::Key_F3);
        else
            QTest::mouseClick(m_form->ui().bInfo, Qt::LeftButton);
        QVERIFY(wasModal);
        QVERIFY(!info.isVisible());
    }

private:
    std::unique_ptr<FormMainFixture> m_fixture;
    std::unique_ptr<TFormMain> m_form;
};

QTEST_MAIN(TestFormMain)
#include "test_form_main.moc"

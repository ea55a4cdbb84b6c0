// The adapter test's window, opened from the settings dialog: what to plug in, the last kept
// result of the port, and the test with its verdict.

#pragma once

#include "adapter/adapter_test.h"

#include <QDialog>

class QLabel;
class QPushButton;

// Shows and keeps what AdapterTest measures; the measuring runs off the GUI thread, so the
// window stays responsive. The caller lets go of the port before it opens the window and takes
// it back when the window has closed. GUI thread only.
class AdapterTestDialog : public QDialog {
    Q_OBJECT
public:
    // `resultsPath`: the file that keeps each port's last result; empty keeps nothing.
    AdapterTestDialog(AdapterTestLinks links, QString resultsPath, QWidget* parent = nullptr);

    // For `port`: the plug's wiring and the last kept result of that port.
    void prepare(int port);
    AdapterTest& test() { return m_test; }

    QLabel* const labPlug;
    QLabel* const labVerdict;
    QLabel* const labResult;
    QPushButton* const bStart;
    QPushButton* const bClose;

    void done(int result) override;

    // The wiring, as the manual shows it.
    static QString plugText();

private:
    void bStartClick();
    void showResult(const AdapterTestResult& result);
    void showVerdict(AdapterVerdict verdict, const QString& headline);
    void showFailure(const QString& reason);

    const QString m_resultsPath;
    AdapterTest m_test;
    int m_port = 0;
};

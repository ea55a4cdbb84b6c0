// The program's yes/no question box, shown whenever the official must confirm something.

#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The program's shared yes/no question box, created once and shown modally as
// often as needed. Only "Ja" answers yes; "Nein", Esc and the title bar's close
// button all answer no. GUI thread only.
class TFDlgYesNo : public QDialog {
    Q_OBJECT

public:
    // Modal results: "Ja" closes with mrYes, every other way out with mrCancel.
    static constexpr int mrCancel = 2;
    static constexpr int mrYes = 6;

    // The caption shows `applicationTitle`, the executable's name without extension.
    explicit TFDlgYesNo(const QString& applicationTitle, QWidget* parent = nullptr);

    // Shows `question` modally; true only when the answer is "Ja". Enter answers "Ja", or
    // "Nein" with defaultNo, for questions whose yes destroys what the official cannot get back.
    bool ask(const QString& question, bool defaultNo = false);

    QLabel* const Label1;
    QLabel* const Icon;
    QPushButton* const OKBtn;
    QPushButton* const CancelBtn;

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool m_defaultNo = false;
};

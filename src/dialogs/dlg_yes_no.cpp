// The yes/no box's controls at their fixed places, and the answers of its buttons and keys.

#include "dialogs/dlg_yes_no.h"

#include "dialogs/dialog_artwork.h"

#include <QLabel>
#include <QPushButton>

TFDlgYesNo::TFDlgYesNo(const QString& applicationTitle, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint),
      Label1(new QLabel(QStringLiteral("?"), this)), Icon(new QLabel(this)),
      OKBtn(new QPushButton(QStringLiteral("Ja"), this)), CancelBtn(new QPushButton(QStringLiteral("Nein"), this)) {
    setWindowTitle(applicationTitle);
    QFont dialogFont(QStringLiteral("MS Sans Serif"));
    dialogFont.setPixelSize(11);
    setFont(dialogFont);
    setFixedSize(222, 94);

    Icon->setObjectName(QStringLiteral("Icon"));
    Icon->setGeometry(10, 12, 32, 32);
    Icon->setPixmap(questionIconPixmap(32));

    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(48, 4, 169, 49);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setWordWrap(true);

    // Created first, so "Ja" leads the tab order.
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setGeometry(33, 60, 75, 25);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setGeometry(114, 60, 75, 25);
    setTabOrder(OKBtn, CancelBtn);

    connect(OKBtn, &QPushButton::clicked, this, [this] { done(mrYes); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { done(mrCancel); });
}

bool TFDlgYesNo::ask(const QString& question, bool defaultNo) {
    Label1->setText(question);
    m_defaultNo = defaultNo;
    OKBtn->setDefault(!defaultNo);
    CancelBtn->setDefault(defaultNo);
    return exec() == mrYes;
}

void TFDlgYesNo::reject() {
    // Esc and the close button count as "Nein".
    done(mrCancel);
}

void TFDlgYesNo::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Every opening starts on its default answer, whichever button was used last time.
    (m_defaultNo ? CancelBtn : OKBtn)->setFocus(Qt::OtherFocusReason);
}

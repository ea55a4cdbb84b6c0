#include "settings/cfg_dialog.h"

#include "io/port_names.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>

TCfgDialog::TCfgDialog(quint64 portMask, Settings& settings, QWidget* parent)
    : QDialog(parent), lbl_COM1(new QLabel(QStringLiteral("Anschluss:"), this)), cbPort(new QComboBox(this)),
      lbl_Long(new QLabel(this)), m_settings(settings) {
    setWindowTitle(QStringLiteral("Einstellungen"));
    QFont dialogFont(QStringLiteral("Arial"));
    dialogFont.setPixelSize(13);
    setFont(dialogFont);

    QFont portFont = cbPort->font();
    portFont.setBold(true);
    cbPort->setFont(portFont);
    cbPort->setMaxVisibleItems(10);

    auto* form = new QFormLayout(this);
    form->addRow(lbl_Long);
    form->addRow(lbl_COM1, cbPort);

    FormCreate(portMask);
}

void TCfgDialog::FormCreate(quint64 portMask) {
    cbPort->addItem(QStringLiteral("Kein"), 0);
    for (int n = 1; n <= 64; ++n) {
        if (portMask & (quint64(1) << (n - 1)))
            cbPort->addItem(comPortListText(n), n);
    }
    m_settings.Length = lengthWithPreset(m_settings.Length);
    lbl_Long->setText(QStringLiteral("Streckenlänge:"));
    cbPort->setEnabled(cbPort->count() > 1);
}

// The settings dialog's part for the live results on the local network.

#pragma once

#include "settings/settings.h"

#include <QGroupBox>
#include <QImage>

class QCheckBox;
class QLabel;
class QSpinBox;

// The settings dialog's part for the live results on the local network: the switch, the
// port, the address(es) to type on a phone and a QR code of the first one. The addresses
// follow the port field as it is typed. GUI thread only.
class WebSettingsPanel : public QGroupBox {
    Q_OBJECT

public:
    explicit WebSettingsPanel(QWidget* parent = nullptr);

    void fillFromSettings(const Settings& settings);
    void storeSettings(Settings& settings) const;

    QCheckBox* const cbWebOn;
    QSpinBox* const seWebPort;
    QLabel* const lblWebAddress;
    QLabel* const imgWebQr;

private:
    void showAddresses();
};

// The QR code of text as a black-on-white picture, scale pixels per module, with the quiet
// zone; a null image when the text does not fit a code.
QImage qrImage(const QByteArray& text, int scale);

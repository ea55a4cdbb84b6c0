// The settings dialog's part for the live results on the local network.

#pragma once

#include "settings/settings.h"

#include <QGroupBox>
#include <QImage>

class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;

// The settings dialog's part for the live results on the local network: the switch, the
// port, the network interface to serve on (all by default), every address to type on a phone
// with a word on where the pages are seen, and a QR code of the first address. The addresses
// follow the fields as they change. GUI thread only.
class WebSettingsPanel : public QGroupBox {
    Q_OBJECT

public:
    explicit WebSettingsPanel(QWidget* parent = nullptr);

    void fillFromSettings(const Settings& settings);
    void storeSettings(Settings& settings) const;

    QCheckBox* const cbWebOn;
    QSpinBox* const seWebPort;
    QComboBox* const cbWebInterface; // item data: the interface's name, empty for all
    QLabel* const lblWebAddress;
    QLabel* const imgWebQr;

private:
    void listInterfaces(const QString& chosen);
    void showAddresses();
};

// The QR code of text as a black-on-white picture, scale pixels per module, with the quiet
// zone; a null image when the text does not fit a code.
QImage qrImage(const QByteArray& text, int scale);

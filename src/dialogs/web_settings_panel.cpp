// The live results switch, port, addresses and QR code in the settings dialog.

#include "dialogs/web_settings_panel.h"

#include "web/lan_addresses.h"
#include "web/qr_code.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QSignalBlocker>
#include <QSpinBox>

#include <algorithm>

namespace {

constexpr int qrScale = 3;

} // namespace

QImage qrImage(const QByteArray& text, int scale) {
    const QrMatrix qr = encodeQr(text);
    if (qr.isEmpty())
        return {};
    constexpr int quiet = 4;
    const int side = (qr.size + 2 * quiet) * scale;
    QImage image(side, side, QImage::Format_Mono);
    image.setColor(0, qRgb(255, 255, 255));
    image.setColor(1, qRgb(0, 0, 0));
    image.fill(0);
    for (int y = 0; y < qr.size; ++y) {
        for (int x = 0; x < qr.size; ++x) {
            if (!qr.at(x, y))
                continue;
            for (int dy = 0; dy < scale; ++dy) {
                for (int dx = 0; dx < scale; ++dx)
                    image.setPixel((x + quiet) * scale + dx, (y + quiet) * scale + dy, 1);
            }
        }
    }
    return image;
}

WebSettingsPanel::WebSettingsPanel(QWidget* parent)
    : QGroupBox(parent), cbWebOn(new QCheckBox(QStringLiteral("Live-Ergebnisse im Netzwerk"), this)),
      seWebPort(new QSpinBox(this)), cbWebInterface(new QComboBox(this)), lblWebAddress(new QLabel(this)),
      imgWebQr(new QLabel(this)) {
    seWebPort->setRange(1, 65535);
    seWebPort->setValue(kWebPortPreset);
    lblWebAddress->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblWebAddress->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    imgWebQr->setAlignment(Qt::AlignRight | Qt::AlignTop);

    auto* layout = new QGridLayout(this);
    layout->addWidget(cbWebOn, 0, 0, 1, 2);
    layout->addWidget(new QLabel(QStringLiteral("Port:"), this), 1, 0);
    layout->addWidget(seWebPort, 1, 1);
    layout->addWidget(new QLabel(QStringLiteral("Netzwerk:"), this), 2, 0);
    layout->addWidget(cbWebInterface, 2, 1);
    layout->addWidget(lblWebAddress, 3, 0, 1, 2);
    layout->addWidget(imgWebQr, 0, 2, 4, 1);
    layout->setColumnStretch(1, 1);

    connect(cbWebOn, &QCheckBox::toggled, this, &WebSettingsPanel::showAddresses);
    connect(seWebPort, &QSpinBox::valueChanged, this, &WebSettingsPanel::showAddresses);
    connect(cbWebInterface, &QComboBox::currentIndexChanged, this, &WebSettingsPanel::showAddresses);
    listInterfaces({});
    showAddresses();
}

void WebSettingsPanel::fillFromSettings(const Settings& settings) {
    cbWebOn->setChecked(settings.WebOn);
    seWebPort->setValue(settings.WebPort >= 1 && settings.WebPort <= 65535 ? settings.WebPort : kWebPortPreset);
    listInterfaces(settings.WebInterface);
    showAddresses();
}

void WebSettingsPanel::storeSettings(Settings& settings) const {
    settings.WebOn = cbWebOn->isChecked();
    settings.WebPort = seWebPort->value();
    settings.WebInterface = cbWebInterface->currentData().toString();
}

void WebSettingsPanel::listInterfaces(const QString& chosen) {
    const QSignalBlocker quiet(cbWebInterface);
    cbWebInterface->clear();
    cbWebInterface->addItem(QStringLiteral("Alle Netzwerke"), QString());
    for (const WebInterface& net : webInterfaces()) {
        QStringList shown;
        for (const QHostAddress& address : net.addresses)
            shown.append(address.toString());
        cbWebInterface->addItem(QStringLiteral("%1 (%2)").arg(net.label, shown.join(QStringLiteral(", "))), net.name);
    }
    // One chosen at an earlier event and not here now stays chosen, and says so.
    if (!chosen.isEmpty() && cbWebInterface->findData(chosen) < 0)
        cbWebInterface->addItem(QStringLiteral("%1 (nicht verbunden)").arg(chosen), chosen);
    cbWebInterface->setCurrentIndex(std::max(0, cbWebInterface->findData(chosen)));
}

void WebSettingsPanel::showAddresses() {
    const bool on = cbWebOn->isChecked();
    seWebPort->setEnabled(on);
    cbWebInterface->setEnabled(on);
    lblWebAddress->setEnabled(on);
    imgWebQr->setVisible(on);
    if (!on) {
        lblWebAddress->setText(QStringLiteral("Aus"));
        imgWebQr->clear();
        return;
    }
    const QString chosen = cbWebInterface->currentData().toString();
    const QStringList addresses = liveAddresses(webInterfaces(), quint16(seWebPort->value()), chosen);
    if (addresses.isEmpty()) {
        lblWebAddress->setText(chosen.isEmpty() ? QStringLiteral("Kein Netzwerk gefunden")
                                                : QStringLiteral("%1 ist nicht verbunden").arg(chosen));
        imgWebQr->clear();
        return;
    }
    const QString where = chosen.isEmpty() ? QStringLiteral("Sichtbar in jedem Netzwerk, in dem dieser Computer ist.")
                                           : QStringLiteral("Sichtbar nur im Netzwerk von %1.").arg(chosen);
    lblWebAddress->setText(where + QStringLiteral("\nAdresse im Handy:\n") + addresses.join(u'\n'));
    imgWebQr->setPixmap(QPixmap::fromImage(qrImage(addresses.first().toUtf8(), qrScale)));
}

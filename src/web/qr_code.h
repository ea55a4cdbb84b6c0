// The QR code of an address for the printed notice, so that a phone can scan its way to
// the live results.

#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// A QR code's modules, row by row: size × size, true for a dark module. Empty when the
// text does not fit a QR code.
struct QrMatrix {
    int size = 0;
    std::vector<bool> dark;

    bool isEmpty() const { return size == 0; }
    bool at(int x, int y) const { return dark[std::size_t(y) * std::size_t(size) + std::size_t(x)]; }
};

// Encodes text (an address) with medium error correction through libqrencode.
QrMatrix encodeQr(const QByteArray& text);

// The code as an SVG picture with the quiet zone of four modules, one path of unit squares,
// scaled by the page that shows it.
QString qrSvg(const QrMatrix& qr);

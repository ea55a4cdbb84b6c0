// QR codes through libqrencode, and their SVG picture for the notice page.

#include "web/qr_code.h"

#include <qrencode.h>

QrMatrix encodeQr(const QByteArray& text) {
    QrMatrix qr;
    if (text.isEmpty() || text.contains('\0'))
        return qr;
    QRcode* code = QRcode_encodeString(text.constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1);
    if (!code)
        return qr;
    qr.size = code->width;
    qr.dark.resize(std::size_t(code->width) * std::size_t(code->width));
    for (std::size_t i = 0; i < qr.dark.size(); ++i)
        qr.dark[i] = (code->data[i] & 1) != 0; // the low bit is the module's colour
    QRcode_free(code);
    return qr;
}

QString qrSvg(const QrMatrix& qr) {
    if (qr.isEmpty())
        return {};
    constexpr int quiet = 4;
    const int side = qr.size + 2 * quiet;
    QString path;
    for (int y = 0; y < qr.size; ++y) {
        for (int x = 0; x < qr.size; ++x) {
            if (qr.at(x, y))
                path += QStringLiteral("M%1 %2h1v1h-1z").arg(x + quiet).arg(y + quiet);
        }
    }
    return QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 %1 %1\" "
                          "shape-rendering=\"crispEdges\" role=\"img\" aria-label=\"QR-Code\">"
                          "<rect width=\"%1\" height=\"%1\" fill=\"#fff\"/><path fill=\"#000\" d=\"%2\"/></svg>")
        .arg(side)
        .arg(path);
}

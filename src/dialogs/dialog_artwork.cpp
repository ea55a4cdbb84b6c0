// Renders the dialogs' SVG pictures sharp at the screen's device pixels.

#include "dialogs/dialog_artwork.h"

#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>

namespace {

QPixmap renderSvg(const QString& resource, int size) {
    // Sharp on high-density screens: render at device pixels, show at `size`.
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(resource);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.end();
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

} // namespace

QPixmap questionIconPixmap(int size) {
    return renderSvg(QStringLiteral(":/dialogs/question.svg"), size);
}

QIcon tarvoltApplicationIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128})
        icon.addPixmap(renderSvg(QStringLiteral(":/dialogs/application.svg"), size));
    return icon;
}

QPixmap makerLogoPixmap() {
    QImageReader reader(QStringLiteral(":/dialogs/logo.jpg"), "jpeg");
    return QPixmap::fromImage(reader.read());
}

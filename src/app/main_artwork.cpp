// Draws the main window's pictures from the compiled-in SVG files at the sizes the window
// shows them, and the faint versions for unpowered barriers.

#include "app/main_artwork.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

namespace {

QString resource(const QString& stem) {
    return QStringLiteral(":/main/%1.svg").arg(stem);
}

QPixmap greyed(const QPixmap& picture) {
    QImage image = picture.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grey = 128 + qGray(line[x]) / 3;
            line[x] = qRgba(grey, grey, grey, qAlpha(line[x]) / 2);
        }
    }
    QPixmap result = QPixmap::fromImage(image);
    result.setDevicePixelRatio(picture.devicePixelRatio());
    return result;
}

} // namespace

QPixmap renderSvg(const QString& resourcePath, QSize size) {
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(size * ratio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(resourcePath);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.end();
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

std::array<QPixmap, 2> barrierPictures() {
    return {renderSvg(resource(QStringLiteral("barrier_off")), {30, 31}),
            renderSvg(resource(QStringLiteral("barrier_on")), {30, 31})};
}

std::array<QPixmap, 2> lightPictures() {
    return {renderSvg(resource(QStringLiteral("light_off")), {111, 35}),
            renderSvg(resource(QStringLiteral("light_on")), {111, 35})};
}

QPixmap tvOffPicture() {
    return renderSvg(resource(QStringLiteral("tv_off")), {56, 42});
}

QPixmap tvOnPicture() {
    return renderSvg(resource(QStringLiteral("tv_on")), {56, 42});
}

QPixmap frameLeftPicture() {
    return renderSvg(resource(QStringLiteral("frame_left")), {19, 283});
}

QPixmap frameRightPicture() {
    return renderSvg(resource(QStringLiteral("frame_right")), {19, 283});
}

QPixmap toolGlyph(const QString& name, int cellSize) {
    const QPixmap normal = renderSvg(resource(name), {cellSize, cellSize});
    const qreal ratio = normal.devicePixelRatio();
    QPixmap strip(QSize(2 * cellSize, cellSize) * ratio);
    strip.setDevicePixelRatio(ratio);
    strip.fill(Qt::transparent);
    QPainter painter(&strip);
    painter.drawPixmap(0, 0, normal);
    painter.drawPixmap(cellSize, 0, greyed(normal));
    painter.end();
    return strip;
}

QString titleBarResource() {
    return resource(QStringLiteral("title_bar"));
}

QPixmap dimmedPixmap(const QPixmap& picture) {
    if (picture.isNull())
        return picture;
    QPixmap faint(picture.size());
    faint.setDevicePixelRatio(picture.devicePixelRatio());
    faint.fill(Qt::transparent);
    QPainter painter(&faint);
    painter.setOpacity(0.35);
    painter.drawPixmap(0, 0, picture);
    return faint;
}

// The grid header's drawing rules: texts shortened with "..", the sort arrow's picture and the
// width that fits a column.

#include "controls/sort_grid_paint.h"

#include <QPainter>
#include <QPolygon>

QString shortenHeaderText(const QString& text, int available, const TextWidth& width) {
    if (text.size() < 3 || width(text) <= available) {
        return text;
    }
    QString body = text.left(text.size() - 2);
    QString shortened = body + QLatin1String("..");
    while (shortened.size() > 3 && width(shortened) > available) {
        body.chop(1);
        shortened = body + QLatin1String("..");
    }
    return shortened;
}

QImage sortArrowPicture(TSortDirection direction) {
    QImage picture(8, 7, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    // A dark triangle with a light lower-right edge, as on a raised button face.
    const QPolygon up({QPoint(3, 0), QPoint(4, 0), QPoint(7, 6), QPoint(0, 6)});
    const QPolygon down({QPoint(0, 0), QPoint(7, 0), QPoint(4, 6), QPoint(3, 6)});
    const QPolygon& shape = direction == sdAscending ? up : down;
    painter.setPen(QColor(128, 128, 128));
    painter.setBrush(QColor(64, 64, 64));
    painter.drawPolygon(shape);
    painter.setPen(Qt::white);
    if (direction == sdAscending) {
        painter.drawLine(4, 0, 7, 6);
        painter.drawLine(0, 6, 7, 6);
    } else {
        painter.drawLine(7, 0, 4, 6);
    }
    return picture;
}

int fitColumnWidth(const QString& header, const QStringList& cells, int headerExtra, const TextWidth& width) {
    int widest = header.isEmpty() ? 0 : width(header) + headerExtra;
    bool anyText = !header.isEmpty();
    for (const QString& text : cells) {
        if (!text.isEmpty()) {
            anyText = true;
            widest = std::max(widest, width(text));
        }
    }
    if (!anyText) {
        return width(QStringLiteral("xx"));
    }
    return widest + width(QStringLiteral("X"));
}

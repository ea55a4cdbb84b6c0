// The main window's title bar, a 38-pixel strip with its stretched background picture.

#pragma once

#include <QSvgRenderer>
#include <QWidget>

// The main window's title bar Panel1: a 38-pixel strip that paints its background
// picture stretched over its whole width. GUI thread only.
class TitleBar : public QWidget {
    Q_OBJECT

public:
    static constexpr int barHeight = 38;

    explicit TitleBar(const QString& backgroundResource, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSvgRenderer m_background;
};

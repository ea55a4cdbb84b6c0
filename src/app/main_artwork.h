// The main window's pictures, compiled into the program as resources and drawn at
// the sizes the window uses them. GUI thread only (they create pixmaps).

#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

#include <array>

// ImageList1, 30 x 31: 0 red disc with a white horizontal bar (Off), 1 green disc with
// a white vertical bar (On).
std::array<QPixmap, 2> barrierPictures();
// A picture drawn faint, for a barrier whose line is not powered.
QPixmap dimmedPixmap(const QPixmap& picture);

// ImageList2, 111 x 35: 0 grey lamp with a grey "Licht", 1 green lamp with a green "Licht".
std::array<QPixmap, 2> lightPictures();

// The spectator switch pictures below the display panel: off (window hidden) and on.
QPixmap tvOffPicture();
QPixmap tvOnPicture();

// The display panel's framing pictures, 19 x 283.
QPixmap frameLeftPicture();
QPixmap frameRightPicture();

// A tool button glyph strip of two cells side by side, as the drawn buttons take it:
// cell 0 normal, cell 1 the greyed picture for a disabled button. name is the file
// stem under the resources, e.g. "glyph_help".
QPixmap toolGlyph(const QString& name, int cellSize);

// The title bar's background as a resource path for a stretching renderer.
QString titleBarResource();

// Renders an SVG resource at size, sharp on high-density screens.
QPixmap renderSvg(const QString& resource, QSize size);

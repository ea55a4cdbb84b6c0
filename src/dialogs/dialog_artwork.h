// The pictures the dialogs show, compiled into the program as resources.
// GUI thread only (they create pixmaps).

#pragma once

#include <QIcon>
#include <QPixmap>

// Question mark in a speech bubble, `size` pixels square.
QPixmap questionIconPixmap(int size = 32);

// The program's icon, for the windows' title bars and the information window.
QIcon tarvoltApplicationIcon();

// The maker's logo, decoded from JPEG; a null pixmap when it cannot be read.
QPixmap makerLogoPixmap();

// What the protocol's open and save dialogs start with, kept from one use to the next.

#pragma once

#include <QString>

// What the protocol's open and save dialogs start with, kept between their uses:
// the filter ("Name|patterns|..."), the 1-based filter index, the proposed file
// name, the start folder and the default extension. A plain value; GUI thread.
// The save dialog's filter indexes, as "FilterInd" stores them.
enum ProtocolFileType : int { fileTypeText = 1, fileTypeWorkbook = 2, fileTypeDocument = 3, fileTypeWebPage = 4 };

struct FileDialogState {
    QString Filter;
    int FilterIndex = 1;
    QString FileName;
    QString InitialDir;
    QString DefaultExt = QStringLiteral("txt");
};

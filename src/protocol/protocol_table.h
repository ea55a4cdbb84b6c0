// The protocol table's columns and the empty protocol. GUI thread, like the grid.

#pragma once

#include <QStringList>

class SortGridData;

enum ProtocolColumn {
    colNr,
    colName,
    colFahrzeug,
    colGruppe,
    colZwZeit,
    colSchnitt, // "Ø-km/h"
    colVmax,
    colEndZeit,
    colZeit,
    colPlatz,
    protocolColumnCount
};

// "Nr.", "Name", "Fahrzeug", "Gruppe", "Zw.Zeit", "Ø-km/h", "Vmax", "End-Zeit", "Zeit", "Platz".
const QStringList& protocolHeaderTexts();

// Ten columns with their header texts in row 0.
void writeProtocolHeaders(SortGridData& grid);

// The empty protocol: the header row and one data row with every cell empty.
void clearProtocol(SortGridData& grid);

// The protocol grid as the program starts it: headers, an empty protocol, sorted by
// "Zeit" ascending, case-insensitive, with the protocol's sort style rule bound.
void setupProtocolGrid(SortGridData& grid);

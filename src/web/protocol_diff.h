// The steps that take a page from one version of the protocol to the next without loading it
// whole: runs of old rows kept (their rank moved), and new or changed rows sent whole.

#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

// How a page that holds one version of the protocol gets the next without loading it whole:
// a list of steps that rebuild the new rows from the old ones. A step is either
//   [start, count, shift]  the old rows start..start+count-1 in that order, their rank column
//                          (shiftColumn) moved by shift (a finish ranked above them moves them
//                          down by one), or
//   ["…", "…", …]          a row that is new or changed, whole.
// The rank texts must be plain whole numbers for a shift; any other change sends the row whole.
struct ProtocolDiff {
    QByteArray steps; // the JSON array
    int newRows = 0;  // rows sent whole
};

ProtocolDiff protocolDiff(const QList<QStringList>& before, const QList<QStringList>& after, int shiftColumn);

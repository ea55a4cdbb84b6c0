// Which protocol cells hold a time the official gave by hand rather than a barrier.

#pragma once

#include "run/run_controller.h"

#include <QHash>

// Remembers, by row identity, the events of finished runs that came from a key or button,
// so that the table can mark the cells they made: not a barrier's time, for the official and
// for whoever reads the protocol later. Kept beside the protocol only; files keep their ten
// columns. GUI thread.
class HandGivenMarks {
public:
    void mark(quint64 rowId, HandGivenEvents events) { m_marks.insert(rowId, events); }
    HandGivenEvents of(quint64 rowId) const { return m_marks.value(rowId); }

    // Whether a cell of the given column depends on one of the events: the run time and the
    // average speed on start and finish, the split on start and split, Vmax and End-Zeit on
    // trap and finish.
    static bool isMarkedCell(int col, HandGivenEvents events);
    // The table's words for it, such as "von Hand: Start (F5), Ziel (F8)".
    static QString note(HandGivenEvents events);

private:
    QHash<quint64, HandGivenEvents> m_marks;
};

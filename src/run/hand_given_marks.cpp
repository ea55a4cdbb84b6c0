// Which cells each hand-given event marks, and the marks kept by row as the protocol is
// sorted and changed.

#include "run/hand_given_marks.h"

#include "protocol/protocol_table.h"

#include <QStringList>

bool HandGivenMarks::isMarkedCell(int col, HandGivenEvents events) {
    switch (col) {
    case colZeit:
    case colSchnitt:
        return events & (HandGiven::Start | HandGiven::Finish);
    case colZwZeit:
        return events & (HandGiven::Start | HandGiven::Split);
    case colVmax:
    case colEndZeit:
        return events & (HandGiven::Trap | HandGiven::Finish);
    default:
        return false;
    }
}

QString HandGivenMarks::note(HandGivenEvents events) {
    QStringList given;
    if (events & HandGiven::Start)
        given << QStringLiteral("Start (F5)");
    if (events & HandGiven::Split)
        given << QStringLiteral("Zw.Zeit (F6)");
    if (events & HandGiven::Trap)
        given << QStringLiteral("Vmax (F7)");
    if (events & HandGiven::Finish)
        given << QStringLiteral("Ziel (F8)");
    return given.isEmpty() ? QString() : QStringLiteral("von Hand: ") + given.join(QStringLiteral(", "));
}

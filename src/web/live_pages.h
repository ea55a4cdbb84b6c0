// The texts the live results server answers with. The pages, their script and style
// are compiled into the program: the field has no internet, and nothing is read from disk.

#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

struct LiveAsset {
    QByteArray body;
    QByteArray contentType;
};

// "/": the page for phones; the title goes in escaped, the script fills in the rest.
QByteArray liveIndexPage(const QString& title);
// "/aushang": the A4 notice with the title, the addresses and a QR code of the first one.
QByteArray liveNoticePage(const QString& title, const QStringList& addresses);
// "/live.js" and "/live.css"; none for any other path.
std::optional<LiveAsset> liveAsset(const QString& path);
// Only the program's own script and style, no frames, no forms, no other hosts.
QByteArray liveSecurityPolicy();

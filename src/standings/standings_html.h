// The standings as a web page, saved beside the protocol page and printed: the title, the
// date and what counts, then one table per group, each group on a page of its own when
// printed, its header row repeated on every printed page. Pure functions; any thread.

#pragma once

#include "standings/standings.h"

#include <QByteArray>
#include <QString>

// The page's text declaring charset. Texts are escaped as on the protocol page; decimal
// commas stay as the protocol holds them.
QString standingsHtmlText(const QList<StandingsGroup>& groups, const StandingsRule& rule, const QString& title,
                          const QString& dateText, const QString& charset);

// The page's bytes, encoded as the protocol page is (Windows-1252 when every character
// fits, else UTF-8); decodeProtocolHtml reads them back.
QByteArray standingsHtmlBytes(const QList<StandingsGroup>& groups, const StandingsRule& rule, const QString& title,
                              const QString& dateText);

// "<title>-Wertung.html", the page's name beside the protocol page "<title>.html".
QString standingsPageName(const QString& appTitle);

// The live results pages filled in from the compiled-in resources: the placeholders replaced
// in one pass, so that a title or an address can never become a placeholder itself.

#include "web/live_pages.h"

#include "web/qr_code.h"

#include <QFile>
#include <QHash>

namespace {

QByteArray resource(const QString& name) {
    QFile file(QStringLiteral(":/web/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// The page's placeholders ("{{NAME}}") filled in one pass over the page as compiled in, so no
// text put in (a title, an address) is ever taken for a placeholder itself.
QString filled(const QString& page, const QHash<QString, QString>& values) {
    QString out;
    out.reserve(page.size());
    qsizetype at = 0;
    while (true) {
        const qsizetype open = page.indexOf(QStringLiteral("{{"), at);
        const qsizetype close = open < 0 ? -1 : page.indexOf(QStringLiteral("}}"), open + 2);
        const auto value = close < 0 ? values.cend() : values.constFind(page.mid(open + 2, close - open - 2));
        if (value == values.cend()) {
            if (open < 0) {
                out += QStringView(page).mid(at);
                return out;
            }
            out += QStringView(page).mid(at, open + 2 - at);
            at = open + 2;
            continue;
        }
        out += QStringView(page).mid(at, open - at);
        out += *value;
        at = close + 2;
    }
}

} // namespace

QByteArray liveIndexPage(const QString& title) {
    return filled(QString::fromUtf8(resource(QStringLiteral("index.html"))),
                  {{QStringLiteral("TITLE"), title.toHtmlEscaped()}})
        .toUtf8();
}

QByteArray liveNoticePage(const QString& title, const QStringList& addresses) {
    QStringList shown;
    for (const QString& address : addresses)
        shown.append(address.toHtmlEscaped());
    // The QR picture is made here from the address, so it holds no text of anyone else.
    return filled(QString::fromUtf8(resource(QStringLiteral("aushang.html"))),
                  {{QStringLiteral("TITLE"), title.toHtmlEscaped()},
                   {QStringLiteral("QR"), qrSvg(encodeQr(addresses.value(0).toUtf8()))},
                   {QStringLiteral("ADDRESS"),
                    shown.isEmpty() ? QStringLiteral("Kein Netzwerk gefunden") : shown.join(QStringLiteral("<br>"))}})
        .toUtf8();
}

std::optional<LiveAsset> liveAsset(const QString& path) {
    if (path == QLatin1String("/live.js"))
        return LiveAsset{resource(QStringLiteral("live.js")), "text/javascript; charset=utf-8"};
    if (path == QLatin1String("/live.css"))
        return LiveAsset{resource(QStringLiteral("live.css")), "text/css; charset=utf-8"};
    return std::nullopt;
}

QByteArray liveSecurityPolicy() {
    return "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' data:; connect-src 'self'; "
           "base-uri 'none'; form-action 'none'; frame-ancestors 'none'";
}

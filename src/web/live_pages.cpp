#include "web/live_pages.h"

#include "web/qr_code.h"

#include <QFile>

namespace {

QByteArray resource(const QString& name) {
    QFile file(QStringLiteral(":/web/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QString filled(const QString& page, const QString& title) {
    QString text = page;
    return text.replace(QStringLiteral("{{TITLE}}"), title.toHtmlEscaped());
}

} // namespace

QByteArray liveIndexPage(const QString& title) {
    return filled(QString::fromUtf8(resource(QStringLiteral("index.html"))), title).toUtf8();
}

QByteArray liveNoticePage(const QString& title, const QStringList& addresses) {
    QString page = filled(QString::fromUtf8(resource(QStringLiteral("aushang.html"))), title);
    const QString first = addresses.value(0);
    QStringList shown;
    for (const QString& address : addresses)
        shown.append(address.toHtmlEscaped());
    // The QR picture is made here from the address, so it holds no text of anyone else.
    page.replace(QStringLiteral("{{QR}}"), qrSvg(encodeQr(first.toUtf8())));
    page.replace(QStringLiteral("{{ADDRESS}}"),
                 shown.isEmpty() ? QStringLiteral("Kein Netzwerk gefunden") : shown.join(QStringLiteral("<br>")));
    return page.toUtf8();
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

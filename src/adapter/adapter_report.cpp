// Text and keeping of the adapter test's result; see adapter_report.h.

#include "adapter/adapter_report.h"

#include <QSettings>

namespace {

QString dateText(const QDateTime& when) {
    return when.toString(QStringLiteral("dd.MM.yyyy HH:mm"));
}

// Port names carry blanks and brackets; QSettings escapes them, but a plain key reads better.
QString groupOf(const QString& portText) {
    QString key = portText;
    for (QChar& c : key) {
        if (!c.isLetterOrNumber()) {
            c = QLatin1Char('_');
        }
    }
    return QStringLiteral("Adapter-") + key;
}

} // namespace

QStringList adapterReportLines(const AdapterTestResult& result) {
    QStringList lines;
    lines.append(QStringLiteral("Anschluss: ") + result.portText);
    lines += identityLines(result.identity);
    lines.append(QStringLiteral("Ergebnis: %1 – %2").arg(result.judgement.headline, result.judgement.reason));
    for (std::size_t i = 0; i < plugInputs.size(); ++i) {
        const LineFigures& line = result.lines[i];
        QString text = QStringLiteral("%1: %2 von %3 Wechseln zurück")
                           .arg(plugInputName(plugInputs[i]))
                           .arg(line.seen)
                           .arg(line.made);
        if (line.seen > 0) {
            text += QStringLiteral(", Verzögerung p50 %1, p99 %2, max %3")
                        .arg(msText(line.p50Us), msText(line.p99Us), msText(line.maxUs));
        }
        lines.append(text);
    }
    lines.append(QStringLiteral("Die Verzögerung enthält den Weg durch den Ausgang des Adapters: Eine "
                                "Lichtschranke sieht höchstens diese Verzögerung."));
    lines.append(QStringLiteral("Geprüft am ") + dateText(result.when));
    return lines;
}

std::optional<QString> keepAdapterTest(const QString& path, const AdapterTestResult& result) {
    QSettings file(path, QSettings::IniFormat);
    file.beginGroup(groupOf(result.portText));
    file.setValue(QStringLiteral("When"), result.when.toString(Qt::ISODate));
    file.setValue(QStringLiteral("Verdict"), int(result.judgement.verdict));
    file.setValue(QStringLiteral("Lines"), adapterReportLines(result));
    file.endGroup();
    file.sync();
    if (file.status() != QSettings::NoError) {
        return QStringLiteral("Das Ergebnis der Prüfung konnte nicht gespeichert werden: ") + path;
    }
    return std::nullopt;
}

std::optional<KeptAdapterTest> keptAdapterTest(const QString& path, const QString& portText) {
    QSettings file(path, QSettings::IniFormat);
    file.beginGroup(groupOf(portText));
    KeptAdapterTest kept;
    kept.when = QDateTime::fromString(file.value(QStringLiteral("When")).toString(), Qt::ISODate);
    const int verdict = file.value(QStringLiteral("Verdict"), -1).toInt();
    kept.lines = file.value(QStringLiteral("Lines")).toStringList();
    if (!kept.when.isValid() || verdict < int(AdapterVerdict::Suitable) || verdict > int(AdapterVerdict::NoPlug) ||
        kept.lines.isEmpty()) {
        return std::nullopt;
    }
    kept.verdict = AdapterVerdict(verdict);
    return kept;
}

// Figures and verdict of the adapter test; see adapter_figures.h.

#include "adapter/adapter_figures.h"

#include <QStringList>

#include <algorithm>

QString plugInputName(PlugInput input) {
    switch (input) {
    case PlugInput::Cts:
        return QStringLiteral("CTS");
    case PlugInput::Dsr:
        return QStringLiteral("DSR");
    case PlugInput::Dcd:
        return QStringLiteral("DCD");
    case PlugInput::Ri:
        return QStringLiteral("RI");
    }
    return {};
}

bool plugInputOnRts(PlugInput input) {
    return input == PlugInput::Cts;
}

qint64 percentileOf(const QList<qint64>& ascending, int percent) {
    if (ascending.isEmpty()) {
        return 0;
    }
    const qsizetype n = ascending.size();
    const qsizetype rank = std::clamp<qsizetype>((qsizetype(percent) * n + 99) / 100, 1, n);
    return ascending[rank - 1];
}

LineFigures lineFiguresOf(const QList<LineChange>& toggles, const QList<LineChange>& seen) {
    LineFigures figures;
    figures.made = int(toggles.size());
    QList<qint64> delays;
    qsizetype next = 0; // first change not yet taken as an answer
    for (qsizetype k = 0; k < toggles.size(); ++k) {
        const LineChange& toggle = toggles[k];
        const bool bounded = k + 2 < toggles.size();
        const qint64 limit = bounded ? toggles[k + 2].us : 0;
        for (qsizetype j = next; j < seen.size(); ++j) {
            if (bounded && seen[j].us >= limit) {
                break;
            }
            if (seen[j].us >= toggle.us && seen[j].level == toggle.level) {
                delays.append(seen[j].us - toggle.us);
                next = j + 1;
                break;
            }
        }
    }
    figures.seen = int(delays.size());
    std::sort(delays.begin(), delays.end());
    figures.p50Us = percentileOf(delays, 50);
    figures.p99Us = percentileOf(delays, 99);
    figures.maxUs = delays.isEmpty() ? 0 : delays.last();
    return figures;
}

QString msText(qint64 us) {
    return QString::number(double(us) / 1000.0, 'f', 2).replace(QLatin1Char('.'), QLatin1Char(',')) +
           QStringLiteral(" ms");
}

AdapterJudgement judgeAdapter(const std::array<LineFigures, 4>& lines) {
    int answered = 0;
    QStringList silent;
    QStringList lossy;
    qint64 maxUs = 0;
    QString slowest;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const LineFigures& line = lines[i];
        const QString name = plugInputName(plugInputs[i]);
        if (line.seen > 0) {
            ++answered;
        } else {
            silent.append(name);
        }
        if (line.seen > 0 && line.seen < line.made) {
            lossy.append(QStringLiteral("%1 %2 von %3").arg(name).arg(line.seen).arg(line.made));
        }
        if (line.maxUs > maxUs) {
            maxUs = line.maxUs;
            slowest = name;
        }
    }
    if (answered == 0) {
        return {AdapterVerdict::NoPlug, QStringLiteral("kein Wechsel kam zurück"),
                QStringLiteral("Keine Leitung hat geantwortet: Ist der Prüfstecker eingesteckt? Über den "
                               "Adapter sagt das nichts.")};
    }
    if (!silent.isEmpty()) {
        return {AdapterVerdict::Unsuitable, QStringLiteral("ungeeignet"),
                QStringLiteral("Auf %1 kam kein Wechsel zurück: Die Leitung fehlt am Adapter oder am Prüfstecker.")
                    .arg(silent.join(QStringLiteral(", ")))};
    }
    if (!lossy.isEmpty()) {
        return {AdapterVerdict::Unsuitable, QStringLiteral("ungeeignet"),
                QStringLiteral("Wechsel verloren (%1): Eine verlorene Lichtschranke ist eine verlorene Zeit.")
                    .arg(lossy.join(QStringLiteral(", ")))};
    }
    if (maxUs > limitedMaxUs) {
        return {AdapterVerdict::Unsuitable, QStringLiteral("ungeeignet"),
                QStringLiteral("Verzögerung bis %1 auf %2: mehr als 10 ms.").arg(msText(maxUs), slowest)};
    }
    if (maxUs > suitableMaxUs) {
        return {
            AdapterVerdict::Limited, QStringLiteral("mit Einschränkungen"),
            QStringLiteral("Verzögerung bis %1 auf %2: Zeiten nur auf Hundertstel genau.").arg(msText(maxUs), slowest)};
    }
    return {AdapterVerdict::Suitable, QStringLiteral("geeignet"),
            QStringLiteral("Jeder Wechsel kam an, höchstens nach %1.").arg(msText(maxUs))};
}

// The "_xHHHH_" escapes of workbook texts, written and read back.

#include "protocol/xlsx_text_escapes.h"

#include <QRegularExpression>

namespace {

const QRegularExpression& escapeSequence() {
    static const QRegularExpression sequence(QStringLiteral("_x([0-9A-Fa-f]{4})_"));
    return sequence;
}

} // namespace

QString escapeXlsxText(const QString& text) {
    if (!text.contains(QStringLiteral("_x")))
        return text;
    QString stored;
    stored.reserve(text.size() + 14);
    // Every "_" that starts a sequence is protected, also where sequences overlap
    // ("_x0041_x0042_"), so the reader gives back exactly this text.
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'_' &&
            escapeSequence()
                .match(text, i, QRegularExpression::NormalMatch, QRegularExpression::AnchorAtOffsetMatchOption)
                .hasMatch())
            stored += QStringLiteral("_x005F_");
        else
            stored += text[i];
    }
    return stored;
}

QString unescapeXlsxText(const QString& stored) {
    if (!stored.contains(QStringLiteral("_x")))
        return stored;
    QString text;
    text.reserve(stored.size());
    qsizetype from = 0;
    // Left to right, each sequence once: "_x005F_x0041_" is "_x0041_", not "A".
    QRegularExpressionMatchIterator it = escapeSequence().globalMatch(stored);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        text += QStringView(stored).sliced(from, match.capturedStart() - from);
        text += QChar(char16_t(match.captured(1).toUShort(nullptr, 16)));
        from = match.capturedEnd();
    }
    text += QStringView(stored).sliced(from);
    return text;
}

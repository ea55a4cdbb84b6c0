// Decodes a text file by its byte order mark, as UTF-8 when valid, else as Windows-1252; writes
// Windows-1252 where it fits and reads back the same, else UTF-8 with a byte order mark.

#include "protocol/text_file_codec.h"

#include "controls/windows_1252.h"

#include <QStringDecoder>

#include <algorithm>

namespace {

constexpr char utf8Bom[] = "\xEF\xBB\xBF";

bool isAscii(const QByteArray& bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char b) { return static_cast<unsigned char>(b) < 0x80; });
}

bool isValidUtf8(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    // decode() is lazy; only converting the result runs the decoder.
    const QString text = utf8.decode(bytes);
    return !utf8.hasError();
}

} // namespace

QString decodeWindows1252(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char byte : bytes) {
        *out++ = QChar(windows1252Char(static_cast<unsigned char>(byte)));
    }
    return text;
}

bool encodeWindows1252(const QString& text, QByteArray& out) {
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char* p = bytes.data();
    for (const QChar c : text) {
        const int b = windows1252Byte(c.unicode());
        if (b < 0)
            return false;
        *p++ = char(b);
    }
    out = bytes;
    return true;
}

QString decodeTextFile(const QByteArray& bytes) {
    if (bytes.startsWith(utf8Bom))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    // "Unicode text" as spreadsheets and editors save it; read as single bytes it would
    // put a NUL between every two characters.
    const bool littleEndian = bytes.startsWith("\xFF\xFE");
    if (littleEndian || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(littleEndian ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                             QStringDecoder::Flag::Stateless);
        QString text = utf16.decode(QByteArrayView(bytes).sliced(2));
        // The decoder passes a lone surrogate through; no file could hold it again.
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
                ++i;
            else if (text[i].isSurrogate())
                text[i] = QChar::ReplacementCharacter;
        }
        return text;
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return decodeWindows1252(bytes);
}

QByteArray encodeTextFile(const QString& text) {
    QByteArray bytes;
    // Single-byte text that happens to be valid UTF-8 (such as "Ã¼") would read back
    // as other characters, so it is written as UTF-8 as well.
    if (encodeWindows1252(text, bytes) && (isAscii(bytes) || !isValidUtf8(bytes)))
        return bytes;
    return QByteArray(utf8Bom) + text.toUtf8();
}

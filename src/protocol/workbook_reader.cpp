#include "protocol/workbook_reader.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QXmlStreamReader>

#include <freexl.h>
#include <zip.h>

#include <cerrno>
#include <cmath>
#include <optional>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString damaged = QStringLiteral("Die Arbeitsmappe ist beschädigt.");
const QString tooBig = QStringLiteral("Die Arbeitsmappe ist zu groß.");
const QString tooManyRows = QStringLiteral("Die Tabelle hat zu viele Zeilen.");
const QString cellTooLong = QStringLiteral("Eine Zelle der Tabelle ist zu lang.");
const QString notAWorkbook = QStringLiteral("Die Datei ist keine Arbeitsmappe.");
const QString unreadable = QStringLiteral("Die Datei kann nicht gelesen werden.");

// Thrown inside the readers only; each public function turns it into WorkbookRows::error.
struct Refusal {
    QString reason;
};

// The open archive; parts are read against one budget of unpacked bytes, whatever the
// directory claims, so a zip bomb ends at the cap.
class ZipParts {
public:
    ZipParts(const QByteArray& bytes, qint64 budget) : m_budget(budget) {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &error);
        if (source)
            m_zip = zip_open_from_source(source, ZIP_RDONLY, &error);
        if (source && !m_zip)
            zip_source_free(source);
        zip_error_fini(&error);
        if (!m_zip)
            throw Refusal{damaged};
    }
    ~ZipParts() { zip_discard(m_zip); }
    ZipParts(const ZipParts&) = delete;
    ZipParts& operator=(const ZipParts&) = delete;

    // The part's bytes, or nothing when the archive has no such part.
    std::optional<QByteArray> read(const QString& name) {
        const zip_int64_t index = zip_name_locate(m_zip, name.toUtf8().constData(), ZIP_FL_NOCASE);
        if (index < 0)
            return std::nullopt;
        zip_file_t* file = zip_fopen_index(m_zip, zip_uint64_t(index), 0);
        if (!file)
            throw Refusal{damaged};
        QByteArray data;
        char chunk[65536];
        for (;;) {
            const zip_int64_t got = zip_fread(file, chunk, sizeof chunk);
            if (got < 0) {
                zip_fclose(file);
                throw Refusal{damaged};
            }
            if (got == 0)
                break;
            m_budget -= got;
            if (m_budget < 0) {
                zip_fclose(file);
                throw Refusal{tooBig};
            }
            data.append(chunk, qsizetype(got));
        }
        zip_fclose(file);
        return data;
    }

private:
    zip_t* m_zip = nullptr;
    qint64 m_budget;
};

void checkXml(const QXmlStreamReader& xml) {
    if (xml.hasError())
        throw Refusal{damaged};
}

// Relationship targets by id, and the targets of the types asked for by type suffix.
struct Relationships {
    QHash<QString, QString> targetById;
    QHash<QString, QString> targetByTypeSuffix;
};

Relationships readRelationships(const QByteArray& xmlBytes, const QString& baseFolder) {
    Relationships relationships;
    QXmlStreamReader xml(xmlBytes);
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement() || xml.name() != u"Relationship")
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        QString target = attributes.value(QLatin1StringView("Target")).toString();
        if (attributes.value(QLatin1StringView("TargetMode")) == u"External")
            continue;
        // Targets are relative to the source part's folder, or absolute from the package root.
        target = target.startsWith(u'/') ? target.mid(1) : baseFolder + target;
        target = QDir::cleanPath(target);
        relationships.targetById.insert(attributes.value(QLatin1StringView("Id")).toString(), target);
        const QString type = attributes.value(QLatin1StringView("Type")).toString();
        relationships.targetByTypeSuffix.insert(type.section(u'/', -1), target);
    }
    checkXml(xml);
    return relationships;
}

QString folderOfPart(const QString& part) {
    const qsizetype slash = part.lastIndexOf(u'/');
    return slash < 0 ? QString() : part.left(slash + 1);
}

QString relationshipsPartOf(const QString& part) {
    return folderOfPart(part) + QStringLiteral("_rels/") + part.mid(part.lastIndexOf(u'/') + 1) +
           QStringLiteral(".rels");
}

// The text of an <si> or <is> element, its runs joined, phonetic hints left out.
// The reader stands on the start element and ends on its end element.
QString richText(QXmlStreamReader& xml, const WorkbookLimits& limits) {
    QString text;
    int depth = 1;
    int phonetic = 0;
    while (depth > 0 && !xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            ++depth;
            if (xml.name() == u"rPh")
                ++phonetic;
            else if (xml.name() == u"t" && phonetic == 0) {
                text += xml.readElementText();
                --depth;
                if (text.size() > limits.cellChars)
                    throw Refusal{cellTooLong};
            }
        } else if (xml.isEndElement()) {
            --depth;
            if (xml.name() == u"rPh")
                --phonetic;
        }
    }
    checkXml(xml);
    return text;
}

QStringList readSharedStrings(const QByteArray& xmlBytes, const WorkbookLimits& limits) {
    QStringList strings;
    QXmlStreamReader xml(xmlBytes);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"si") {
            if (strings.size() >= limits.sharedStrings)
                throw Refusal{tooBig};
            strings.append(richText(xml, limits));
        }
    }
    checkXml(xml);
    return strings;
}

// "C12" -> column 2 (0-based) and row 12; false (nothing set) for a reference without
// letters, without a row number, or with a row below 1.
bool parseCellReference(QStringView ref, int& column, int& row) {
    qsizetype i = 0;
    int col = 0;
    while (i < ref.size() && ref[i].isLetter() && i < 3) {
        const char16_t c = ref[i].toUpper().unicode();
        if (c < u'A' || c > u'Z')
            return false;
        col = col * 26 + (c - u'A' + 1);
        ++i;
    }
    bool ok = false;
    const int r = ref.mid(i).toInt(&ok);
    if (i == 0 || !ok || r < 1)
        return false;
    column = col - 1;
    row = r;
    return true;
}

double parseNumber(const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        throw Refusal{damaged};
    return value;
}

// The cell's text by its type attribute; the reader stands on <c> and ends on </c>.
QString cellText(QXmlStreamReader& xml, const QStringList& sharedStrings, const QLocale& locale,
                 const WorkbookLimits& limits) {
    const QString type = xml.attributes().value(QLatin1StringView("t")).toString();
    QString value;
    QString inlineText;
    bool hasValue = false;
    bool hasInline = false;
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == u"v") {
                value = xml.readElementText();
                hasValue = true;
                if (value.size() > limits.cellChars)
                    throw Refusal{cellTooLong};
            } else if (xml.name() == u"is") {
                inlineText = richText(xml, limits);
                hasInline = true;
            } else {
                xml.skipCurrentElement();
            }
        } else if (xml.isEndElement()) {
            --depth;
        }
    }
    checkXml(xml);
    if (type == u"inlineStr")
        return inlineText;
    if (!hasValue)
        return hasInline ? inlineText : QString();
    if (type == u"s") {
        bool ok = false;
        const int index = value.trimmed().toInt(&ok);
        if (!ok || index < 0 || index >= sharedStrings.size())
            throw Refusal{damaged};
        return sharedStrings.at(index);
    }
    if (type == u"b")
        return parseNumber(value) != 0 ? QStringLiteral("True") : QStringLiteral("False");
    if (type.isEmpty() || type == u"n")
        return workbookNumberText(parseNumber(value), locale);
    // "str" (a formula's text), "e" (an error such as #DIV/0!), "d" (an ISO date): as written.
    return value;
}

// Reads rows from the top until a row whose first cell is empty, a missing row included.
QList<QStringList> readSheetRows(const QByteArray& xmlBytes, const QStringList& sharedStrings, int columns,
                                 const QLocale& locale, const WorkbookLimits& limits) {
    QList<QStringList> rows;
    QXmlStreamReader xml(xmlBytes);
    bool inData = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"sheetData") {
            inData = true;
            continue;
        }
        if (xml.isEndElement() && xml.name() == u"sheetData")
            break;
        if (!inData || !xml.isStartElement())
            continue;
        if (xml.name() != u"row") {
            xml.skipCurrentElement();
            continue;
        }
        const int expected = int(rows.size()) + 1;
        int rowNumber = expected;
        if (const QStringView r = xml.attributes().value(QLatin1StringView("r")); !r.isEmpty()) {
            bool ok = false;
            rowNumber = r.toInt(&ok);
            if (!ok || rowNumber < expected)
                throw Refusal{damaged};
        }
        if (rowNumber > expected)
            break; // a row without cells lies above this one
        QStringList cells(columns);
        int nextColumn = 0;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isEndElement())
                break; // </row>
            if (!xml.isStartElement())
                continue;
            if (xml.name() != u"c") {
                xml.skipCurrentElement();
                continue;
            }
            int column = nextColumn;
            if (const QStringView ref = xml.attributes().value(QLatin1StringView("r")); !ref.isEmpty()) {
                int refRow = 0;
                if (!parseCellReference(ref, column, refRow) || refRow != rowNumber)
                    throw Refusal{damaged};
            }
            const QString text = cellText(xml, sharedStrings, locale, limits);
            if (column < columns)
                cells[column] = text;
            nextColumn = column + 1;
        }
        checkXml(xml);
        if (cells.value(0).isEmpty())
            break;
        if (rows.size() >= limits.rows)
            throw Refusal{tooManyRows};
        rows.append(cells);
    }
    checkXml(xml);
    return rows;
}

QString firstSheetPart(ZipParts& zip, QString& workbookPart, Relationships& workbookRelationships) {
    workbookPart = QStringLiteral("xl/workbook.xml");
    if (const std::optional<QByteArray> rootRelationships = zip.read(QStringLiteral("_rels/.rels"))) {
        const Relationships root = readRelationships(*rootRelationships, QString());
        workbookPart = root.targetByTypeSuffix.value(QStringLiteral("officeDocument"), workbookPart);
    }
    const std::optional<QByteArray> workbook = zip.read(workbookPart);
    if (!workbook)
        throw Refusal{notAWorkbook};
    if (const std::optional<QByteArray> bytes = zip.read(relationshipsPartOf(workbookPart)))
        workbookRelationships = readRelationships(*bytes, folderOfPart(workbookPart));

    QXmlStreamReader xml(*workbook);
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement() || xml.name() != u"sheet")
            continue;
        // The relationship id is the "id" attribute in the relationships namespace.
        for (const QXmlStreamAttribute& attribute : xml.attributes()) {
            if (attribute.name() == u"id" && !attribute.namespaceUri().isEmpty()) {
                const QString part = workbookRelationships.targetById.value(attribute.value().toString());
                if (part.isEmpty())
                    throw Refusal{damaged};
                return part;
            }
        }
        throw Refusal{damaged};
    }
    checkXml(xml);
    throw Refusal{damaged}; // a workbook without sheets
}

QList<QStringList> xlsxRows(const QByteArray& bytes, int columns, const QLocale& locale, const WorkbookLimits& limits) {
    if (bytes.size() > limits.fileBytes)
        throw Refusal{tooBig};
    if (!bytes.startsWith("PK"))
        throw Refusal{notAWorkbook};
    ZipParts zip(bytes, limits.unpackedBytes);
    QString workbookPart;
    Relationships relationships;
    const QString sheetPart = firstSheetPart(zip, workbookPart, relationships);
    QStringList sharedStrings;
    const QString sharedPart = relationships.targetByTypeSuffix.value(
        QStringLiteral("sharedStrings"), folderOfPart(workbookPart) + QStringLiteral("sharedStrings.xml"));
    if (const std::optional<QByteArray> shared = zip.read(sharedPart))
        sharedStrings = readSharedStrings(*shared, limits);
    const std::optional<QByteArray> sheet = zip.read(sheetPart);
    if (!sheet)
        throw Refusal{damaged};
    return readSheetRows(*sheet, sharedStrings, columns, locale, limits);
}

// freexl's handle, closed on every path.
class XlsHandle {
public:
    ~XlsHandle() {
        if (m_handle)
            freexl_close(m_handle);
    }
    const void** out() { return &m_handle; }
    const void* get() const { return m_handle; }

private:
    const void* m_handle = nullptr;
};

// freexl keeps the cells of every sheet in memory; a file that claims sheets of
// millions of cells is refused before they are read.
void checkXlsDimensions(const QString& fileName) {
    XlsHandle info;
    if (freexl_open_info(QFile::encodeName(fileName).constData(), info.out()) != FREEXL_OK)
        throw Refusal{damaged};
    unsigned int sheets = 0;
    if (freexl_get_info(info.get(), FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK || sheets == 0)
        throw Refusal{damaged};
    qint64 cells = 0;
    for (unsigned int sheet = 0; sheet < sheets; ++sheet) {
        unsigned int rows = 0;
        unsigned short columns = 0;
        if (freexl_select_active_worksheet(info.get(), static_cast<unsigned short>(sheet)) != FREEXL_OK ||
            freexl_worksheet_dimensions(info.get(), &rows, &columns) != FREEXL_OK)
            throw Refusal{damaged};
        cells += qint64(rows) * columns;
    }
    if (cells > 4 * 1024 * 1024)
        throw Refusal{tooBig};
}

QList<QStringList> xlsRows(const QString& fileName, int columns, const QLocale& locale, const WorkbookLimits& limits) {
    const QFileInfo info(fileName);
    if (!info.isFile() || !info.isReadable())
        throw Refusal{unreadable};
    if (info.size() > limits.fileBytes)
        throw Refusal{tooBig};
    checkXlsDimensions(fileName);
    XlsHandle xls;
    if (freexl_open(QFile::encodeName(fileName).constData(), xls.out()) != FREEXL_OK ||
        freexl_select_active_worksheet(xls.get(), 0) != FREEXL_OK)
        throw Refusal{damaged};
    unsigned int sheetRows = 0;
    unsigned short sheetColumns = 0;
    if (freexl_worksheet_dimensions(xls.get(), &sheetRows, &sheetColumns) != FREEXL_OK)
        throw Refusal{damaged};

    QList<QStringList> rows;
    for (unsigned int row = 0; row < sheetRows; ++row) {
        QStringList cells(columns);
        for (int column = 0; column < columns && column < sheetColumns; ++column) {
            FreeXL_CellValue value;
            if (freexl_get_cell_value(xls.get(), row, static_cast<unsigned short>(column), &value) != FREEXL_OK)
                throw Refusal{damaged};
            QString text;
            switch (value.type) {
            case FREEXL_CELL_INT:
                text = QString::number(value.value.int_value);
                break;
            case FREEXL_CELL_DOUBLE:
                if (!std::isfinite(value.value.double_value))
                    throw Refusal{damaged};
                text = workbookNumberText(value.value.double_value, locale);
                break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME:
                text = value.value.text_value ? QString::fromUtf8(value.value.text_value) : QString();
                break;
            default:
                break;
            }
            if (text.size() > limits.cellChars)
                throw Refusal{cellTooLong};
            cells[column] = text;
        }
        if (cells.value(0).isEmpty())
            break;
        if (rows.size() >= limits.rows)
            throw Refusal{tooManyRows};
        rows.append(cells);
    }
    return rows;
}

template <typename Read> WorkbookRows guarded(Read read) {
    WorkbookRows result;
    try {
        result.rows = read();
    } catch (const Refusal& refusal) {
        result.rows.clear();
        result.error = refusal.reason;
    } catch (const std::bad_alloc&) {
        result.rows.clear();
        result.error = tooBig;
    }
    return result;
}

} // namespace

QString workbookNumberText(double value, const QLocale& locale) {
    QLocale numbers = locale;
    numbers.setNumberOptions(QLocale::OmitGroupSeparator);
    if (value == 0)
        value = 0; // no "-0"
    return numbers.toString(value, 'g', 15);
}

WorkbookRows readXlsxRows(const QByteArray& bytes, int columns, const QLocale& locale, const WorkbookLimits& limits) {
    return guarded([&] { return xlsxRows(bytes, columns, locale, limits); });
}

WorkbookRows readXlsRows(const QString& fileName, int columns, const QLocale& locale, const WorkbookLimits& limits) {
    // freexl can corrupt its own memory on a damaged file, so it reads in a child
    // process: such a file is refused instead of taking the program and its runs down.
    return readInChildProcess([&] { return guarded([&] { return xlsRows(fileName, columns, locale, limits); }); },
                              std::chrono::seconds(20), limits.fileBytes * 8, damaged);
}

WorkbookRows readWorkbookRows(const QString& fileName, int columns, const QLocale& locale,
                              const WorkbookLimits& limits) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        WorkbookRows result;
        result.error = unreadable;
        return result;
    }
    const QByteArray head = file.peek(8);
    if (head.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) {
        file.close();
        return readXlsRows(fileName, columns, locale, limits);
    }
    if (file.size() > limits.fileBytes) {
        WorkbookRows result;
        result.error = tooBig;
        return result;
    }
    const QByteArray bytes = file.readAll();
    if (bytes.size() != file.size()) {
        WorkbookRows result;
        result.error = unreadable;
        return result;
    }
    return readXlsxRows(bytes, columns, locale, limits);
}

WorkbookRows readInChildProcess(const std::function<WorkbookRows()>& work, std::chrono::milliseconds deadline,
                                qint64 answerLimit, const QString& failed) {
    WorkbookRows refused;
    refused.error = failed;
    int channel[2];
    if (pipe2(channel, O_CLOEXEC) != 0)
        return refused;
    const pid_t child = fork();
    if (child < 0) {
        close(channel[0]);
        close(channel[1]);
        return refused;
    }
    if (child == 0) {
        close(channel[0]);
        const WorkbookRows result = work();
        QByteArray answer;
        QDataStream out(&answer, QIODevice::WriteOnly);
        out << result.rows << result.error;
        for (qsizetype written = 0; written < answer.size();) {
            const ssize_t n = ::write(channel[1], answer.constData() + written, size_t(answer.size() - written));
            if (n <= 0)
                _exit(1);
            written += n;
        }
        _exit(0);
    }

    close(channel[1]);
    // A child that hangs or answers without end is ended rather than waited for.
    QByteArray answer;
    bool complete = false;
    while (answer.size() <= answerLimit) {
        pollfd ready{channel[0], POLLIN, 0};
        const int polled = poll(&ready, 1, int(deadline.count()));
        if (polled < 0 && errno == EINTR)
            continue;
        if (polled <= 0)
            break;
        char buffer[65536];
        const ssize_t n = ::read(channel[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            complete = n == 0;
            break;
        }
        answer.append(buffer, n);
    }
    close(channel[0]);
    if (!complete)
        kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!complete || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return refused;

    WorkbookRows result;
    QDataStream stream(answer);
    stream >> result.rows >> result.error;
    if (stream.status() != QDataStream::Ok)
        return refused;
    return result;
}

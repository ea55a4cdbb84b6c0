// Reads a workbook's first sheet into text rows, .xlsx or .xls by what the file holds, with
// numbers, dates and times as the cells show them.

#include "protocol/workbook_reader.h"
#include "protocol/workbook_sheet_rows.h"

#include <QDataStream>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace workbook_reading;

QString workbookNumberText(double value, const QLocale& locale) {
    QLocale numbers = locale;
    numbers.setNumberOptions(QLocale::OmitGroupSeparator);
    if (value == 0)
        value = 0; // no "-0"
    return numbers.toString(value, 'g', 15);
}

WorkbookRows readWorkbookRows(const QString& fileName, int columns, const QLocale& locale,
                              const WorkbookLimits& limits) {
    // A pipe or a device is no workbook: reading one would hang the window or fill the memory.
    if (!QFileInfo(fileName).isFile()) {
        WorkbookRows result;
        result.error = QFileInfo::exists(fileName) ? notAWorkbook : unreadable;
        return result;
    }
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

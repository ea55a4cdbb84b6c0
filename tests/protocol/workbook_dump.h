#pragma once

// Test helpers: what an independent reader (openpyxl, by dump_workbook.py beside this file)
// sees in a workbook. Needs TARVOLT_PYTHON3 and TARVOLT_TEST_DATA defined by the test's CMake.

#include <QDebug>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>

// Runs one of the Python helpers beside the tests; an empty answer when it does not end
// within its deadline or ends with an error, which fails the caller's comparisons.
inline QByteArray runPython(const QStringList& arguments) {
    QProcess python;
    python.start(QStringLiteral(TARVOLT_PYTHON3), arguments);
    const bool finished = python.waitForFinished(60000);
    if (!finished)
        python.kill();
    if (!finished || python.exitCode() != 0) {
        qWarning() << python.readAllStandardError();
        return {};
    }
    return python.readAllStandardOutput();
}

// The workbook's sheet (the first unless given) as openpyxl reads it.
inline QJsonObject dumpWorkbook(const QString& fileName, int sheet = 0) {
    QStringList arguments{QStringLiteral(TARVOLT_TEST_DATA "/dump_workbook.py"), fileName};
    if (sheet != 0)
        arguments << QString::number(sheet);
    return QJsonDocument::fromJson(runPython(arguments)).object();
}

inline QStringList cellValues(const QJsonObject& dump, int row) {
    QStringList values;
    for (const QJsonValue cell : dump[QStringLiteral("cells")].toArray().at(row).toArray())
        values << cell.toObject()[QStringLiteral("value")].toVariant().toString();
    return values;
}

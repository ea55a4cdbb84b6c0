// The adapter test's result as German text, and where it is kept with its date: an INI file
// beside the settings, one entry per port, so the official sees the last test of an adapter.

#pragma once

#include "adapter/adapter_test.h"

#include <QStringList>

#include <optional>

// The lines shown and kept: port and adapter, verdict and reason, the figures per line, the
// note that the delay is an upper bound, and the date.
QStringList adapterReportLines(const AdapterTestResult& result);

// The last kept test of a port.
struct KeptAdapterTest {
    QDateTime when;
    AdapterVerdict verdict = AdapterVerdict::NoPlug;
    QStringList lines;
};

// Keeps the result under its port in the file at `path` (written whole and renamed into place);
// the German reason when it could not be written.
std::optional<QString> keepAdapterTest(const QString& path, const AdapterTestResult& result);
// The last test kept for `portText` ("COM17 (ttyUSB0)"); none when there is none.
std::optional<KeptAdapterTest> keptAdapterTest(const QString& path, const QString& portText);

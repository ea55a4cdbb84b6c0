#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <random>

// Fuzzing of the protocol text loader: one input through the loader, the save and
// the ranking, with checks of what must hold for every input. A violated check
// prints the input and aborts, so both the seeded driver and libFuzzer report it.
// variant picks the grid's state before the load (rows, sort column and direction,
// the ranking switch, the start-number text). Single-threaded.

void checkProtocolLoader(const QByteArray& input, std::uint64_t variant);

// The same through the file functions, reading and writing in folder.
void checkProtocolLoaderThroughFiles(const QByteArray& input, std::uint64_t variant, const QString& folder);

// Random bytes, a random mixture of the format's pieces (TAB, ";", line ends,
// "Nr.", markers, multibyte and broken sequences), a random protocol file in one of
// the encodings, or such a file with random damage.
QByteArray randomProtocolInput(std::mt19937_64& random);

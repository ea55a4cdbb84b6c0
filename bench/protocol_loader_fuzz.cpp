// Seeded random-input run of the protocol text loader:
//   protocol_loader_fuzz [--inputs N] [--seed S] [--files-every K]
// Every input goes through the loader, the save and the ranking with the checks of
// protocol_loader_fuzz_input.cpp; every K-th one also through real files. Build with
// TARVOLT_FUZZ=ON to run it under AddressSanitizer and UBSan.

#include "protocol_loader_fuzz_input.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    long long inputs = 100000;
    unsigned long long seed = 1;
    long long filesEvery = 200;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        bool ok = false;
        const long long value = args.at(i + 1).toLongLong(&ok);
        if (!ok || value < 0) {
            std::fprintf(stderr, "bad value for %s\n", qPrintable(args.at(i)));
            return 2;
        }
        if (args.at(i) == u"--inputs")
            inputs = value;
        else if (args.at(i) == u"--seed")
            seed = static_cast<unsigned long long>(value);
        else if (args.at(i) == u"--files-every")
            filesEvery = value;
        else {
            std::fprintf(stderr, "usage: %s [--inputs N] [--seed S] [--files-every K]\n", argv[0]);
            return 2;
        }
    }

    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 2;
    }
    std::mt19937_64 random(seed);
    QElapsedTimer timer;
    timer.start();
    long long bytes = 0;
    for (long long i = 0; i < inputs; ++i) {
        const QByteArray input = randomProtocolInput(random);
        const std::uint64_t variant = random();
        bytes += input.size();
        checkProtocolLoader(input, variant);
        if (filesEvery > 0 && i % filesEvery == 0)
            checkProtocolLoaderThroughFiles(input, variant, folder.path());
    }
    std::printf("protocol loader: %lld inputs (%lld bytes), seed %llu, no failure, %.1f s\n", inputs, bytes, seed,
                timer.elapsed() / 1000.0);
    return 0;
}

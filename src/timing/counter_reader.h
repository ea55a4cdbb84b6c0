// How the time base reads a counter: one indirect call without lock or allocation, cheap
// enough for every barrier event.

#pragma once

#include <QtGlobal>

#include <functional>

// One way of reading a free-running counter: a plain function and the context
// it reads from. Calling it is a single indirect call with no lock and no
// allocation, so it is cheap enough for every barrier event on any thread.
struct CounterReader {
    qint64 (*read)(const void* context) = nullptr;
    const void* context = nullptr;

    qint64 operator()() const { return read(context); }
};

// What stamps the program's events, on the way from the counter to the run: the port
// watcher, the simulated barrier box and the run controller all take this one reader
// (THighResTimer::eventReader()). It is called on their threads, so it must be
// thread-safe; where an empty one is allowed, every stamp is 0.
using EventCounterReader = std::function<qint64()>;

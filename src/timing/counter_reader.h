#pragma once

#include <QtGlobal>

// One way of reading a free-running counter: a plain function and the context
// it reads from. Calling it is a single indirect call with no lock and no
// allocation, so it is cheap enough for every barrier event on any thread.
struct CounterReader {
    qint64 (*read)(const void* context) = nullptr;
    const void* context = nullptr;

    qint64 operator()() const { return read(context); }
};

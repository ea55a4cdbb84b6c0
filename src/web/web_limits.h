#pragma once
// The limits the live results server keeps, in one place for the server and its tests.

#include <QtGlobal>

// The limits of the push channels: a page's channel only receives; it answers pings and may
// close. Anything more is an attack on the program's memory or time.
struct PushLimits {
    qint64 maxUnsentBytes = 1 << 20;    // messages the page has not taken yet; more and it is dropped
    int pingMs = 10000;                 // keeps phones' channels alive through Wi-Fi routers
    int deadMs = 35000;                 // no answer to our pings this long: the page is gone
    qint64 maxIncomingPerSecond = 2048; // pongs and a close need a few bytes; a ping flood is more
    int sweepMs = 1000;
};

// The limits the live results server keeps against a crowd and against bad clients.
struct WebLimits {
    int maxConnections = 500;         // sockets at once, web pages and push channels together
    int maxPerAddress = 16;           // of one device (an IPv6 /64 counts as one); a browser needs a few
    qint64 maxRequestBytes = 8192;    // one request, line and headers (no request has a body)
    qint64 maxUnsentBytes = 1 << 20;  // answers a client has not taken yet; more and it is dropped
    qint64 maxUnsentTotal = 64 << 20; // of all clients together; the most behind are dropped first
    int idleMs = 15000;               // a page connection that sends nothing is closed
    int requestMs = 10000;            // a request begun must be complete by then
    int sweepMs = 1000;
    PushLimits push;
};

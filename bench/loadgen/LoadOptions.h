#pragma once

#include <string>

namespace hl {

// What the load generator is asked to build: TCP connections and UDP sockets spread over
// worker processes, idle processes beside them, and how long everything may live.
struct LoadOptions {
    long tcp = 0;          // established loopback connections (two sockets each)
    long udp = 0;          // bound loopback UDP sockets
    long ipv6 = 0;         // percent of the connections and of the UDP sockets that use ::1
    long procs = 1;        // worker processes that hold the sockets
    long idle = 0;         // processes that hold no sockets
    long seconds = 120;    // lifetime of the whole load, set-up included
    std::string readyFile; // created once every socket is open; empty: none
    bool help = false;
};

// Parses the command line into LoadOptions. False with a message in `error` for an unknown
// option, a missing or non-numeric value, or a value outside its range.
bool ParseLoadOptions(int argc, char** argv, LoadOptions& options, std::string& error);

// The usage text printed for --help and after a parse error.
const char* LoadUsage();

// How many of `total` items go to ::1 when `percent` of them do (rounded down).
long Ipv6Part(long total, long percent);

// How many of `total` items worker `index` of `workers` takes: an even split, the first
// workers taking one more when it does not divide.
long ShareOf(long total, long workers, long index);

} // namespace hl

#include "loadgen/SystemLimits.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sys/resource.h>

namespace hl {

bool RaiseFdLimit(long needed, std::string& error) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        error = std::string("getrlimit RLIMIT_NOFILE: ") + std::strerror(errno);
        return false;
    }
    const auto wanted = static_cast<rlim_t>(needed);
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= wanted) {
        return true;
    }
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < wanted) {
        error = "one worker needs " + std::to_string(needed) +
                " open files but the hard limit (ulimit -Hn) is " + std::to_string(limit.rlim_max) +
                "; raise it or use more --procs";
        return false;
    }
    limit.rlim_cur = wanted;
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) {
        error =
            "setrlimit RLIMIT_NOFILE to " + std::to_string(needed) + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool CheckPortRange(const std::string& procSys, long connections, long udpSockets,
                    std::string& error) {
    std::ifstream file(procSys + "/net/ipv4/ip_local_port_range");
    long low = 0;
    long high = 0;
    if (!(file >> low >> high) || high < low) {
        return true; // let the kernel decide; a shortage then fails with EADDRNOTAVAIL
    }
    const long size = high - low + 1;
    if (connections > size) {
        error = std::to_string(connections) + " connections to one listener need as many source " +
                "ports, but ip_local_port_range has " + std::to_string(size) + "; use more --procs";
        return false;
    }
    if (udpSockets > size) {
        error = std::to_string(udpSockets) + " UDP sockets need as many ports, but " +
                "ip_local_port_range has " + std::to_string(size);
        return false;
    }
    return true;
}

} // namespace hl

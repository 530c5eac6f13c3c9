// Runs harborlight-report against real loopback sockets that the test opens, and against
// what `ss` shows for the same machine.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/UniqueFd.h"

namespace hl {
namespace {

std::string RunCommand(const std::string& command) {
    std::string out;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return out;
    }
    std::array<char, 65536> buffer{};
    size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        out.append(buffer.data(), n);
    }
    ::pclose(pipe);
    return out;
}

std::string ReportPath() { return std::string(HL_BINARY_DIR) + "/tools/harborlight-report"; }

using Row = std::vector<std::string>;

// Splits the report's output; none of the fields of these tests need quoting.
std::vector<Row> ParseReport(const std::string& csv, std::string* header) {
    std::vector<Row> rows;
    std::istringstream in(csv);
    std::string line;
    bool first = true;
    while (std::getline(in, line)) {
        EXPECT_TRUE(!line.empty() && line.back() == '\r') << "line without CRLF: " << line;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (first) {
            *header = line;
            first = false;
            continue;
        }
        Row row;
        std::string field;
        std::istringstream fields(line);
        while (std::getline(fields, field, ',')) {
            row.push_back(field);
        }
        while (row.size() < 8) {
            row.push_back("");
        }
        rows.push_back(row);
    }
    return rows;
}

UniqueFd Socket(int type) { return UniqueFd(::socket(AF_INET, type | SOCK_CLOEXEC, 0)); }

uint16_t BindLoopback(int fd) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    return ntohs(addr.sin_port);
}

uint16_t LocalPort(int fd) {
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    return ntohs(addr.sin_port);
}

std::string OwnName() {
    std::array<char, 4096> path{};
    const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
    const std::string exe(path.data(), n > 0 ? static_cast<size_t>(n) : 0);
    return exe.substr(exe.rfind('/') + 1);
}

struct LoopbackSockets {
    UniqueFd listener = Socket(SOCK_STREAM);
    UniqueFd client = Socket(SOCK_STREAM);
    UniqueFd server;
    UniqueFd udp = Socket(SOCK_DGRAM);
    uint16_t listenPort = 0, clientPort = 0, udpPort = 0;

    LoopbackSockets() {
        listenPort = BindLoopback(listener.Get());
        EXPECT_EQ(::listen(listener.Get(), 4), 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        to.sin_port = htons(listenPort);
        EXPECT_EQ(::connect(client.Get(), reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
        server.Reset(::accept4(listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
        clientPort = LocalPort(client.Get());
        udpPort = BindLoopback(udp.Get());
    }
};

TEST(Report, ListsTheTestsOwnSocketsWithPidAndName) {
    LoopbackSockets s;
    std::string header;
    const auto rows = ParseReport(RunCommand(ReportPath() + " 2>/dev/null"), &header);
    EXPECT_EQ(header, "Protocol,PID,Process Name,Local Address,Local Port,Remote Address,"
                      "Remote Port,Connection State");

    const std::string pid = std::to_string(::getpid());
    const std::string name = OwnName();
    const std::string lp = std::to_string(s.listenPort), cp = std::to_string(s.clientPort);
    const std::set<Row> found(rows.begin(), rows.end());
    const std::vector<Row> expected = {
        {"TCP", pid, name, "127.0.0.1", lp, "0.0.0.0", "0", "LISTEN"},
        {"TCP", pid, name, "127.0.0.1", cp, "127.0.0.1", lp, "ESTABLISHED"},
        {"TCP", pid, name, "127.0.0.1", lp, "127.0.0.1", cp, "ESTABLISHED"},
        {"UDP", pid, name, "127.0.0.1", std::to_string(s.udpPort), "", "", ""},
    };
    for (const Row& row : expected) {
        EXPECT_EQ(found.count(row), 1u) << "missing: " << row[0] << " " << row[3] << ":" << row[4]
                                        << " " << row[7];
    }
    // Every TCP row stands above every UDP row.
    bool seenUdp = false;
    for (const Row& row : rows) {
        seenUdp = seenUdp || row[0] == "UDP";
        EXPECT_FALSE(seenUdp && row[0] == "TCP");
    }
}

// "tcp 127.0.0.1:80 127.0.0.1:5000" for each IPv4 socket `ss -tuan -4` lists.
std::set<std::string> SsSockets() {
    std::set<std::string> out;
    std::istringstream in(RunCommand("ss -tuan -4 2>/dev/null"));
    std::string line;
    std::getline(in, line); // header
    auto clean = [](std::string endpoint) {
        if (auto pct = endpoint.find('%'); pct != std::string::npos) {
            endpoint.erase(pct, endpoint.rfind(':') - pct);
        }
        if (endpoint.ends_with(":*")) {
            endpoint.replace(endpoint.size() - 1, 1, "0");
        }
        if (endpoint.starts_with("*:")) {
            endpoint = "0.0.0.0" + endpoint.substr(1);
        }
        return endpoint;
    };
    while (std::getline(in, line)) {
        std::istringstream f(line);
        std::string netid, state, recvq, sendq, local, peer;
        if (!(f >> netid >> state >> recvq >> sendq >> local >> peer)) {
            continue;
        }
        out.insert(netid == "udp" ? "udp " + clean(local)
                                  : "tcp " + clean(local) + " " + clean(peer));
    }
    return out;
}

std::set<std::string> ReportSockets() {
    std::string header;
    std::set<std::string> out;
    for (const Row& row : ParseReport(RunCommand(ReportPath() + " 2>/dev/null"), &header)) {
        out.insert(row[0] == "UDP" ? "udp " + row[3] + ":" + row[4]
                                   : "tcp " + row[3] + ":" + row[4] + " " + row[5] + ":" + row[6]);
    }
    return out;
}

TEST(Report, ListsTheSameSocketsAsSs) {
    if (RunCommand("command -v ss").empty()) {
        GTEST_SKIP() << "ss is not installed";
    }
    LoopbackSockets s;
    // Other programs open and close sockets meanwhile: what ss shows both before and after
    // must be in the report, and what the report shows must be in one of the two.
    const auto before = SsSockets();
    const auto report = ReportSockets();
    const auto after = SsSockets();
    size_t stable = 0;
    for (const auto& sock : before) {
        if (after.count(sock) != 0) {
            ++stable;
            EXPECT_EQ(report.count(sock), 1u) << "ss shows, report does not: " << sock;
        }
    }
    EXPECT_GE(stable, 4u);
    for (const auto& sock : report) {
        EXPECT_TRUE(before.count(sock) != 0 || after.count(sock) != 0)
            << "report shows, ss does not: " << sock;
    }
}

TEST(Report, RejectsArgumentsOtherThanHelp) {
    EXPECT_NE(RunCommand(ReportPath() + " --help").find("Usage: harborlight-report"),
              std::string::npos);
    EXPECT_EQ(RunCommand(ReportPath() + " --bogus 2>/dev/null; echo rc=$?"), "rc=2\n");
}

} // namespace
} // namespace hl

// Runs harborlight-report against real loopback sockets that the test opens, and against
// what `ss` shows for the same machine.

#include "platform/UniqueFd.h"

#include <algorithm>
#include <arpa/inet.h>
#include <array>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <netinet/in.h>
#include <set>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

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

std::string ReportPath() {
    return std::string(HL_BINARY_DIR) + "/tools/harborlight-report";
}

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

// Loopback addresses of one family: 127.0.0.1 or ::1, with the port in host order.
sockaddr_storage Loopback(int family, uint16_t port) {
    sockaddr_storage a{};
    if (family == AF_INET6) {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&a);
        in6->sin6_family = AF_INET6;
        in6->sin6_addr = in6addr_loopback;
        in6->sin6_port = htons(port);
    } else {
        auto* in = reinterpret_cast<sockaddr_in*>(&a);
        in->sin_family = AF_INET;
        in->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        in->sin_port = htons(port);
    }
    return a;
}

socklen_t AddrLen(int family) {
    return family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
}

UniqueFd Socket(int type, int family = AF_INET) {
    return UniqueFd(::socket(family, type | SOCK_CLOEXEC, 0));
}

uint16_t LocalPort(int fd) {
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    return ntohs(addr.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&addr)->sin6_port
                                            : reinterpret_cast<sockaddr_in*>(&addr)->sin_port);
}

uint16_t BindLoopback(int fd, int family = AF_INET) {
    const sockaddr_storage addr = Loopback(family, 0);
    EXPECT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&addr), AddrLen(family)), 0);
    return LocalPort(fd);
}

bool HasIpv6Loopback() {
    const UniqueFd fd = Socket(SOCK_DGRAM, AF_INET6);
    const sockaddr_storage addr = Loopback(AF_INET6, 0);
    return fd && ::bind(fd.Get(), reinterpret_cast<const sockaddr*>(&addr), AddrLen(AF_INET6)) == 0;
}

std::string OwnName() {
    std::array<char, 4096> path{};
    const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
    const std::string exe(path.data(), n > 0 ? static_cast<size_t>(n) : 0);
    return exe.substr(exe.rfind('/') + 1);
}

struct LoopbackSockets {
    int family;
    UniqueFd listener = Socket(SOCK_STREAM, family);
    UniqueFd client = Socket(SOCK_STREAM, family);
    UniqueFd server;
    UniqueFd udp = Socket(SOCK_DGRAM, family);
    uint16_t listenPort = 0, clientPort = 0, udpPort = 0;

    explicit LoopbackSockets(int family_ = AF_INET) : family(family_) {
        listenPort = BindLoopback(listener.Get(), family);
        EXPECT_EQ(::listen(listener.Get(), 4), 0);
        const sockaddr_storage to = Loopback(family, listenPort);
        EXPECT_EQ(::connect(client.Get(), reinterpret_cast<const sockaddr*>(&to), AddrLen(family)),
                  0);
        server.Reset(::accept4(listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
        clientPort = LocalPort(client.Get());
        udpPort = BindLoopback(udp.Get(), family);
    }
};

TEST(Report, ListsTheTestsOwnSocketsWithPidAndName) {
    const bool ipv6 = HasIpv6Loopback();
    LoopbackSockets s;
    std::unique_ptr<LoopbackSockets> s6;
    if (ipv6) {
        s6 = std::make_unique<LoopbackSockets>(AF_INET6);
    }
    std::string header;
    const auto rows = ParseReport(RunCommand(ReportPath() + " 2>/dev/null"), &header);
    EXPECT_EQ(header, "Protocol,PID,Process Name,Local Address,Local Port,Remote Address,"
                      "Remote Port,Connection State");

    const std::string pid = std::to_string(::getpid());
    const std::string name = OwnName();
    const std::set<Row> found(rows.begin(), rows.end());
    std::vector<Row> expected;
    const auto expect = [&](const LoopbackSockets& l, const std::string& v, const char* addr,
                            const char* any) {
        const std::string lp = std::to_string(l.listenPort), cp = std::to_string(l.clientPort);
        expected.push_back({"TCP" + v, pid, name, addr, lp, any, "0", "LISTEN"});
        expected.push_back({"TCP" + v, pid, name, addr, cp, addr, lp, "ESTABLISHED"});
        expected.push_back({"TCP" + v, pid, name, addr, lp, addr, cp, "ESTABLISHED"});
        expected.push_back({"UDP" + v, pid, name, addr, std::to_string(l.udpPort), "", "", ""});
    };
    expect(s, "", "127.0.0.1", "0.0.0.0");
    if (s6) {
        expect(*s6, "v6", "::1", "::");
    }
    for (const Row& row : expected) {
        EXPECT_EQ(found.count(row), 1u)
            << "missing: " << row[0] << " " << row[3] << ":" << row[4] << " " << row[7];
    }
    // From the top: every TCP row, then TCPv6, UDP and UDPv6.
    const std::vector<std::string> order = {"TCP", "TCPv6", "UDP", "UDPv6"};
    size_t at = 0;
    for (const Row& row : rows) {
        const auto kind = std::find(order.begin(), order.end(), row[0]);
        ASSERT_NE(kind, order.end()) << row[0];
        const auto index = static_cast<size_t>(kind - order.begin());
        EXPECT_GE(index, at) << row[0] << " below a " << order[at] << " row";
        at = std::max(at, index);
    }
    if (!ipv6) {
        GTEST_SKIP() << "IPv4 checked; no IPv6 loopback address on this machine";
    }
}

// "tcp 127.0.0.1:80 127.0.0.1:5000" for each IPv4 socket `ss -tuan` lists, and
// "tcp6 ::1:80 ::1:5000" for each IPv6 one: addresses without brackets and zones, "*" as the
// family's wildcard address or port 0.
std::set<std::string> SsSockets() {
    std::set<std::string> out;
    for (const bool v6 : {false, true}) {
        std::istringstream in(
            RunCommand(v6 ? "ss -tuan -6 2>/dev/null" : "ss -tuan -4 2>/dev/null"));
        std::string line;
        std::getline(in, line); // header
        auto clean = [v6](std::string endpoint) {
            const size_t colon = endpoint.rfind(':');
            std::string addr = endpoint.substr(0, colon);
            std::string port = endpoint.substr(colon + 1);
            if (auto pct = addr.find('%'); pct != std::string::npos) {
                addr.erase(pct);
            }
            if (addr.size() >= 2 && addr.front() == '[' && addr.back() == ']') {
                addr = addr.substr(1, addr.size() - 2);
            }
            if (addr == "*") {
                addr = v6 ? "::" : "0.0.0.0";
            }
            return addr + ":" + (port == "*" ? "0" : port);
        };
        while (std::getline(in, line)) {
            std::istringstream f(line);
            std::string netid, state, recvq, sendq, local, peer;
            if (!(f >> netid >> state >> recvq >> sendq >> local >> peer)) {
                continue;
            }
            const std::string family = v6 ? "6 " : " ";
            out.insert(netid == "udp" ? "udp" + family + clean(local)
                                      : "tcp" + family + clean(local) + " " + clean(peer));
        }
    }
    return out;
}

std::set<std::string> ReportSockets() {
    std::string header;
    std::set<std::string> out;
    for (const Row& row : ParseReport(RunCommand(ReportPath() + " 2>/dev/null"), &header)) {
        const bool v6 = row[0].ends_with("v6");
        const std::string family = v6 ? "6 " : " ";
        auto clean = [](std::string addr) {
            if (auto pct = addr.find('%'); pct != std::string::npos) {
                addr.erase(pct);
            }
            return addr;
        };
        out.insert(row[0].starts_with("UDP") ? "udp" + family + clean(row[3]) + ":" + row[4]
                                             : "tcp" + family + clean(row[3]) + ":" + row[4] + " " +
                                                   clean(row[5]) + ":" + row[6]);
    }
    return out;
}

TEST(Report, ListsTheSameSocketsAsSs) {
    if (RunCommand("command -v ss").empty()) {
        GTEST_SKIP() << "ss is not installed";
    }
    LoopbackSockets s;
    std::unique_ptr<LoopbackSockets> s6;
    if (HasIpv6Loopback()) {
        s6 = std::make_unique<LoopbackSockets>(AF_INET6);
    }
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
    EXPECT_GE(stable, s6 ? 8u : 4u);
    for (const auto& sock : report) {
        EXPECT_TRUE(before.count(sock) != 0 || after.count(sock) != 0)
            << "report shows, ss does not: " << sock;
    }
}

// A copy of the socket-holding helper running under a chosen file name, listening on a
// loopback port; it ends when the object goes.
class NamedListener {
public:
    NamedListener(const std::filesystem::path& exe) {
        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) {
            return;
        }
        m_stdin.Reset(in[1]);
        UniqueFd childIn(in[0]), childOut(out[1]), readOut(out[0]);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        const std::string path = exe.string();
        char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
        if (::posix_spawn(&m_pid, path.c_str(), &actions, nullptr, argv, environ) != 0) {
            m_pid = 0;
        }
        posix_spawn_file_actions_destroy(&actions);
        childOut.Reset();
        std::string line;
        char c;
        while (m_pid != 0 && ::read(readOut.Get(), &c, 1) == 1 && c != '\n') {
            line.push_back(c);
        }
        m_port = line;
    }
    ~NamedListener() {
        m_stdin.Reset();
        if (m_pid != 0) {
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    NamedListener(const NamedListener&) = delete;
    NamedListener& operator=(const NamedListener&) = delete;

    pid_t Pid() const { return m_pid; }
    const std::string& Port() const { return m_port; }

private:
    pid_t m_pid = 0;
    UniqueFd m_stdin;
    std::string m_port;
};

// Names are bytes: whatever a process is called, its CSV line shows no control character, no
// reordering mark and no invalid UTF-8, and a name that a spreadsheet would take for a
// formula is written as text.
TEST(Report, HostileProcessNamesReachTheCsvDefused) {
    struct Case {
        const char* name;
        std::string exe;
        std::string field; // the Process Name field as the CSV holds it
    };
    const Case cases[] = {
        {"rawC1Csi",
         "c1\x9b"
         "31mX\x85",
         "c1?31mX?"},
        {"encodedCsi",
         "csi\xC2\x9B"
         "2J",
         "csi?2J"},
        {"rightToLeftOverride",
         "rtl\xE2\x80\xAE"
         "fdp.exe",
         "rtl?fdp.exe"},
        {"invalidUtf8", "bad\xFF\xFEutf8\xC3", "bad??utf8?"},
        {"lineBreakAndEscape", "two\nlines\x1b]0;t\x07", "two?lines?]0;t?"},
        {"formula", "=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""},
        {"minus", "-1", "'-1"},
        {"ordinary", "holder_1.2", "holder_1.2"},
        {"utf8", "na\xC3\xAFve-\xE6\x9D\xB1", "na\xC3\xAFve-\xE6\x9D\xB1"},
        {"commaQuoted", "a,b", "\"a,b\""},
    };
    char dirTemplate[] = HL_BINARY_DIR "/hostile-names.XXXXXX";
    ASSERT_NE(::mkdtemp(dirTemplate), nullptr);
    const std::filesystem::path dir(dirTemplate);
    std::vector<std::unique_ptr<NamedListener>> listeners;
    for (const Case& c : cases) {
        const std::filesystem::path exe = dir / c.exe;
        ASSERT_TRUE(std::filesystem::copy_file(HL_SOCKET_HOLDER, exe)) << c.name;
        listeners.push_back(std::make_unique<NamedListener>(exe));
        ASSERT_NE(listeners.back()->Pid(), 0) << c.name;
        ASSERT_FALSE(listeners.back()->Port().empty()) << c.name;
    }

    const std::filesystem::path csvPath = dir / "report.csv";
    RunCommand(ReportPath() + " >" + csvPath.string() + " 2>/dev/null");
    std::ifstream in(csvPath, std::ios::binary);
    const std::string csv((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].name);
        const std::string line = "TCP," + std::to_string(listeners[i]->Pid()) + "," +
                                 cases[i].field + ",127.0.0.1," + listeners[i]->Port() +
                                 ",0.0.0.0,0,LISTEN\r\n";
        EXPECT_NE(csv.find(line), std::string::npos) << "no line " << line;
    }
    if (!RunCommand("command -v iconv").empty()) {
        EXPECT_EQ(
            RunCommand("iconv -f UTF-8 -t UTF-8 " + csvPath.string() + " >/dev/null; echo $?"),
            "0\n");
    }
    listeners.clear();
    std::filesystem::remove_all(dir);
}

TEST(Report, RejectsArgumentsOtherThanHelp) {
    EXPECT_NE(RunCommand(ReportPath() + " --help").find("Usage: harborlight-report"),
              std::string::npos);
    EXPECT_EQ(RunCommand(ReportPath() + " --bogus 2>/dev/null; echo rc=$?"), "rc=2\n");
}

} // namespace
} // namespace hl

// Runs the real window program on the offscreen platform with --trace and ends it with
// termination signals, with its standard output on a pipe.

#include "platform/UniqueFd.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace hl {
namespace {

using Clock = std::chrono::steady_clock;
// Generous: the machine may be busy with other builds and socket loads.
constexpr auto kBound = std::chrono::seconds(60);

std::string ProgramPath() {
    return std::string(HL_BINARY_DIR) + "/src/app/harborlight";
}

// A child running the program with its standard output on a pipe.
class Program {
public:
    explicit Program(const std::filesystem::path& config) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            return;
        }
        m_out.Reset(fds[0]);
        UniqueFd write(fds[1]);

        std::vector<std::string> env = {
            "QT_QPA_PLATFORM=offscreen", "XDG_CONFIG_HOME=" + config.string(),
            "XDG_DATA_HOME=" + config.string(), "XDG_RUNTIME_DIR=" + config.string()};
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string_view entry(*e);
            if (!entry.starts_with("QT_QPA_PLATFORM=") && !entry.starts_with("XDG_") &&
                !entry.starts_with("DISPLAY=") && !entry.starts_with("WAYLAND_DISPLAY=")) {
                env.emplace_back(entry);
            }
        }
        std::vector<char*> envp;
        for (std::string& e : env) {
            envp.push_back(e.data());
        }
        envp.push_back(nullptr);
        const std::string path = ProgramPath();
        std::string trace = "--trace";
        char* argv[] = {const_cast<char*>(path.c_str()), trace.data(), nullptr};

        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(write.Get(), STDOUT_FILENO);
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, STDERR_FILENO);
            ::execve(argv[0], argv, envp.data());
            ::_exit(127);
        }
    }
    ~Program() {
        if (m_pid > 0 && !m_bReaped) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }

    bool Started() const { return m_pid > 0 && m_out.Valid(); }
    pid_t Pid() const { return m_pid; }
    int Out() const { return m_out.Get(); }
    void CloseOut() { m_out.Reset(); }
    const std::string& Output() const { return m_text; }

    // Reads what the program has written until `done` holds, the pipe ends or the bound
    // passes; true when `done` held.
    template <typename Done> bool ReadUntil(Done done) {
        const auto deadline = Clock::now() + kBound;
        while (!done(m_text)) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) {
                return false;
            }
            pollfd p{m_out.Get(), POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) {
                continue;
            }
            char buf[65536];
            const ssize_t got = ::read(m_out.Get(), buf, sizeof buf);
            if (got <= 0) {
                return done(m_text);
            }
            m_text.append(buf, static_cast<size_t>(got));
        }
        return true;
    }
    void ReadToEnd() {
        ReadUntil([](const std::string&) { return false; });
    }

    // The wait status once the program has ended within the bound; -1 when it has not.
    int WaitForEnd() {
        const auto deadline = Clock::now() + kBound;
        while (Clock::now() < deadline) {
            int status = 0;
            const pid_t got = ::waitpid(m_pid, &status, WNOHANG);
            if (got == m_pid) {
                m_bReaped = true;
                return status;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }

private:
    pid_t m_pid = -1;
    bool m_bReaped = false;
    UniqueFd m_out;
    std::string m_text;
};

// UDP sockets on 127.0.0.1 that the program's trace must list.
struct UdpSockets {
    explicit UdpSockets(int count) {
        for (int i = 0; i < count; ++i) {
            UniqueFd fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
            sockaddr_in addr{};
            addr.sin_family = AF_INET;
            addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            socklen_t len = sizeof addr;
            if (!fd || ::bind(fd.Get(), reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
                ::getsockname(fd.Get(), reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
                continue;
            }
            ports.push_back(ntohs(addr.sin_port));
            fds.push_back(std::move(fd));
        }
    }
    std::vector<UniqueFd> fds;
    std::vector<int> ports;
};

// The trace line of one of our endpoints, as the extended UDP path writes it.
std::string LineFor(int port) {
    return "127.0.0.1 \t" + std::to_string(port);
}

bool HasAllLines(const std::string& text, const std::vector<int>& ports) {
    for (const int port : ports) {
        if (text.find(" \t" + LineFor(port) + "\n") == std::string::npos &&
            !text.ends_with(" \t" + LineFor(port))) {
            return false;
        }
    }
    return true;
}

// Every line of the output is a whole trace line: a UDP endpoint's ends in its port, and
// where the plain TCP table had to be read, a TCP connection's in its state.
void ExpectWholeTraceLines(const std::string& text) {
    ASSERT_TRUE(text.starts_with("\n")) << text.substr(0, 80);
    std::istringstream in(text.substr(1));
    std::string line;
    int lines = 0;
    while (std::getline(in, line)) {
        ++lines;
        if (line.starts_with(" TCP\t")) {
            EXPECT_GE(line.size(), 20u) << line;
            continue;
        }
        EXPECT_TRUE(line.starts_with(" UDP \t")) << line;
        const size_t lastTab = line.rfind('\t');
        ASSERT_NE(lastTab, std::string::npos) << line;
        const std::string port = line.substr(lastTab + 1);
        EXPECT_FALSE(port.empty()) << line;
        EXPECT_EQ(port.find_first_not_of("0123456789"), std::string::npos) << line;
    }
    EXPECT_GT(lines, 0);
}

class ProgramSignals : public testing::TestWithParam<int> {
protected:
    void SetUp() override {
        char name[] = "/tmp/hl-signals-XXXXXX";
        ASSERT_NE(::mkdtemp(name), nullptr);
        config = name;
    }
    void TearDown() override { std::filesystem::remove_all(config); }

    std::filesystem::path config;
};

TEST_P(ProgramSignals, EndsLikeExitWithEveryTraceLineOfItsRefreshWritten) {
    UdpSockets sockets(20);
    ASSERT_EQ(sockets.ports.size(), 20u);
    Program program(config);
    ASSERT_TRUE(program.Started());

    // The first refresh has listed every endpoint of ours, each as a line of its own.
    ASSERT_TRUE(program.ReadUntil([&](const std::string& text) {
        return HasAllLines(text, sockets.ports);
    })) << program.Output().substr(0, 2000);
    ASSERT_EQ(::kill(program.Pid(), GetParam()), 0);

    const int status = program.WaitForEnd();
    ASSERT_NE(status, -1) << "still running after the signal";
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    program.ReadToEnd();
    ExpectWholeTraceLines(program.Output());
    EXPECT_TRUE(HasAllLines(program.Output(), sockets.ports));
}

INSTANTIATE_TEST_SUITE_P(Signals, ProgramSignals, testing::Values(SIGTERM, SIGINT, SIGHUP),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::string(sigabbrev_np(info.param));
                         });

TEST_F(ProgramSignals, AStandardOutputWithoutReaderDoesNotEndTheProgram) {
    // More trace than the pipe holds, so the program is still writing when the reader goes.
    UdpSockets sockets(200);
    ASSERT_GE(sockets.ports.size(), 150u);
    Program program(config);
    ASSERT_TRUE(program.Started());
    const int capacity = ::fcntl(program.Out(), F_SETPIPE_SZ, 4096);
    ASSERT_GT(capacity, 0);

    // Wait until the pipe is as good as full: the rest of the trace cannot fit any more.
    const auto deadline = Clock::now() + kBound;
    int queued = 0;
    while (Clock::now() < deadline) {
        ASSERT_EQ(::ioctl(program.Out(), FIONREAD, &queued), 0);
        if (queued >= capacity - 512) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_GE(queued, capacity - 512) << "the program wrote too little";
    program.CloseOut();

    // Its next write fails; it keeps running and ends on request as usual.
    ASSERT_EQ(::kill(program.Pid(), SIGTERM), 0);
    const int status = program.WaitForEnd();
    ASSERT_NE(status, -1) << "still running after the signal";
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
} // namespace hl

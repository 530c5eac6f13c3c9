#include "app/ExitSignals.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace hl {
namespace {

constexpr std::array<int, 3> kExitSignals = {SIGTERM, SIGINT, SIGHUP};

// The write end of the pipe, for the handler; -1 while no object is installed.
std::atomic<int> g_writeFd{-1};

extern "C" void OnExitSignal(int signal) {
    const int savedErrno = errno;
    const int fd = g_writeFd.load(std::memory_order_relaxed);
    if (fd >= 0) {
        const auto byte = static_cast<unsigned char>(signal);
        // A full pipe already holds a wake-up: dropping this byte loses nothing.
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

bool SetHandler(int signal, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(signal, &action, nullptr) == 0;
}

} // namespace

ExitSignals::ExitSignals(std::function<void(int)> onSignal) : m_onSignal(std::move(onSignal)) {
    int fds[2];
    if (g_writeFd.load() >= 0 || ::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    m_readEnd.Reset(fds[0]);
    m_writeEnd.Reset(fds[1]);
    m_notifier = std::make_unique<QSocketNotifier>(m_readEnd.Get(), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &ExitSignals::OnReadable);
    g_writeFd.store(m_writeEnd.Get());
    m_bInstalled = true;
    for (const int signal : kExitSignals) {
        m_bInstalled = SetHandler(signal, OnExitSignal) && m_bInstalled;
    }
}

ExitSignals::~ExitSignals() {
    if (m_writeEnd && g_writeFd.load() == m_writeEnd.Get()) {
        for (const int signal : kExitSignals) {
            SetHandler(signal, SIG_DFL);
        }
        g_writeFd.store(-1);
    }
}

void ExitSignals::OnReadable() {
    std::array<unsigned char, 64> bytes{};
    int last = 0;
    for (;;) {
        const ssize_t got = ::read(m_readEnd.Get(), bytes.data(), bytes.size());
        if (got <= 0) {
            break;
        }
        last = bytes[static_cast<size_t>(got) - 1];
    }
    if (last != 0 && m_onSignal) {
        m_onSignal(last);
    }
}

} // namespace hl

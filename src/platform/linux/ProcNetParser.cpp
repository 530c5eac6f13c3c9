#include "platform/linux/ProcNetParser.h"

#include <arpa/inet.h>
#include <array>
#include <cctype>
#include <optional>

namespace hl {
namespace {

constexpr std::array<uint32_t, 13> kStateFromLinux = {
    0,  // 0: not a state
    5,  // ESTABLISHED
    3,  // SYN_SENT
    4,  // SYN_RECV
    6,  // FIN_WAIT1
    7,  // FIN_WAIT2
    11, // TIME_WAIT
    1,  // CLOSE
    8,  // CLOSE_WAIT
    10, // LAST_ACK
    2,  // LISTEN
    9,  // CLOSING
    4,  // NEW_SYN_RECV
};

// One line as the kernel writes it:
//   "  12: 0100007F:1F90 00000000:0000 0A 00000000:00000000 ..."
struct Cursor {
    std::string_view text;
    size_t pos = 0;

    void SkipBlanks() {
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) {
            ++pos;
        }
    }
    bool Take(char c) {
        if (pos < text.size() && text[pos] == c) {
            ++pos;
            return true;
        }
        return false;
    }
    // Exactly `minDigits` to `maxDigits` hex digits.
    std::optional<uint32_t> Hex(size_t minDigits, size_t maxDigits) {
        uint32_t value = 0;
        size_t n = 0;
        while (pos < text.size() && n < maxDigits) {
            const char c = text[pos];
            uint32_t digit = 0;
            if (c >= '0' && c <= '9') {
                digit = static_cast<uint32_t>(c - '0');
            } else if (c >= 'A' && c <= 'F') {
                digit = static_cast<uint32_t>(c - 'A' + 10);
            } else if (c >= 'a' && c <= 'f') {
                digit = static_cast<uint32_t>(c - 'a' + 10);
            } else {
                break;
            }
            value = (value << 4) | digit;
            ++pos;
            ++n;
        }
        if (n < minDigits) {
            return std::nullopt;
        }
        // A longer number (an IPv6 address, say) is not ours.
        if (pos < text.size() && std::isxdigit(static_cast<unsigned char>(text[pos]))) {
            return std::nullopt;
        }
        return value;
    }
    bool Decimal() {
        const size_t start = pos;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
            ++pos;
        }
        return pos > start;
    }
};

struct Endpoint {
    uint32_t addr = 0;
    uint32_t port = 0;
};

std::optional<Endpoint> ParseEndpoint(Cursor& c) {
    c.SkipBlanks();
    const auto addr = c.Hex(8, 8);
    if (!addr || !c.Take(':')) {
        return std::nullopt;
    }
    const auto port = c.Hex(1, 4);
    if (!port) {
        return std::nullopt;
    }
    return Endpoint{*addr, htons(static_cast<uint16_t>(*port))};
}

struct Line {
    Endpoint local;
    Endpoint remote;
    uint32_t linuxState = 0;
};

std::optional<Line> ParseLine(std::string_view text) {
    Cursor c{text};
    c.SkipBlanks();
    if (!c.Decimal() || !c.Take(':')) {
        return std::nullopt; // the header line, or garbage
    }
    Line line;
    const auto local = ParseEndpoint(c);
    if (!local) {
        return std::nullopt;
    }
    const auto remote = ParseEndpoint(c);
    if (!remote) {
        return std::nullopt;
    }
    c.SkipBlanks();
    const auto state = c.Hex(1, 2);
    if (!state) {
        return std::nullopt;
    }
    line.local = *local;
    line.remote = *remote;
    line.linuxState = *state;
    return line;
}

template <typename Fn> void ForEachLine(std::string_view text, Fn&& fn) {
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        if (const auto parsed = ParseLine(line)) {
            fn(*parsed);
        }
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
}

size_t LineCountHint(std::string_view text) {
    // Lines are about 150 bytes; a hint, not a bound.
    return text.size() / 128 + 1;
}

} // namespace

uint32_t TcpStateFromLinux(uint32_t linuxState) {
    return linuxState < kStateFromLinux.size() ? kStateFromLinux[linuxState] : 0;
}

std::vector<TcpRow> ParseProcNetTcp(std::string_view text) {
    std::vector<TcpRow> rows;
    rows.reserve(LineCountHint(text));
    ForEachLine(text, [&](const Line& line) {
        TcpRow row;
        row.state = TcpStateFromLinux(line.linuxState);
        row.localAddr = line.local.addr;
        row.localPort = line.local.port;
        row.remoteAddr = line.remote.addr;
        row.remotePort = line.remote.port;
        rows.push_back(row);
    });
    return rows;
}

std::vector<UdpRow> ParseProcNetUdp(std::string_view text) {
    std::vector<UdpRow> rows;
    rows.reserve(LineCountHint(text));
    ForEachLine(text, [&](const Line& line) {
        UdpRow row;
        row.localAddr = line.local.addr;
        row.localPort = line.local.port;
        rows.push_back(row);
    });
    return rows;
}

} // namespace hl

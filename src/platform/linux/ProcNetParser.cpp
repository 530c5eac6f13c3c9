#include "platform/linux/ProcNetParser.h"

#include "platform/Text.h"

#include <arpa/inet.h>
#include <array>
#include <cstring>
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
    // `minDigits` to `maxDigits` hex digits, not followed by another one.
    std::optional<uint32_t> Hex(size_t minDigits, size_t maxDigits) {
        const auto value = HexDigits(minDigits, maxDigits);
        // A longer number (an IPv6 address, say) is not ours.
        if (!value || AtHexDigit()) {
            return std::nullopt;
        }
        return value;
    }
    // `minDigits` to `maxDigits` hex digits, whatever follows them.
    std::optional<uint32_t> HexDigits(size_t minDigits, size_t maxDigits) {
        uint32_t value = 0;
        size_t n = 0;
        while (pos < text.size() && n < maxDigits) {
            const int digit = HexDigitValue(text[pos]);
            if (digit < 0) {
                break;
            }
            value = (value << 4) | static_cast<uint32_t>(digit);
            ++pos;
            ++n;
        }
        if (n < minDigits) {
            return std::nullopt;
        }
        return value;
    }
    bool AtHexDigit() const { return pos < text.size() && HexDigitValue(text[pos]) >= 0; }
    bool Decimal() {
        const size_t start = pos;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
            ++pos;
        }
        return pos > start;
    }
};

// The kernel prints an address as its 32-bit words in network order, each word read as a
// host number ("%08X"), so storing each word's value back gives the network-order bytes.
std::optional<uint32_t> ParseAddress(Cursor& c, uint32_t*) {
    return c.Hex(8, 8);
}

std::optional<Ip6Addr> ParseAddress(Cursor& c, Ip6Addr*) {
    Ip6Addr addr;
    for (size_t word = 0; word < 4; ++word) {
        const auto value = c.HexDigits(8, 8);
        if (!value) {
            return std::nullopt;
        }
        std::memcpy(addr.bytes.data() + 4 * word, &*value, 4);
    }
    if (c.AtHexDigit()) {
        return std::nullopt;
    }
    return addr;
}

template <typename Addr> struct Endpoint {
    Addr addr{};
    uint32_t port = 0;
};

template <typename Addr> std::optional<Endpoint<Addr>> ParseEndpoint(Cursor& c) {
    c.SkipBlanks();
    const auto addr = ParseAddress(c, static_cast<Addr*>(nullptr));
    if (!addr || !c.Take(':')) {
        return std::nullopt;
    }
    const auto port = c.Hex(1, 4);
    if (!port) {
        return std::nullopt;
    }
    return Endpoint<Addr>{*addr, htons(static_cast<uint16_t>(*port))};
}

template <typename Addr> struct Line {
    Endpoint<Addr> local;
    Endpoint<Addr> remote;
    uint32_t linuxState = 0;
};

template <typename Addr> std::optional<Line<Addr>> ParseLine(std::string_view text) {
    Cursor c{text};
    c.SkipBlanks();
    if (!c.Decimal() || !c.Take(':')) {
        return std::nullopt; // the header line, or garbage
    }
    Line<Addr> line;
    const auto local = ParseEndpoint<Addr>(c);
    if (!local) {
        return std::nullopt;
    }
    const auto remote = ParseEndpoint<Addr>(c);
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

template <typename Addr, typename Fn> void ForEachLine(std::string_view text, Fn&& fn) {
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        if (const auto parsed = ParseLine<Addr>(line)) {
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

namespace {

template <typename Row> std::vector<Row> ParseTcpLines(std::string_view text) {
    using Addr = decltype(Row::localAddr);
    std::vector<Row> rows;
    rows.reserve(LineCountHint(text));
    ForEachLine<Addr>(text, [&](const Line<Addr>& line) {
        Row row;
        row.state = TcpStateFromLinux(line.linuxState);
        row.localAddr = line.local.addr;
        row.localPort = line.local.port;
        row.remoteAddr = line.remote.addr;
        row.remotePort = line.remote.port;
        rows.push_back(row);
    });
    return rows;
}

template <typename Row> std::vector<Row> ParseUdpLines(std::string_view text) {
    using Addr = decltype(Row::localAddr);
    std::vector<Row> rows;
    rows.reserve(LineCountHint(text));
    ForEachLine<Addr>(text, [&](const Line<Addr>& line) {
        Row row;
        row.localAddr = line.local.addr;
        row.localPort = line.local.port;
        rows.push_back(row);
    });
    return rows;
}

} // namespace

std::vector<TcpRow> ParseProcNetTcp(std::string_view text) {
    return ParseTcpLines<TcpRow>(text);
}

std::vector<UdpRow> ParseProcNetUdp(std::string_view text) {
    return ParseUdpLines<UdpRow>(text);
}

std::vector<Tcp6Row> ParseProcNetTcp6(std::string_view text) {
    return ParseTcpLines<Tcp6Row>(text);
}

std::vector<Udp6Row> ParseProcNetUdp6(std::string_view text) {
    return ParseUdpLines<Udp6Row>(text);
}

} // namespace hl

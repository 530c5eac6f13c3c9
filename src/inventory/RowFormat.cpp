#include "inventory/RowFormat.h"

#include <arpa/inet.h>
#include <net/if.h>

namespace hl {

std::string FormatAddress(uint32_t networkAddr) {
    in_addr addr{};
    addr.s_addr = networkAddr;
    char text[INET_ADDRSTRLEN] = {};
    if (inet_ntop(AF_INET, &addr, text, sizeof text) == nullptr) {
        return "0.0.0.0";
    }
    return text;
}

std::string FormatPort(uint32_t networkPort) {
    return std::to_string(HostPort(networkPort));
}

std::string FormatPid(uint32_t pid) {
    return std::to_string(static_cast<int32_t>(pid));
}

std::string FormatAddress(const Ip6Addr& addr) {
    char text[INET6_ADDRSTRLEN] = {};
    if (inet_ntop(AF_INET6, addr.bytes.data(), text, sizeof text) == nullptr) {
        return "::";
    }
    std::string out = text;
    if (addr.scopeId != 0) {
        char name[IF_NAMESIZE] = {};
        out += '%';
        out += if_indextoname(addr.scopeId, name) != nullptr ? std::string(name)
                                                             : std::to_string(addr.scopeId);
    }
    return out;
}

namespace {

void WriteFill(ITraceSink& trace, const std::string& address) {
    if (address.size() <= 16) {
        for (size_t i = address.size(); i < 17; ++i) {
            trace.Write(" ");
        }
    }
}

} // namespace

void WriteTcpTrace(ITraceSink& trace, const char* protocol, const std::string& local,
                   uint32_t localPort, const std::string& remote, uint32_t remotePort,
                   const std::string& stateName) {
    trace.Write("\n " + std::string(protocol) + "\t" + local + " ");
    WriteFill(trace, local);
    trace.Write("\t " + std::to_string(HostPort(localPort)));
    trace.Write(" \t\t" + remote);
    WriteFill(trace, remote);
    trace.Write("\t " + std::to_string(HostPort(remotePort)));
    trace.Write("\t\t" + stateName);
    trace.EndLine();
}

void WriteUdpExTrace(ITraceSink& trace, const RowTexts& cells) {
    trace.Write("\n " + cells[kColProtocol] + " \t" + cells[kColPid] + " \t" +
                cells[kColProcessName] + "  \t" + cells[kColLocalAddress] + " \t" +
                cells[kColLocalPort]);
    trace.EndLine();
}

void WriteUdpTrace(ITraceSink& trace, const char* protocol, const std::string& local,
                   uint32_t localPort) {
    trace.Write("\n " + std::string(protocol) + " \t" + local + " \t" +
                std::to_string(HostPort(localPort)));
    trace.EndLine();
}

} // namespace hl

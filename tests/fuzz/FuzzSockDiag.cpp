#include "platform/linux/SockDiagParser.h"

#include <cstddef>
#include <cstdint>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <span>
#include <vector>

namespace {

template <typename Socket> void CheckReply(std::span<const std::byte> bytes) {
    std::vector<Socket> rows;
    const hl::DiagParseResult result = hl::ParseSockDiagReply(bytes, rows);
    if (result.status == hl::DiagStatus::Error ? result.error <= 0 : result.error != 0) {
        __builtin_trap();
    }
    if (rows.size() > bytes.size() / (NLMSG_HDRLEN + sizeof(inet_diag_msg))) {
        __builtin_trap();
    }
}

} // namespace

// Any bytes as one reply buffer of a dump and as the answer to an acknowledged request:
// decoding never reads outside the buffer, an error always carries a positive errno value,
// and no more rows come out than the buffer has room for.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(data), size);

    CheckReply<hl::DiagSocket>(bytes);
    CheckReply<hl::DiagSocket6>(bytes);

    const int ack = hl::ParseNetlinkAck(bytes);
    if (ack < -1) {
        __builtin_trap();
    }
    return 0;
}

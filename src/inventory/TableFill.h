#pragma once

#include "inventory/ListOps.h"
#include "inventory/TraceSink.h"
#include "platform/IpHelper.h"
#include "platform/ProcessInfo.h"

#include <cstdint>

namespace hl {

// Reads the UDP endpoints (when showUdp is exactly 1) and then the TCP connections (when
// showTcp is exactly 1) into the list, in the order UDPv6, UDP, TCPv6, TCP, each table from
// its form with owning processes and, when that read does not report 1, from its plain form.
// Rows go in at the top, so the list reads TCP, TCPv6, UDP, UDPv6 from the top, each in
// reverse table order. The list is not emptied first.
void FillTables(IListOps& list, IIpHelper& ipHelper, IProcessInfo& processes, ITraceSink& trace,
                int32_t showTcp, int32_t showUdp);

} // namespace hl

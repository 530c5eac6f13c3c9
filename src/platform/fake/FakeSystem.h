#pragma once

#include "platform/System.h"
#include "platform/fake/FakeIpHelper.h"
#include "platform/fake/FakeProcessInfo.h"

namespace hl {

// Every view it opens forwards to the one scripted table set, so a test scripts `ip` and
// `processes` and watches what the code under test did with them.
class FakeSystem : public ISystem {
public:
    FakeIpHelper ip;
    FakeProcessInfo processes;

    SystemView OpenView() override;
};

} // namespace hl

#pragma once

#include "inventory/ListOps.h"
#include "inventory/TraceSink.h"
#include "platform/MessageBox.h"
#include "platform/System.h"

#include <memory>

namespace hl {

// What a worker reaches outside itself. Every worker keeps its own share of each, so nothing
// it uses can be destroyed under it, not even while the program ends.
//
// `list` and `messageBox` should be handles that the window cuts off when it closes (its list's
// thread-safe operations, a DetachableMessageBox): from then on a worker still waiting or
// running can neither touch the window nor hold up its end.
struct WorkerContext {
    std::shared_ptr<ISystem> system;
    std::shared_ptr<ITraceSink> trace;
    std::shared_ptr<IListOps> list;
    std::shared_ptr<IMessageBox> messageBox; // may be empty: no boxes are shown then
};

} // namespace hl

#pragma once

#include "platform/MessageBox.h"
#include "workers/DetachableTarget.h"

#include <memory>

namespace hl {

// The handle through which workers show their boxes. Boxes go to the target until the owner
// calls Detach(); from then on Show() returns false at once. Detach() does not wait for a box
// that is on screen: ending that box when the window closes is the target's business.
class DetachableMessageBox : public IMessageBox {
public:
    explicit DetachableMessageBox(std::shared_ptr<IMessageBox> target)
        : m_target(std::move(target)) {}

    void Detach() { m_target.Detach(); }

    bool Show(const std::string& text, const std::string& title, MessageIcon icon) override;

private:
    DetachableTarget<IMessageBox> m_target;
};

} // namespace hl

#pragma once

#include "uithread/UiCallQueue.h"

#include <QObject>
#include <memory>

namespace hl {

// The UI-thread end of a UiCallQueue: a window keeps one as a member; the queue runs its
// calls on the pump's thread, and closes when the pump is destroyed.
class UiCallPump : public QObject {
    Q_OBJECT
public:
    UiCallPump();
    ~UiCallPump() override;

    const std::shared_ptr<UiCallQueue>& Queue() const { return m_queue; }
    // Fails every waiting and every later call at once.
    void Close() { m_queue->Close(); }

private:
    std::shared_ptr<UiCallQueue> m_queue;
};

} // namespace hl

#include "uithread/UiCallPump.h"

namespace hl {

UiCallPump::UiCallPump() : m_queue(std::make_shared<UiCallQueue>()) {
    m_queue->Open(this);
}

UiCallPump::~UiCallPump() {
    m_queue->Close();
}

} // namespace hl

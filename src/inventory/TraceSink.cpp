#include "inventory/TraceSink.h"

namespace hl {

void StreamTraceSink::Write(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), m_stream);
}

void CaptureTraceSink::Write(std::string_view text) {
    std::lock_guard lock(m_mutex);
    m_text.append(text);
}

std::string CaptureTraceSink::Text() const {
    std::lock_guard lock(m_mutex);
    return m_text;
}

void CaptureTraceSink::Clear() {
    std::lock_guard lock(m_mutex);
    m_text.clear();
}

} // namespace hl

#include "inventory/TraceSink.h"

namespace hl {

void StreamTraceSink::Write(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), m_stream);
}

void StreamTraceSink::EndLine() {
    if (m_bFlushEachLine) {
        std::fflush(m_stream);
    }
}

void CaptureTraceSink::Write(std::string_view text) {
    std::lock_guard lock(m_mutex);
    m_text.append(text);
}

void CaptureTraceSink::EndLine() {
    std::lock_guard lock(m_mutex);
    ++m_nLines;
}

std::string CaptureTraceSink::Text() const {
    std::lock_guard lock(m_mutex);
    return m_text;
}

int CaptureTraceSink::Lines() const {
    std::lock_guard lock(m_mutex);
    return m_nLines;
}

void CaptureTraceSink::Clear() {
    std::lock_guard lock(m_mutex);
    m_text.clear();
    m_nLines = 0;
}

} // namespace hl

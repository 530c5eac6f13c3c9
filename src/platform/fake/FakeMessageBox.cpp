#include "platform/fake/FakeMessageBox.h"

namespace hl {

bool FakeMessageBox::Show(const std::string& text, const std::string& title, MessageIcon icon) {
    std::lock_guard lock(m_mutex);
    m_boxes.push_back({text, title, icon});
    return m_result;
}

std::vector<FakeMessageBox::Box> FakeMessageBox::Boxes() const {
    std::lock_guard lock(m_mutex);
    return m_boxes;
}

void FakeMessageBox::SetShowResult(bool result) {
    std::lock_guard lock(m_mutex);
    m_result = result;
}

} // namespace hl

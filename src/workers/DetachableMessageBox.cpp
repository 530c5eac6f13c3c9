#include "workers/DetachableMessageBox.h"

namespace hl {

bool DetachableMessageBox::Show(const std::string& text, const std::string& title,
                                MessageIcon icon) {
    auto target = m_target.Get();
    return target ? target->Show(text, title, icon) : false;
}

} // namespace hl

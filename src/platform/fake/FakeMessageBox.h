#pragma once

#include "platform/MessageBox.h"

#include <mutex>
#include <vector>

namespace hl {

// Answers at once and records every box. setShowResult(false) makes Show fail as it does
// while the program closes.
class FakeMessageBox : public IMessageBox {
public:
    struct Box {
        std::string text;
        std::string title;
        MessageIcon icon;
    };

    bool Show(const std::string& text, const std::string& title, MessageIcon icon) override;
    std::vector<Box> Boxes() const;
    void SetShowResult(bool result);

private:
    mutable std::mutex m_mutex;
    std::vector<Box> m_boxes;
    bool m_result = true;
};

} // namespace hl

#pragma once

#include "platform/MessageBox.h"

#include <cstdio>

namespace hl {

// Message boxes for headless use: each box becomes one line on a C stream (standard error by
// default), "<title> [information]: <text>", and Show returns at once. Control characters in
// title and text are written as "?", so a box cannot forge further lines.
class ConsoleMessageBox : public IMessageBox {
public:
    explicit ConsoleMessageBox(std::FILE* stream = stderr) : m_stream(stream) {}

    bool Show(const std::string& text, const std::string& title, MessageIcon icon) override;

private:
    std::FILE* m_stream;
};

} // namespace hl

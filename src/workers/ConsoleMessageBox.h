#pragma once

#include "platform/MessageBox.h"

#include <cstdio>

namespace hl {

// Message boxes for headless use: each box becomes one line on a C stream (standard error by
// default), "<title> [information]: <text>", and Show returns at once. Title and text are
// cleaned as process names are (controls, bidirectional overrides and bytes that are not
// UTF-8 written as "?"), so a box can neither forge further lines nor send a terminal escape.
class ConsoleMessageBox : public IMessageBox {
public:
    explicit ConsoleMessageBox(std::FILE* stream = stderr) : m_stream(stream) {}

    bool Show(const std::string& text, const std::string& title, MessageIcon icon) override;

private:
    std::FILE* m_stream;
};

} // namespace hl

#include "settings/store/RegFileFormat.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    hl::RegDocument document;
    if (!hl::ParseRegFile(text, document)) {
        if (!(document == hl::RegDocument())) {
            __builtin_trap();
        }
        return 0;
    }
    std::string written = hl::WriteRegFile(document);
    hl::RegDocument reread;
    if (!hl::ParseRegFile(written, reread) || !(reread == document)) {
        __builtin_trap();
    }
    if (hl::WriteRegFile(reread) != written) {
        __builtin_trap();
    }
    return 0;
}

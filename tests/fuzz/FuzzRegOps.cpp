#include "settings/store/RegFileFormat.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <fuzzer/FuzzedDataProvider.h>

namespace {

constexpr std::array<hl::RegRoot, 4> kRoots = {hl::kHkeyClassesRoot, hl::kHkeyCurrentUser,
                                               hl::kHkeyLocalMachine, hl::kHkeyUsers};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    hl::RegDocument document;
    while (input.remaining_bytes() > 0) {
        int operation = input.ConsumeIntegralInRange(0, 2);
        hl::RegRoot root = kRoots[input.ConsumeIntegralInRange<size_t>(0, kRoots.size() - 1)];
        std::vector<std::string> path;
        if (!hl::RegSplitKeyPath(input.ConsumeRandomLengthString(64), path)) {
            continue;
        }
        bool created = false;
        if (operation == 0) {
            document.CreateKey(root, path, created);
        } else if (operation == 1) {
            std::string name = input.ConsumeRandomLengthString(32);
            uint32_t type = input.ConsumeIntegral<uint32_t>();
            std::string bytes = input.ConsumeRandomLengthString(64);
            if (hl::RegValidValueName(name)) {
                document.CreateKey(root, path, created)
                    ->SetValue(name, type, std::vector<uint8_t>(bytes.begin(), bytes.end()));
            }
        } else {
            document.DeleteKey(root, path);
        }
    }
    std::string written = hl::WriteRegFile(document);
    hl::RegDocument reread;
    if (!hl::ParseRegFile(written, reread) || !(reread == document) ||
        hl::WriteRegFile(reread) != written) {
        __builtin_trap();
    }
    return 0;
}

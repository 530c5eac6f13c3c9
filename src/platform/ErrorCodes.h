#pragma once

#include <cstdint>

namespace hl {

// System error codes in the Windows numbering that callers and stored results rely on.
// 1 is never used for a failure: it is the success value of the table readers.
enum : uint32_t {
    kErrorSuccess = 0,
    kErrorFileNotFound = 2,
    kErrorAccessDenied = 5,
    kErrorNotEnoughMemory = 8,
    kErrorGenFailure = 31,
    kErrorNotSupported = 50,
    kErrorInvalidParameter = 87,
    kErrorModNotFound = 126,
};

// Maps an errno value to the code above that describes it best.
uint32_t ErrorFromErrno(int err);

// A table reader's result for a failed system call: its error code, never the success
// value 1.
inline int ReaderFailure(uint32_t error) {
    return error == 1 ? static_cast<int>(kErrorGenFailure) : static_cast<int>(error);
}

} // namespace hl

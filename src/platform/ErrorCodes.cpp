#include "platform/ErrorCodes.h"

#include <cerrno>

namespace hl {

uint32_t ErrorFromErrno(int err) {
    switch (err) {
    case EACCES:
    case EPERM:
        return kErrorAccessDenied;
    case ENOENT:
        return kErrorFileNotFound;
    case ENOMEM:
        return kErrorNotEnoughMemory;
    case EPROTONOSUPPORT:
    case EOPNOTSUPP:
    case ENOSYS:
        return kErrorNotSupported;
    default:
        return kErrorGenFailure;
    }
}

} // namespace hl

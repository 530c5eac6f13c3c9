#include "app/OpenRoute.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace hl {

OpenRoute OpenRoute::Choose(unsigned euid, const char* sudoUser, const UidOfUser& uidOf) {
    if (euid != 0) {
        return {Kind::Direct, {}};
    }
    if (sudoUser == nullptr || sudoUser[0] == '\0') {
        return {Kind::Skip, {}};
    }
    const std::optional<unsigned> uid = uidOf(sudoUser);
    if (!uid || *uid == 0) {
        return {Kind::Skip, {}};
    }
    return {Kind::AsUser, sudoUser};
}

OpenRoute OpenRoute::ForThisProcess() {
    return Choose(::geteuid(), std::getenv("SUDO_USER"),
                  [](const std::string& name) -> std::optional<unsigned> {
                      const passwd* entry = ::getpwnam(name.c_str());
                      if (entry == nullptr) {
                          return std::nullopt;
                      }
                      return static_cast<unsigned>(entry->pw_uid);
                  });
}

} // namespace hl

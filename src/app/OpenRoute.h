#pragma once

#include <functional>
#include <optional>
#include <string>

namespace hl {

// Who starts the desktop's program for a document or web address. A viewer, browser or
// office suite is never started as root: run as root through sudo, the invoking user's
// desktop opens it; run as root otherwise, nothing is started.
struct OpenRoute {
    enum class Kind {
        Direct, // this process opens it
        AsUser, // `user` opens it
        Skip    // not opened
    };
    Kind kind = Kind::Direct;
    std::string user;

    using UidOfUser = std::function<std::optional<unsigned>(const std::string& name)>;
    // `sudoUser` is $SUDO_USER (may be null); `uidOf` looks a user up by name.
    static OpenRoute Choose(unsigned euid, const char* sudoUser, const UidOfUser& uidOf);
    // For this process: its effective user, its environment and the user database.
    static OpenRoute ForThisProcess();
};

} // namespace hl

#pragma once

#include "platform/UniqueFd.h"

#include <string>

namespace hl {

// Where a program run by one user keeps that user's files, and how it keeps out of the
// files of others. A program started with sudo may still see another user's HOME or
// XDG_CONFIG_HOME: as root it would then create folders and files there that the user can
// no longer change, or write through a link the user planted. These helpers keep a folder
// the effective user's own.

// The home folder of the effective user as the password database gives it (never from the
// environment); empty when there is none.
std::string OwnHomeFolder();

// Whether `folder` belongs to a user other than the effective one: the folder itself when it
// exists (a symlink by its own owner), or else the nearest existing folder above it, in which
// the missing ones would be created; and, either way, the folder above that one. A path that
// cannot be examined counts as foreign.
bool InForeignFolder(const std::string& folder);

// The folder `chosen` (from the environment), unless the program runs as root and `chosen`
// lies in another user's folder: then `<ownHome>/<homeRelative>/<appName>` in root's own home
// instead, said once per `what` on standard error. Empty when `chosen` is refused and there is
// no own home either.
std::string OwnUserFolder(const std::string& chosen, const std::string& ownHome,
                          const char* homeRelative, const char* appName, const char* what);

// Opens the folder that files are about to be written into. A symlink at `folder` is followed
// only when the link and the folder it leads to both belong to the effective user (a trailing
// '/' changes nothing); otherwise, and when `folder` is no folder, the result is invalid with errno
// EACCES or ENOTDIR.
UniqueFd OpenOwnFolder(const std::string& folder);

// The permission bits for a new file that replaces one of mode `oldMode`: its read and write
// bits only (no execute, setuid, setgid or sticky bit), or 0600 when there was no file.
unsigned ReplacementFileMode(bool hadFile, unsigned oldMode);

} // namespace hl

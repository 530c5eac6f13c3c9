#pragma once

#include <optional>
#include <string>

namespace hl::test {

// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes out of scope.
class TempFolder {
public:
    TempFolder();
    // Under `base` instead; the system's temporary folder when `base` is empty.
    explicit TempFolder(const std::string& base);
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();

    const std::string& Path() const { return m_path; }
    // Path() + "/" + name.
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// Sets (or, for nullptr, removes) one environment variable and restores it when it goes out
// of scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    ~ScopedEnv();

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

// A folder on a memory file system (/dev/shm) when there is one, else empty. There a flush to
// the disk costs nothing, which makes tests of many thousand writes fast.
std::string MemoryFolder();

// The whole content of a file; empty when it cannot be read.
std::string ReadText(const std::string& path);
// Replaces the file's content.
void WriteText(const std::string& path, const std::string& text);
bool Exists(const std::string& path);

} // namespace hl::test

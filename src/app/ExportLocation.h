#pragma once

#include <string>

namespace hl {

// Where the list export goes: "harborlight.csv" in the folder of the running executable,
// or, when nothing can be written there (an installed copy in /usr/bin), in the user's data
// folder "$XDG_DATA_HOME/harborlight/" (default "~/.local/share/harborlight/"). Folders end
// with '/'; an empty one is not used. Run as root, the program writes into neither folder
// when it lies in another user's folder: the executable's folder is skipped, and the data
// folder is root's own.
class ExportLocation {
public:
    static constexpr const char* kFileName = "harborlight.csv";

    ExportLocation() = default;
    ExportLocation(std::string executableFolder, std::string dataFolder,
                   bool exportToExecutableFolder = true)
        : m_executableFolder(std::move(executableFolder)), m_dataFolder(std::move(dataFolder)),
          m_exportToExecutableFolder(exportToExecutableFolder) {}

    // The folders of this process: its /proc/self/exe and its environment.
    static ExportLocation ForThisProcess();

    // The path cut after its last '/', which stays; empty when there is none.
    static std::string FolderOf(const std::string& path);
    // "<data home>/harborlight/": the data home is $XDG_DATA_HOME when that is an absolute
    // path, else "<home>/.local/share"; empty when neither is known.
    static std::string DataFolderFor(const char* xdgDataHome, const char* home);

    const std::string& ExecutableFolder() const { return m_executableFolder; }
    const std::string& DataFolder() const { return m_dataFolder; }
    // False when the executable's folder is not to be written into, only read from.
    bool ExportToExecutableFolder() const { return m_exportToExecutableFolder; }

private:
    std::string m_executableFolder;
    std::string m_dataFolder;
    bool m_exportToExecutableFolder = true;
};

} // namespace hl

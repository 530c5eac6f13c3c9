#include "app/ListExport.h"

#include "inventory/CsvFormat.h"
#include "platform/FileReplacer.h"

#include <sys/stat.h>

namespace hl {
namespace {

// A data folder made for the export is the user's own.
constexpr mode_t kDataFolderMode = 0700;

} // namespace

ExportResult ListExport::Write(IListOps& list) const {
    const std::string csv = ListToCsv(list);
    FileReplacer replacer(m_files);
    ExportResult result;
    for (const std::string* folder : {&m_location.ExecutableFolder(), &m_location.DataFolder()}) {
        if (folder->empty() ||
            (folder == &m_location.ExecutableFolder() && !m_location.ExportToExecutableFolder())) {
            continue;
        }
        result.path = *folder + ExportLocation::kFileName;
        if (folder == &m_location.DataFolder() && !m_files.MakeFolders(*folder, kDataFolderMode)) {
            continue;
        }
        switch (replacer.Replace(*folder, ExportLocation::kFileName, csv)) {
        case ReplaceResult::Replaced:
            result.written = true;
            return result;
        case ReplaceResult::WriteFailed:
            return result;
        case ReplaceResult::NotCreated:
            break;
        }
    }
    return result;
}

} // namespace hl

#pragma once

#include "app/ExportLocation.h"
#include "inventory/ListOps.h"
#include "platform/Files.h"

#include <string>

namespace hl {

// The outcome of one export: the path of the file (the one written, or the one the viewer
// is to show when nothing could be written) and whether the file now holds the list.
struct ExportResult {
    std::string path;
    bool written = false;
};

// Writes the connection list as CSV (see CsvFormat.h) to the export file, replacing it whole
// or not at all. The executable's folder is tried first; when no file can be created there,
// the data folder (created when missing). A failure after the file was created keeps the
// previous file and tries no other folder.
class ListExport {
public:
    ListExport(IFiles& files, ExportLocation location)
        : m_files(files), m_location(std::move(location)) {}

    ExportResult Write(IListOps& list) const;

private:
    IFiles& m_files;
    ExportLocation m_location;
};

} // namespace hl

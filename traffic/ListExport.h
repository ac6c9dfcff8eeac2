#pragma once
// "Save list as...": the traffic list as a text file, one line per entry in
// the form Ctrl+C copies (time, tag, content in notation), in the 8-bit code
// page with CR LF line ends like the data log; or as CSV (CsvRows.h), a row
// per entry with its date, direction, length, content, block check and reply
// time in columns.
//
// The file is written through SafeFileWriter in pieces of about a MiB, so an
// export of any size needs little memory: into a temporary file beside the
// target, renamed over it at the end. A failed or cancelled export leaves
// what stood at the path as it was.
#include <cstdint>
#include <functional>
#include <string>

#include "core/SafeFile.h"

class TrafficListModel;

// Called every few thousand entries with the number written so far; false
// cancels the export.
using ExportProgress = std::function<bool(std::uint64_t written)>;

enum class ExportFormat { Text, Csv };

struct ExportResult {
  FileStatus status;
  bool cancelled = false;
  bool listCleared = false;  // "Delete list" ran meanwhile
};

// Writes entries 0 .. count - 1 (at most the entries the model holds). May
// run on a thread of its own while entries arrive; if the list is deleted
// meanwhile, the export stops and writes nothing.
ExportResult ExportList(const TrafficListModel& model, std::uint64_t count, const std::string& path,
                        const ExportProgress& progress, ExportFormat format = ExportFormat::Text);

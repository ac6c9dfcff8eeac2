#pragma once
// What the operator does with the traffic list as a whole: copy the selected
// entries to the clipboard, and "Save list as...".
#include <QtGlobal>
#include <cstddef>

// Beyond this much text a copy is refused with a pointer to "Save list as...":
// a clipboard is no place for it, and building it would hold the window up.
inline constexpr std::size_t kClipboardLimitMiB = 16;
inline constexpr std::size_t kClipboardLimit = kClipboardLimitMiB << 20;

class EntrySelection;
class ShownEntries;
class QWidget;
class TrafficListModel;

// The selected entries that are shown, one line each in notation, to the
// clipboard; a copy beyond 16 MiB is refused with a message pointing to
// "Save list as...". With `rows` (a filter's), the selection counts rows.
void CopyEntries(const TrafficListModel& model, const EntrySelection& selection, const ShownEntries* rows = nullptr);

// Asks for a file and writes every entry shown now to it, as text or, for a
// name ending in ".csv" (the CSV choice of the dialog), as CSV. The entries are
// formatted and written on a thread of their own while entries go on
// arriving; a progress dialog with Cancel comes up after a second. Returns
// when the file is written, cancelled or has failed (reported here).
void SaveListAs(QWidget* parent, const TrafficListModel& model);

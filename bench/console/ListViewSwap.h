#pragma once
// For finding out where the console's time goes: runs can swap the view that
// shows the traffic list. "console" keeps the window's own list view; "none"
// detaches it from the model, leaving the receive path alone; "table" puts a
// QTableView set up as a one-column list (fixed row height, no headers, no
// grid) in its place, on the same model. The "-throttled" forms show new
// rows at most every 50 ms (ThrottledListModel) instead of once per batch.
#include <optional>
#include <string>

class frmMain;

enum class ListViewChoice { Console, ConsoleThrottled, None, Table, TableThrottled };

std::optional<ListViewChoice> ParseListViewChoice(const std::string& text);

// False if the window has no view named lstSendReceive.
bool UseListView(frmMain& window, ListViewChoice choice);

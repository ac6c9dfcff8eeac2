#pragma once
// The operator's tools on the traffic list beyond the window's design, none
// of which moves a control of the design: "Save list as..." at the end of the
// File menu; Copy (Ctrl+C), Find (Ctrl+F) and "Copy as hex" (Ctrl+Shift+C)
// at the end of the Edit menu; a find bar below the menu bar that exists only once Ctrl+F has opened it; and
// a permanent panel at the right of the status bar with the counters and the
// reply times.
//
// While the find bar shows, the window is taller by its height in the normal
// state, so every control of the design keeps its place and size; a
// maximized window gives the traffic list that much less height instead. The
// window does that re-fitting (FitFindBar); the tools say when.
#include <QObject>
#include <functional>

class CountersPanel;
class FilterTools;
class FindBar;
class QAction;
class QMainWindow;
class QMenu;
class TrafficSession;
class TrafficView;

class ListTools : public QObject {
  Q_OBJECT

 public:
  // After the bar was shown or hidden: the window's outer height before, and
  // by how much the bar changed it (negative when hidden).
  using FitFindBar = std::function<void(int heightBefore, int change)>;

  // Adds the menu entries and the counters panel to `window`; every argument
  // outlives the tools.
  ListTools(QMainWindow& window, QMenu& fileMenu, QMenu& editMenu, TrafficSession& session, TrafficView& view,
            FitFindBar fit);

  void ApplyLanguageTexts();
  CountersPanel& Counters() { return *stbCounters; }

  // Copies the selected entries, one line each in notation, to the clipboard.
  void CopySelection();
  // Copies the selected entries as hex dumps to the clipboard.
  void CopySelectionAsHex();
  // Asks for a file and writes every entry listed now to it.
  void mnuFileSaveList_Click();
  // Opens the find bar (creating it the first time) with the focus in its field.
  void ShowFindBar();
  void HideFindBar();
  // The next (or previous) entry holding the find bar's text; selects it
  // (see FindBar::Step). Nothing before the bar was first opened.
  void FindStep(bool forward);
  bool FindRunning() const;
  // The height of the find and filter bars that show, 0 if none.
  int FindBarHeight() const;
  FilterTools& Filter() { return *filterTools_; }

 signals:
  // F1 to F8 in the find bar, as a virtual-key code.
  void CommandKeyPressed(int keyCode);

 private:
  QMainWindow& window_;
  TrafficSession& session_;
  TrafficView& view_;
  FitFindBar fit_;
  QAction* mnuFileSaveList = nullptr;
  QAction* mnuEditCopy = nullptr;
  QAction* mnuEditFind = nullptr;
  QAction* mnuEditCopyHex = nullptr;
  CountersPanel* stbCounters = nullptr;
  FindBar* findBar_ = nullptr;  // made by the first ShowFindBar
  FilterTools* filterTools_ = nullptr;
  bool exporting_ = false;
};

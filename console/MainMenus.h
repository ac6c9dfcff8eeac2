#pragma once
// The main window's menu bar, with the design's names: File (load and save a
// command file, quit), Edit (settings) and "?" (program info). The window
// connects the entries; the tools on the list add theirs at the ends of File
// and Edit.
class QAction;
class QMenu;
class QMenuBar;

struct MainMenus {
  // Builds the menus in `bar`; their texts come with ApplyLanguageTexts.
  explicit MainMenus(QMenuBar& bar);
  void ApplyLanguageTexts() const;

  QMenu* mnuFile;
  QAction* mnuFileLoadConfig;
  QAction* mnuFileSaveConfig;
  QAction* mnuFileQuit = nullptr;
  QMenu* mnuEdit;
  QAction* mnuEditSettings;
  QMenu* mnuQuestion;
  QAction* mnuQuestionProgramInfo;
};

#pragma once
// Edit > "Repeat...": what to send again and again (the send line as the send
// button sends it, or a command slot as its button sends it), every how long
// (1 ms to 24 h), and how often (a count, or until stopped).
//
// The dialog only asks. Its fields are read by ReadRepeatInput, which says
// in the operator's words what is wrong with them; the dialog then shows that
// and stays open on the field to mend. The text to send is taken when the
// dialog opens: a repeat sends what the operator saw when it started.
#include <QDialog>
#include <chrono>
#include <cstdint>
#include <string>
#include <variant>

#include "console/CommandFile.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

// What can be repeated now: the send line with its prefix and suffix as the
// send button would send it (empty when the send line is), and the slots' texts.
struct RepeatSources {
  std::string sendLine;
  CommandTexts commands;
};

enum class RepeatUnit { Milliseconds, Seconds, Minutes, Hours };
inline constexpr int kRepeatUnitCount = 4;

// The dialog's fields as the operator left them.
struct RepeatInput {
  int source = 0;  // 0 the send line, 1..8 command slot F1..F8
  std::string period;
  RepeatUnit unit = RepeatUnit::Milliseconds;
  std::string count;
  bool untilStopped = false;
};

struct RepeatRequest {
  int source = 0;    // as in RepeatInput
  std::string line;  // sent each time
  std::chrono::milliseconds period{};
  std::string periodText;   // as given, with its unit: "500 ms"
  std::uint64_t count = 0;  // 0: until stopped
};

// Which field a reading error is about.
enum class RepeatField { Source, Period, Count };
struct RepeatInputError {
  RepeatField field;
  std::string text;
};

inline constexpr std::uint64_t kRepeatMaxCount = 1'000'000'000;

// The request the fields make, or what is wrong with them.
std::variant<RepeatRequest, RepeatInputError> ReadRepeatInput(const RepeatInput& input, const RepeatSources& sources);

// "Repeating F1 every 500 ms: 12 of 100" and its forms: the send line, no
// count, times skipped. The second: the short form for a narrow status bar.
std::string RepeatStatusText(const RepeatRequest& request, std::uint64_t sent, std::uint64_t skipped);
std::string RepeatStatusShortText(const RepeatRequest& request, std::uint64_t sent);

class RepeatDialog : public QDialog {
 public:
  // The fields start as `last` left them (a first opening: the send line, or
  // F1 when it is empty, every 500 ms, 100 times).
  RepeatDialog(RepeatSources sources, const RepeatInput& last, QWidget* parent);

  // After it was accepted: what to repeat, and the fields for the next opening.
  const RepeatRequest& Request() const { return request_; }
  RepeatInput Input() const;

 private:
  void cmdRepeatStart_Click();

  RepeatSources sources_;
  RepeatRequest request_;
  QComboBox* cboRepeatSource = nullptr;
  QLineEdit* txtRepeatPeriod = nullptr;
  QComboBox* cboRepeatUnit = nullptr;
  QLineEdit* txtRepeatCount = nullptr;
  QCheckBox* chkRepeatUntilStopped = nullptr;
  QPushButton* cmdRepeatStart = nullptr;
  QPushButton* cmdRepeatCancel = nullptr;
};

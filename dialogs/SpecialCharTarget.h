#pragma once
// The fields into which the special-character picker can insert a token.
// Target 0 is the settings dialog's prefix field, 1 its suffix field, 2 the
// main window's send line. The window that owns a field registers it while
// the field exists; bytSpecialCharTarget names the target of the picker that
// is open (or was opened last).
//
// A line edit drops its selection when it loses the focus, as it does when
// the operator presses the button that opens the picker. A registered field
// therefore remembers the selection it had when it last lost the focus, so
// that the token can replace it.
#include <cstdint>

class QLineEdit;

inline constexpr int kSpecialCharTargetPrefix = 0;
inline constexpr int kSpecialCharTargetReadjust = 1;
inline constexpr int kSpecialCharTargetSend = 2;

extern std::uint8_t bytSpecialCharTarget;

// Registers `field` as target `target` (0, 1 or 2); nullptr unregisters.
// Other target numbers are ignored.
void SetSpecialCharTargetField(int target, QLineEdit* field);

// The registered field, or nullptr when none is registered or it is gone.
QLineEdit* SpecialCharTargetField(int target);

// Selects again what the target field had selected when it last lost the
// focus, if its text has not changed since and nothing is selected now.
void RestoreSpecialCharTargetSelection(int target);

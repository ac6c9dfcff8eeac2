#pragma once
// Where each control of the main window sits and how it follows the window's
// size. Places are in twips: the design geometry at the window's minimum
// size, relative to the client area. Beyond the minimum, the right-hand
// column and the bottom row keep their distance to the window's right and
// bottom edges, and the send line and the list grow with it.
#include <QSize>
#include <array>

class QWidget;

// The outer window size below which the layout is held (twips).
inline constexpr int kMainMinWidth = 10770;
inline constexpr int kMainMinHeight = 9090;
// The window the geometry was designed for had a frame (border, title and
// menu bar) of 120 x 810 twips around its client area. The layout measures
// the client area and adds this nominal frame, so every control keeps its
// design distance to the client edges whatever the window manager draws.
inline constexpr int kMainFrameWidth = 120;
inline constexpr int kMainFrameHeight = 810;

struct ControlPlace {
  const char* name = "";  // the control's objectName
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  // For a larger window, from its outer size w x h in twips (0: as it was):
  int leftFromRight = 0;     // left = w - leftFromRight
  int topFromBottom = 0;     // top = h - topFromBottom
  int widthFromRight = 0;    // width = w - widthFromRight
  int heightFromBottom = 0;  // height = h - heightFromBottom
};

// Every control of the client area but the command slots.
inline constexpr std::array<ControlPlace, 12> kMainWindowPlaces = {{
    {"labSendText", 60, 120, 1620, 195},
    {"txtSend", 60, 360, 6915, 285, 0, 0, 3855},
    {"cmdInsertSpecialChar", 4560, 30, 2415, 315, 6210},
    {"cmdBlockcheck", 7080, 30, 3495, 315, 3690},
    {"cmdSend", 7080, 390, 3480, 405, 3690},
    {"labSendReceiveText", 60, 690, 2700, 195},
    {"lstSendReceive", 60, 930, 6915, 6180, 0, 0, 3855, 2910},
    {"fraCommands", 7080, 840, 3495, 6285, 3690},
    {"cmdDelete", 60, 7170, 2400, 315, 0, 1920},
    {"cmdQuit", 7080, 7170, 3480, 375, 3690, 1920},
    {"chkDatalogging", 120, 7560, 1755, 255, 0, 1530},
    // Its top follows the bottom edge 30 twips above its design place.
    {"txtFilename", 2040, 7560, 4875, 315, 0, 1560},
}};

// Command slot n (0..7) in the frame: its button, and its field below it.
inline constexpr ControlPlace SlotButtonPlace(int n) { return {"", 120, 240 + 750 * n, 3300, 315}; }
inline constexpr ControlPlace SlotFieldPlace(int n) { return {"", 120, 570 + 750 * n, 3300, 315}; }

// Puts the control at its design place.
void PlaceControl(QWidget& control, const ControlPlace& place);
// Moves and sizes the control for the window's outer size (twips).
void FollowWindowSize(QWidget& control, const ControlPlace& place, QSize outerTwips);

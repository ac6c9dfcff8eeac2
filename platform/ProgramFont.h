#pragma once
// The program's two fonts, set in one place for the program and its tests.
#include <QFont>

// Every control's font. The window geometry was designed for a narrow
// 8-point dialog font whose text is about 10 pixels high. DejaVu Sans
// Condensed (Debian's fonts-dejavu-extra) at 7.5 points, 10 pixels at 96 dpi,
// keeps every caption of every window within its control in both languages;
// DejaVu Sans at 8 points cuts German captions off, and so does a face with
// Arial's widths at 8 points.
inline QFont DialogFont() {
  QFont font(QStringLiteral("DejaVu Sans Condensed"));
  font.setPointSizeF(7.5);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

// The fixed-pitch face for the send line and the traffic list.
inline QFont ConsoleFont() {
  QFont font(QStringLiteral("DejaVu Sans Mono"));
  font.setStyleHint(QFont::TypeWriter);
  font.setPointSize(9);
  return font;
}

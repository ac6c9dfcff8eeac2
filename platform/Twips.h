#pragma once
// Window geometry is designed in twips: 1/1440 inch, 15 twips to a pixel at
// 96 dpi. Every design value is a multiple of 15, so the conversion is exact.
#include <QRect>

inline constexpr int kTwipsPerPixel = 15;

constexpr int Px(int twips) { return twips / kTwipsPerPixel; }
constexpr int Twips(int pixels) { return pixels * kTwipsPerPixel; }

inline QRect TwipsRect(int left, int top, int width, int height) { return {Px(left), Px(top), Px(width), Px(height)}; }

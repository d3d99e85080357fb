// Layouts are given in twips: 1/1440 inch, 15 to a pixel at 96 dots per inch.
#pragma once

#include <QRect>
#include <cmath>

inline int TwipsToPixels(int twips) { return static_cast<int>(std::lround(twips / 15.0)); }

inline QRect Twips(int left, int top, int width, int height) {
  return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width), TwipsToPixels(height));
}

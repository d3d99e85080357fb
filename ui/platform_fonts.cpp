#include "ui/platform_fonts.h"

#include <QApplication>
#include <QFont>

namespace {

constexpr const char* kWindowsFamilies[] = {"MS Sans Serif", "Microsoft Sans Serif", "Arial"};
// Arial's metrics with Cyrillic letters (fonts-liberation2). Microsoft Sans Serif's widths follow
// Arial's closely; the only exact match of MS Sans Serif, Wine's bitmap copy, has a single
// 13-pixel size and would draw the 8.25 pt controls too large.
constexpr const char* kPlatformFamily = "Liberation Sans";
constexpr double kDialogPoints = 8.25;

}  // namespace

void UsePlatformFonts() {
  for (const char* family : kWindowsFamilies)
    QFont::insertSubstitution(QString::fromLatin1(family), QString::fromLatin1(kPlatformFamily));
  QFont dialog_font(QString::fromLatin1(kWindowsFamilies[0]));
  dialog_font.setPointSizeF(kDialogPoints);
  QApplication::setFont(dialog_font);
}

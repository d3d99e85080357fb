// Every caption the user sees is shown whole: no label, button or check box of the three windows
// is narrower than its text in the fonts the windows' font names map to on this platform.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontInfo>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionButton>

#include "app/main_window.h"
#include "serial/config_dialog.h"
#include "serial/port_settings.h"
#include "tools/testbed/qt_application.h"
#include "transfer/ft_stat.h"

namespace {

// The width a control leaves its caption: a label's contents, a check box's room beside its
// indicator, a button's face less the frame and margins that Qt's own size hint adds.
int CaptionRoom(QWidget* control) {
  if (auto* label = qobject_cast<QLabel*>(control)) return label->contentsRect().width() - 2 * label->margin();
  auto* button = qobject_cast<QAbstractButton*>(control);
  QStyleOptionButton option;
  option.initFrom(button);
  option.text = button->text();
  QStyle* style = button->style();
  if (qobject_cast<QCheckBox*>(button))
    return style->subElementRect(QStyle::SE_CheckBoxContents, &option, button).width();
  return button->width() - style->pixelMetric(QStyle::PM_ButtonMargin, &option, button) -
         2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, button);
}

QString Caption(QWidget* control) {
  if (auto* label = qobject_cast<QLabel*>(control)) return label->text();
  return static_cast<QAbstractButton*>(control)->text();
}

// The captions of `window` that the user can see: shown, and inside the window's visible area.
void ExpectCaptionsFit(QWidget* window) {
  window->show();
  for (QWidget* control : window->findChildren<QWidget*>()) {
    if (!qobject_cast<QLabel*>(control) && !qobject_cast<QAbstractButton*>(control)) continue;
    const QRect placed(control->mapTo(window, QPoint()), control->size());
    if (!control->isVisibleTo(window) || !window->rect().intersects(placed) || Caption(control).isEmpty()) continue;
    EXPECT_LE(control->fontMetrics().horizontalAdvance(Caption(control)), CaptionRoom(control))
        << Caption(control).toStdString() << " in " << QFontInfo(control->font()).family().toStdString() << " "
        << control->font().pointSizeF() << " pt";
  }
}

}  // namespace

TEST(Captions, EveryVisibleCaptionFitsItsControl) {
  testbed::EnsureApplication();
  frmMain main_window;
  ExpectCaptionsFit(&main_window);
  Config settings(PortSettings, false, &main_window);
  ExpectCaptionsFit(&settings);
  FtStat progress(&main_window, [] { return QString(); });
  ExpectCaptionsFit(&progress);
}

// A label that acts as a link: hand pointer, clicked() on a left click.
#pragma once

#include <QLabel>

class MailLink : public QLabel {
  Q_OBJECT

 public:
  using QLabel::QLabel;

 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

#include "ui/message_box.h"

#include <QApplication>
#include <QMessageBox>

namespace {

MessageHandler& CurrentHandler() {
  static MessageHandler handler;
  return handler;
}

void ShowBox(MessageIcon icon, const QString& text) {
  const QMessageBox::Icon shown = icon == MessageIcon::Warning       ? QMessageBox::Warning
                                  : icon == MessageIcon::Information ? QMessageBox::Information
                                                                     : QMessageBox::NoIcon;
  QMessageBox box(shown,
                  QString::fromUtf8(kApplicationTitle), QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                  QMessageBox::Ok, QApplication::activeWindow());
  box.setTextFormat(Qt::PlainText);  // messages carry names from the phone and paths
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

}  // namespace

void ShowMessage(MessageIcon icon, const QString& text) {
  // A copy: the handler may replace itself while it runs.
  const MessageHandler handler = CurrentHandler();
  if (handler)
    handler(icon, text);
  else
    ShowBox(icon, text);
}

MessageHandler SetMessageHandler(MessageHandler handler) {
  MessageHandler previous = std::move(CurrentHandler());
  CurrentHandler() = std::move(handler);
  return previous;
}

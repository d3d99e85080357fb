#include "serial/serial_errors.h"

#include "app/message_box.h"
#include "sio/sio.h"

std::optional<QString> SerialErrorText(int result) {
  switch (result) {
    case -1: return QStringLiteral("Номер порта недопустим, или порт не открыт заранее");
    case -2:
    case -9: return QStringLiteral("Данная функция не поддерживается");
    case -4: return QStringLiteral("Нет данных для чтения");
    case -5: return QStringLiteral("Порт не существует или занят другой программой");
    case -6: return QStringLiteral("RTS не могут быть установлены потому что H/W Flowctrl");
    case -7: return QStringLiteral("Неправильный параметр");
    case -8: return std::nullopt;
    case -11: return QStringLiteral("Write has blocked, and user abort write");
    case -12: return QStringLiteral("Время ожидания записи истекло");
    default: return QStringLiteral("Неизвестная ошибка:") + QString::number(result);
  }
}

QString SystemErrorText(int error_number) {
  // The platform's text comes in the locale's own encoding.
  const QString text = QString::fromLocal8Bit(sio_error_text(error_number));
  return text.isEmpty() ? QString::number(error_number) : text;
}

void ShowSerialError(int result, int error_number) {
  if (const auto text = SerialErrorText(result))
    ShowMessage(MessageIcon::Warning, *text);
  else
    ShowSystemError(error_number);
}

void ShowSystemError(int error_number) { ShowMessage(MessageIcon::Warning, SystemErrorText(error_number)); }

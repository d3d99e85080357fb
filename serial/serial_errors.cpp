#include "serial/serial_errors.h"

#include "ui/message_box.h"
#include "sio/sio.h"

std::optional<QString> SerialErrorText(int result) {
  switch (result) {
    case SIO_BADPORT: return QStringLiteral("Номер порта недопустим, или порт не открыт заранее");
    case SIO_NOTSUPPORT:
    case SIO_BOARDNOTSUPPORT: return QStringLiteral("Данная функция не поддерживается");
    case SIO_NODATA: return QStringLiteral("Нет данных для чтения");
    case SIO_OPENFAIL: return QStringLiteral("Порт не существует или занят другой программой");
    case SIO_OUTCONTROL: return QStringLiteral("RTS не могут быть установлены потому что H/W Flowctrl");
    case SIO_BADPARM: return QStringLiteral("Неправильный параметр");
    case SIO_WIN32FAIL: return std::nullopt;
    case SIO_ABORTWRITE: return QStringLiteral("Write has blocked, and user abort write");
    case SIO_WRITETIMEOUT: return QStringLiteral("Время ожидания записи истекло");
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

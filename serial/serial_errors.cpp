#include "serial/serial_errors.h"

#include "serial/port_settings.h"
#include "ui/message_box.h"
#include "sio/sio.h"

namespace {

// Who may open the device, and how to become one of them.
QString AccessDeniedText(const QString& group) {
  const QString whose = group.isEmpty() ? QStringLiteral("в группу, которой принадлежит устройство порта")
                                        : QStringLiteral("в группу «%1»").arg(group);
  return QStringLiteral("Нет доступа к порту: у пользователя нет прав на устройство. Добавьте пользователя %1 "
                        "(sudo adduser $USER %2) и войдите в систему заново")
      .arg(whose, group.isEmpty() ? QStringLiteral("<группа>") : group);
}

QString RefusedText(const QString& setting) {
  return QStringLiteral("Порт не принял настройку «%1». Выберите другое значение в «Настройка соединения...»")
      .arg(setting);
}

}  // namespace

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
    case SIO_ACCESSDENIED: return AccessDeniedText(QString::fromLocal8Bit(sio_port_group(PortSettings.Port)));
    case SIO_GONE:
      return QStringLiteral("Связь с телефоном потеряна: устройство порта отключено. Проверьте кабель и откройте порт снова");
    case SIO_SPEEDREFUSED: return RefusedText(QStringLiteral("скорость"));
    case SIO_PARITYREFUSED: return RefusedText(QStringLiteral("чётность"));
    case SIO_DATABITSREFUSED: return RefusedText(QStringLiteral("биты данных"));
    case SIO_STOPBITSREFUSED: return RefusedText(QStringLiteral("стоповые биты"));
    case SIO_FLOWREFUSED: return RefusedText(QStringLiteral("управление потоком"));
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

#include "tools/vokarel-cli/memo_text.h"

#include "phone/windows1251.h"

namespace cli {
namespace {

std::string Utf8(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace

std::string DisplayUtf8(const MemoNames& memo) { return Utf8(FromWindows1251(memo.display)); }

std::string PrintableText(const std::string& bytes) {
  QString text = FromWindows1251(bytes);
  for (QChar& c : text)
    if (c.category() == QChar::Other_Control) c = u'?';
  return Utf8(text);
}

std::string MessageLine(const QString& text) {
  return Utf8(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("; ")));
}

}  // namespace cli

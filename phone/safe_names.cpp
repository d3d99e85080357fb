#include "phone/safe_names.h"

#include "phone/windows1251.h"
#include "sio/names.h"

bool IsSafeFileName(const std::string& name) {
  // The library's rule for an announced name keeps only a last component; a safe name is one
  // it keeps whole.
  auto stored = sio::stored_name_for(name);
  return stored && *stored == name;
}

std::string DisplayFileName(const std::string& display_name) {
  if (!IsSafeFileName(display_name)) return {};
  const QByteArray utf8 = FromWindows1251(display_name).toUtf8();
  std::string name(utf8.constData(), static_cast<std::size_t>(utf8.size()));
  return IsSafeFileName(name + ".amr") ? name : std::string();
}

bool NamesAreSafe(const MemoNames& memo) { return !DisplayFileName(memo.display).empty() && IsSafeFileName(memo.raw); }

bool AnnouncesMemo(const std::string& announced, const MemoNames& memo) {
  return !announced.empty() && (announced == memo.raw || announced == memo.raw.substr(0, kAnnouncedNameBytes));
}

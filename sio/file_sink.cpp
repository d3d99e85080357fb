#include "sio/file_sink.h"

#include "sio/names.h"
#include "sio/result.h"

namespace sio {

DiskSink::DiskSink(std::string folder, std::string& stored_name)
    : folder_(std::move(folder)), stored_name_(&stored_name) {
  stored_name.clear();
}

int DiskSink::open(const std::string& announced) {
  auto name = stored_name_for(announced);
  if (!name || !stored_name_) return SIOFT_FOPEN;
  int opened = file_.open(folder_ + "/" + *name);
  if (opened == 0) *stored_name_ = *name;
  return opened;
}

}  // namespace sio

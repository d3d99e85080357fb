#include "sio/zmodem/drivers.h"

#include <algorithm>
#include <span>

#include "sio/driver.h"
#include "sio/file_sink.h"
#include "sio/outgoing_file.h"
#include "sio/result.h"
#include "sio/transfers.h"
#include "sio/zmodem/session.h"

namespace sio::zmodem {
namespace {

// The file to send: the sender asks for a subpacket at a time, from where the receiver wants it.
class FileSource : public SendSource {
 public:
  explicit FileSource(OutgoingFile& file) : file_(file) {}
  int read_at(std::uint32_t position, std::uint8_t* buf, std::size_t len) override {
    std::span<const std::uint8_t> bytes;
    if (int result = file_.read_at(position, len, bytes); result < 0) return result;
    std::copy(bytes.begin(), bytes.end(), buf);
    return static_cast<int>(bytes.size());
  }

 private:
  OutgoingFile& file_;
};

}  // namespace

int receive(ByteChannel& channel, const std::string& folder, std::string& stored_name, const ProgressFn& progress,
            const Timing& timing) {
  DiskSink sink(folder, stored_name);
  Receiver core(sink, timing);
  Session session(core);
  int result = run_transfer(channel, session, progress);
  if (result != SIOFT_OK) stored_name.clear();
  return result;
}

int send(ByteChannel& channel, const std::string& path, const ProgressFn& progress, const Timing& timing,
         const std::string& announced_name) {
  OutgoingFile file;
  if (int result = file.open(path, announced_name); result < 0) return result;
  if (file.size() > 0x7FFFFFFF) return SIOFT_FOPEN;  // positions are 32-bit
  FileSource source(file);
  Sender core(source, file.name(), static_cast<std::uint32_t>(file.size()), file.mtime(), timing);
  Session session(core);
  return run_transfer(channel, session, progress);
}

}  // namespace sio::zmodem

namespace sio {

int zmodem_receive(ByteChannel& channel, const std::string& folder, std::string& stored_name, const ProgressFn& progress) {
  return zmodem::receive(channel, folder, stored_name, progress, zmodem::Timing{});
}

int zmodem_send(ByteChannel& channel, const std::string& path, const ProgressFn& progress,
                const std::string& announced_name) {
  return zmodem::send(channel, path, progress, zmodem::Timing{}, announced_name);
}

}  // namespace sio

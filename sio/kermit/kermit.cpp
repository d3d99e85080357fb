#include "sio/kermit/kermit.h"

#include <algorithm>
#include <span>

#include "sio/file_sink.h"
#include "sio/kermit/link.h"
#include "sio/kermit/receiver.h"
#include "sio/kermit/sender.h"
#include "sio/outgoing_file.h"
#include "sio/result.h"
#include "sio/transfers.h"

namespace sio::kermit {
namespace {

class FileSource : public DataSource {
 public:
  explicit FileSource(OutgoingFile& file) : file_(file) {}
  long read(std::uint8_t* buf, std::size_t len) override {
    std::span<const std::uint8_t> bytes;
    if (int result = file_.read(len, bytes); result < 0) return result;
    std::copy(bytes.begin(), bytes.end(), buf);
    return static_cast<long>(bytes.size());
  }

 private:
  OutgoingFile& file_;
};

}  // namespace

int send_file(ByteChannel& channel, const std::string& path, const ProgressFn& progress, const Timing& timing,
              const std::string& announced_name) {
  OutgoingFile file;
  if (int result = file.open(path, announced_name); result < 0) return result;
  FileSource source(file);
  Sender sender(file.name(), file.size(), source, timing);
  return run_endpoint(channel, sender, progress);
}

int receive_file(ByteChannel& channel, const std::string& folder, std::string& stored_name, const ProgressFn& progress,
                 const Timing& timing) {
  DiskSink sink(folder, stored_name);
  Receiver receiver(sink, timing);
  int result = run_endpoint(channel, receiver, progress);
  if (result != 0) sink.discard();
  return result;
}

}  // namespace sio::kermit

namespace sio {

int kermit_send(ByteChannel& channel, const std::string& path, const ProgressFn& progress,
                const std::string& announced_name) {
  return kermit::send_file(channel, path, progress, kermit::Timing{}, announced_name);
}

int kermit_receive(ByteChannel& channel, const std::string& folder, std::string& stored_name,
                   const ProgressFn& progress) {
  return kermit::receive_file(channel, folder, stored_name, progress, kermit::Timing{});
}

}  // namespace sio

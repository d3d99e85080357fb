// YMODEM: the batch layer over XMODEM blocks. Each file is announced in block 0 (name and
// length); an empty block 0 ends the batch.
#include <algorithm>
#include <optional>

#include "sio/file_sink.h"
#include "sio/result.h"
#include "sio/xmodem/file_assembler.h"
#include "sio/xmodem/receive_loop.h"
#include "sio/xmodem/send_loop.h"
#include "sio/xmodem/xmodem.h"
#include "sio/xmodem/ymodem_header.h"

namespace sio::xmodem {
namespace {

// Stores the batch's first file; the files after it are received and dropped.
class BatchSink : public ReceiveSink {
 public:
  explicit BatchSink(DiskSink& file) : file_(file) {}

  int on_header(std::span<const std::uint8_t> block) override {
    auto header = parse_ymodem_header(block);
    if (!header) return SIOFT_PROTOCOL;
    if (taken_) {
      current_.emplace(nullptr, header->length);
      return 0;
    }
    if (int result = file_.open(header->name); result < 0) return result;
    taken_ = true;
    current_.emplace(&file_, header->length);
    return 0;
  }

  int on_data(std::span<const std::uint8_t> block) override { return current_->add(block); }

  int on_end_of_file() override {
    if (int result = current_->finish(); result < 0) return result;
    if (file_.is_open()) stored_ = true;
    return 0;
  }

  long done() const override { return stored_ || !current_ ? file_.size() : current_->received(); }
  long total() const override { return stored_ || !current_ ? file_.size() : std::max(0L, current_->length()); }

  bool stored() const { return stored_; }

 private:
  DiskSink& file_;
  std::optional<FileAssembler> current_;
  bool taken_ = false;  // the first file was opened
  bool stored_ = false;
};

}  // namespace

int send_batch(ByteChannel& channel, const std::string& path, const ProgressFn& progress, const SenderTiming& timing,
               const std::string& announced_name) {
  OutgoingFile file;
  if (int result = file.open(path, announced_name); result < 0) return result;
  FileSource source(file);
  SenderCore core(source, file.size(), true, ymodem_header_bytes(file.name(), file.size(), file.mtime()), timing);
  return run_sender(channel, core, progress);
}

int receive_batch(ByteChannel& channel, const std::string& folder, std::string& stored_name,
                  const ProgressFn& progress, const ReceiverTiming& timing) {
  DiskSink file(folder, stored_name);
  BatchSink sink(file);
  ReceiverCore core(Check::Crc, true, timing);
  int result = run_receiver(channel, core, sink, progress);
  if (result == 0 && !sink.stored()) result = SIOFT_PROTOCOL;
  if (result == 0) result = file.commit();
  if (result < 0) stored_name.clear();
  return result;
}

}  // namespace sio::xmodem

namespace sio {

int ymodem_send(ByteChannel& channel, const std::string& path, const ProgressFn& progress,
                const std::string& announced_name) {
  return xmodem::send_batch(channel, path, progress, {}, announced_name);
}

int ymodem_receive(ByteChannel& channel, const std::string& folder, std::string& stored_name,
                   const ProgressFn& progress) {
  return xmodem::receive_batch(channel, folder, stored_name, progress);
}

}  // namespace sio

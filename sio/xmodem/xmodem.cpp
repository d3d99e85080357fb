#include "sio/xmodem/xmodem.h"

#include "sio/file_sink.h"
#include "sio/result.h"
#include "sio/xmodem/file_assembler.h"
#include "sio/xmodem/receive_loop.h"
#include "sio/xmodem/send_loop.h"

namespace sio::xmodem {
namespace {

class SingleFileSink : public ReceiveSink {
 public:
  explicit SingleFileSink(DiskSink& file) : assembler_(&file, -1) {}
  int on_data(std::span<const std::uint8_t> block) override { return assembler_.add(block); }
  int on_end_of_file() override { return assembler_.finish(); }
  long done() const override { return assembler_.received(); }
  long total() const override { return 0; }

 private:
  FileAssembler assembler_;
};

}  // namespace

int send_file(ByteChannel& channel, XmodemVariant variant, const std::string& path, const ProgressFn& progress,
              const SenderTiming& timing) {
  OutgoingFile file;
  if (int result = file.open(path); result < 0) return result;
  FileSource source(file);
  SenderCore core(source, file.size(), variant == XmodemVariant::Crc1K, std::nullopt, timing);
  return run_sender(channel, core, progress);
}

int receive_file(ByteChannel& channel, XmodemVariant variant, const std::string& path, const ProgressFn& progress,
                 const ReceiverTiming& timing) {
  DiskSink file;
  if (int result = file.open_path(path); result < 0) return result;
  ReceiverCore core(variant == XmodemVariant::Checksum ? Check::Sum : Check::Crc, false, timing);
  SingleFileSink sink(file);
  if (int result = run_receiver(channel, core, sink, progress); result < 0) return result;
  return file.commit();
}

}  // namespace sio::xmodem

namespace sio {

int xmodem_send(ByteChannel& channel, XmodemVariant variant, const std::string& path, const ProgressFn& progress) {
  return xmodem::send_file(channel, variant, path, progress);
}

int xmodem_receive(ByteChannel& channel, XmodemVariant variant, const std::string& path, const ProgressFn& progress) {
  return xmodem::receive_file(channel, variant, path, progress);
}

}  // namespace sio

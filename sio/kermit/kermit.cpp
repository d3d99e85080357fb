#include "sio/kermit/kermit.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "sio/incoming_file.h"
#include "sio/kermit/link.h"
#include "sio/kermit/receiver.h"
#include "sio/kermit/sender.h"
#include "sio/names.h"
#include "sio/result.h"
#include "sio/transfers.h"

namespace sio::kermit {
namespace {

class FileSource : public DataSource {
 public:
  explicit FileSource(int fd) : fd_(fd) {}
  long read(std::uint8_t* buf, std::size_t len) override {
    for (;;) {
      ssize_t n = ::read(fd_, buf, len);
      if (n >= 0) return static_cast<long>(n);
      if (errno == EINTR) continue;
      keep_last_error(errno);
      return SIOFT_WIN32FAIL;
    }
  }

 private:
  int fd_;
};

// Stores the announced file in `folder` under its checked name.
class FolderSink : public FileSink {
 public:
  FolderSink(const std::string& folder, std::string& stored_name) : folder_(folder), stored_name_(stored_name) {}
  int open(const std::string& announced) override {
    auto name = stored_name_for(announced);
    if (!name) return SIOFT_FOPEN;
    int opened = file_.open(folder_ + "/" + *name);
    if (opened == 0) stored_name_ = *name;
    return opened;
  }
  int write(const std::uint8_t* data, std::size_t len) override { return file_.write(data, len); }
  int commit() override { return file_.commit(); }
  void discard() override { file_.discard(); }

 private:
  std::string folder_;
  std::string& stored_name_;
  IncomingFile file_;
};

std::string last_component(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int send_file(ByteChannel& channel, const std::string& path, const ProgressFn& progress, const Timing& timing) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return SIOFT_FOPEN;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return SIOFT_FOPEN;
  }
  FileSource source(fd);
  Sender sender(last_component(path), static_cast<long>(st.st_size), source, timing);
  int result = run_endpoint(channel, sender, progress);
  ::close(fd);
  return result;
}

int receive_file(ByteChannel& channel, const std::string& folder, std::string& stored_name, const ProgressFn& progress,
                 const Timing& timing) {
  stored_name.clear();
  FolderSink sink(folder, stored_name);
  Receiver receiver(sink, timing);
  int result = run_endpoint(channel, receiver, progress);
  if (result != 0) sink.discard();
  return result;
}

}  // namespace sio::kermit

namespace sio {

int kermit_send(ByteChannel& channel, const std::string& path, const ProgressFn& progress) {
  return kermit::send_file(channel, path, progress, kermit::Timing{});
}

int kermit_receive(ByteChannel& channel, const std::string& folder, std::string& stored_name,
                   const ProgressFn& progress) {
  return kermit::receive_file(channel, folder, stored_name, progress, kermit::Timing{});
}

}  // namespace sio

// The protocol cores driven directly: scripted peers byte by byte, both cores against each
// other over a clean and a damaged line, and the clock moved by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <numeric>
#include <random>

#include "sio/crc.h"
#include "sio/sio.h"
#include "sio/zmodem/decoder.h"
#include "sio/zmodem/file_info.h"
#include "sio/zmodem/receiver.h"
#include "sio/zmodem/sender.h"
#include "tests/protocol_rig.h"
#include "tests/support/test_bytes.h"

using namespace sio::zmodem;
using protocol_rig::bytes;
using protocol_rig::MemorySink;
using test_support::random_bytes;

namespace {

struct MemorySource : SendSource {
  std::string data;
  explicit MemorySource(std::size_t size, unsigned seed) : data(random_bytes(size, seed)) {}
  int read_at(std::uint32_t pos, std::uint8_t* buf, std::size_t len) override {
    if (pos > data.size()) return 0;
    std::size_t n = std::min(len, data.size() - pos);
    std::copy_n(data.begin() + pos, n, buf);
    return static_cast<int>(n);
  }
};

// What a sender would put on the line.
struct Script {
  Escaper escaper;
  HeaderFormat format = HeaderFormat::Bin32;  // of frames that carry data, and their CRCs
  Bytes wire;
  Script& hex(const Header& h) {
    append_header(wire, h, escaper);
    return *this;
  }
  Script& hex(std::uint8_t type, std::uint32_t pos = 0) { return hex(Header::at(type, pos)); }
  Script& frame(Header h) {
    h.format = format;
    return hex(h);
  }
  Script& frame(std::uint8_t type, std::uint32_t pos) { return frame(Header::at(type, pos)); }
  Script& sub(const Bytes& data, FrameEnd end) {
    append_subpacket(wire, data.data(), data.size(), end, format == HeaderFormat::Bin32, escaper);
    return *this;
  }
  Script& file(const std::string& name, long length, std::uint8_t conversion = ZCBIN) {
    frame(Header::flags(ZFILE, conversion));
    return sub(format_file_info(name, length, 0), FrameEnd::ZCRCW);
  }
  Script& raw(const std::string& s) {
    wire.insert(wire.end(), s.begin(), s.end());
    return *this;
  }
  Bytes take() { return std::exchange(wire, {}); }
};

// What crosses the line, as the other end sees it: the headers, and the data subpackets.
struct Watch {
  FrameDecoder decoder;
  std::vector<Header> headers;
  std::vector<std::size_t> data_sizes;
  FrameEnd last_end = FrameEnd::ZCRCG;
  Watch& see(const Bytes& out) {
    for (std::size_t pos = 0; pos < out.size();) {
      pos += decoder.feed(out.data() + pos, out.size() - pos);
      const auto& e = decoder.event();
      if (e.kind == FrameDecoder::Kind::Header) headers.push_back(e.header);
      if (e.kind == FrameDecoder::Kind::Subpacket && !headers.empty() && headers.back().type == ZDATA) {
        data_sizes.push_back(e.size);
        last_end = e.end;
      }
    }
    return *this;
  }
};

std::vector<Header> headers_in(Bytes& out) { return Watch().see(std::exchange(out, {})).headers; }

using T = std::vector<std::uint8_t>;

T types(const std::vector<Header>& hs) {
  T t;
  for (auto& h : hs) t.push_back(h.type);
  return t;
}

// Each header's type and position.
using Seen = std::vector<std::pair<std::uint8_t, std::uint32_t>>;
Seen seen(const std::vector<Header>& hs) {
  Seen s;
  for (auto& h : hs) s.emplace_back(h.type, h.position());
  return s;
}

struct ReceiverRig {
  MemorySink sink;
  Receiver receiver{sink};
  std::int64_t now = 0;
  ReceiverRig() { receiver.start(0); }
  // Feeds the bytes one at a time and returns the headers the receiver answered with.
  std::vector<Header> feed(const Bytes& b) {
    for (auto c : b) receiver.feed(&c, 1, now);
    return answer();
  }
  std::vector<Header> answer() { return headers_in(receiver.output()); }
  std::vector<Header> wait(std::int64_t ms) {
    for (std::int64_t end = now + ms; now < end && !receiver.finished();) receiver.tick(now += 10);
    return answer();
  }
};

// A sender of `size` random bytes that has asked the receiver to start (its ZRQINIT taken off the line).
struct SenderRig {
  MemorySource source;
  Sender sender;
  SenderRig(std::size_t size, unsigned seed) : source(size, seed), sender(source, "f", size, 0) {
    sender.start(0);
    sender.output().clear();
  }
  void tell(const Bytes& b) { sender.feed(b.data(), b.size(), 0); }
  std::vector<Header> sent() { return headers_in(sender.output()); }
};

const Header kRinit = Header::flags(ZRINIT, CANFDX | CANOVIO | CANFC32);

}  // namespace

TEST(ZmodemCores, ReceiverIgnoresEchoAndAnswersEveryStart) {
  ReceiverRig rig;
  EXPECT_EQ(types(rig.answer()), T{ZRINIT});
  // The phone echoes the command line and our own ZRINIT; then its sender starts, twice.
  Script s;
  EXPECT_TRUE(rig.feed(s.raw("AT%PCTL=GET /Voice Memo/a\r").hex(ZRINIT).raw("\r\nOK\r\n").take()).empty());
  EXPECT_EQ(types(rig.feed(s.raw("rz\r").hex(ZRQINIT).take())), T{ZRINIT});
  EXPECT_EQ(types(rig.feed(s.hex(ZRQINIT).take())), T{ZRINIT});
  EXPECT_EQ(types(rig.feed(s.hex(ZNAK).take())), T{ZRINIT});  // it could not read ours
  // A resume request is not honoured: the file starts at 0.
  EXPECT_EQ(seen(rig.feed(s.file("/phone/Voice Memo/a.amr", 5, 3).take())), (Seen{{ZRPOS, 0}}));
  EXPECT_EQ(rig.receiver.bytes_total(), 5);
  rig.feed(s.frame(ZDATA, 0).sub(bytes("hello"), FrameEnd::ZCRCE).frame(ZEOF, 5).take());
  EXPECT_EQ(rig.sink.commits, 1);
  EXPECT_EQ(types(rig.feed(s.hex(ZRQINIT).take())), T{ZRINIT});  // it starts again
  // A second file of the batch is skipped; text after the "OO" is no longer ours.
  EXPECT_EQ(types(rig.feed(s.file("b.amr", 3).take())), T{ZSKIP});
  EXPECT_EQ(types(rig.feed(s.hex(ZFIN).take())), T{ZFIN});
  EXPECT_EQ(types(rig.feed(s.hex(ZFIN).take())), T{ZFIN});  // it missed ours
  rig.feed(s.raw("OO\r\nOK\r\n**\x18" "B08").take());
  EXPECT_TRUE(rig.receiver.finished());
  EXPECT_EQ(rig.receiver.result(), SIOFT_OK);
  EXPECT_EQ(rig.sink.data, "hello");
  // Opened once, by the name as announced: the sink makes a stored name of it.
  EXPECT_EQ(rig.sink.opened, std::vector<std::string>{"/phone/Voice Memo/a.amr"});
}

// Every frame in each header format, as lrzsz's sz -e opens: a ZSINIT that asks for every
// control character escaped, in hex with its subpacket after the header's line end.
TEST(ZmodemCores, ReceiverTakesEveryHeaderFormatEscapesOnRequestAndRunsNoCommand) {
  const std::string all = test_support::all_byte_values();
  for (auto format : {HeaderFormat::Hex, HeaderFormat::Bin16, HeaderFormat::Bin32}) {
    SCOPED_TRACE(static_cast<int>(format));
    ReceiverRig rig;
    EXPECT_EQ(rig.answer()[0].data[ZF0] & ESCCTL, 0);
    Script s{Escaper(true), format, {}};
    auto ack = rig.feed(s.hex(ZRQINIT).frame(Header::flags(ZSINIT, TESCCTL)).sub(Bytes{0}, FrameEnd::ZCRCW).take());
    ASSERT_EQ(types(ack), (T{ZRINIT, ZACK}));
    EXPECT_EQ(ack[1].position(), 1u);
    const Bytes command = s.frame(ZCOMMAND, 4321).sub(bytes(std::string("rm -rf ~", 9)), FrameEnd::ZCRCW).take();
    EXPECT_EQ(seen(rig.feed(command)), (Seen{{ZCOMPL, Receiver::kCommandRefused}}));
    EXPECT_EQ(types(rig.feed(s.hex(ZFREECNT).take())), T{ZACK});
    // From now on its invitations ask for escaping too.
    auto init = rig.feed(s.hex(ZRQINIT).take());
    ASSERT_EQ(types(init), T{ZRINIT});
    EXPECT_NE(init[0].data[ZF0] & ESCCTL, 0);
    EXPECT_EQ(types(rig.feed(s.file("f", 512).take())), T{ZRPOS});
    rig.feed(s.frame(ZDATA, 0).sub(bytes(all), FrameEnd::ZCRCG).sub(bytes(all), FrameEnd::ZCRCE).frame(ZEOF, 512).take());
    EXPECT_EQ(rig.sink.committed, all + all);
  }
}

TEST(ZmodemCores, ReceiverAsksAgainAtOnceAndGivesUpInTheEndOrInvitesUntilItTimesOut) {
  const Timing t;
  ReceiverRig rig;
  Script s;
  rig.feed(s.hex(ZRQINIT).file("f", 3000).take());
  EXPECT_EQ(types(rig.wait(t.answer_ms)), T{ZRPOS});  // no data: our ZRPOS got lost
  const Bytes data = bytes(random_bytes(1000, 3));
  // The second subpacket is damaged: ZRPOS for 1000 goes out before any time passes, and the
  // rest of the frame is ignored until the data starts there again.
  Bytes wire = s.frame(ZDATA, 0).sub(data, FrameEnd::ZCRCG).take();
  Bytes bad = s.sub(data, FrameEnd::ZCRCG).take();
  bad[100] ^= 4;
  wire.insert(wire.end(), bad.begin(), bad.end());
  EXPECT_EQ(seen(rig.feed(wire)), (Seen{{ZRPOS, 1000}}));
  // The stale ZEOF is answered with ZRPOS again.
  EXPECT_EQ(rig.feed(s.sub(data, FrameEnd::ZCRCG).sub(data, FrameEnd::ZCRCE).frame(ZEOF, 3000).take()).size(), 1u);
  // Data it already has may come again: it is skipped, the rest kept.
  rig.feed(s.frame(ZDATA, 500).sub(Bytes(data.begin(), data.begin() + 500), FrameEnd::ZCRCG).take());
  rig.feed(s.sub(data, FrameEnd::ZCRCW).take());
  EXPECT_EQ(rig.receiver.bytes_done(), 2000);
  // Silence after a ZCRCW: first the ZACK, then ZRPOS, goes out again soon; later repeats
  // come a second apart.
  auto repeats = rig.wait(t.answer_ms * 2);
  ASSERT_EQ(types(repeats), (T{ZACK, ZRPOS}));
  EXPECT_EQ(repeats[1].position(), 2000u);
  EXPECT_TRUE(rig.wait(t.retry_ms - 20).empty());
  EXPECT_EQ(types(rig.wait(20)), T{ZRPOS});
  // A line that damages every try from the first: max_errors requests, then the end.
  ReceiverRig doomed;
  doomed.feed(s.hex(ZRQINIT).file("f", 3000).take());
  Bytes again = s.frame(ZDATA, 0).take();
  again.insert(again.end(), bad.begin(), bad.end());
  std::size_t requests = 0;
  for (int i = 0; i < 100 && !doomed.receiver.finished(); ++i) requests += doomed.feed(again).size();
  EXPECT_EQ(requests, static_cast<std::size_t>(t.max_errors));
  EXPECT_EQ(doomed.receiver.result(), SIOFT_PROTOCOL);
  EXPECT_TRUE(doomed.sink.discarded);
  EXPECT_EQ(doomed.sink.commits, 0);
  // Nobody starts: ZRINIT again every few seconds, then a time-out.
  ReceiverRig silent;
  silent.answer();
  EXPECT_EQ(silent.wait(t.start_ms - 100).size(), static_cast<std::size_t>((t.start_ms - 100) / t.prompt_ms));
  EXPECT_FALSE(silent.receiver.finished());
  silent.wait(200);
  EXPECT_EQ(silent.receiver.result(), SIOFT_TIMEOUT);
  // Heard, then silent before any file: a time-out, not a success with nothing stored.
  ReceiverRig heard;
  heard.feed(s.hex(ZRQINIT).take());
  heard.wait(t.idle_ms);
  EXPECT_EQ(heard.receiver.result(), SIOFT_TIMEOUT);
}

TEST(ZmodemCores, SenderRespectsWindowAndEscapeRequests) {
  SenderRig rig(10000, 5);
  for (auto& b : rig.source.data) b = static_cast<char>(static_cast<std::uint8_t>(b) % 40);  // many control bytes
  Header init = Header::flags(ZRINIT, CANFDX | CANOVIO | CANFC32 | ESCCTL);
  init.data[ZP0] = 0x00;
  init.data[ZP1] = 0x08;  // a 2048-byte buffer
  rig.tell(Script().hex(init).hex(ZRPOS, 0).take());
  for (int i = 0; i < 10 && rig.sender.streaming(); ++i) rig.sender.stream(1024);
  EXPECT_FALSE(rig.sender.streaming());  // waits for its ZACK
  EXPECT_EQ(rig.sender.bytes_done(), 2048);
  const Bytes out = std::exchange(rig.sender.output(), {});
  // Only ZDLE and the XON after a ZCRCW subpacket (a flow-control restart) go out raw.
  for (auto c : out) EXPECT_TRUE(c == ZDLE || c == XON || (c & 0x60) != 0) << int(c);
  Watch watch;
  watch.see(out);
  EXPECT_EQ(std::accumulate(watch.data_sizes.begin(), watch.data_sizes.end(), std::size_t{0}), 2048u);
  EXPECT_EQ(watch.last_end, FrameEnd::ZCRCW);
  rig.tell(Script().hex(ZACK, 2048).take());
  EXPECT_TRUE(rig.sender.streaming());
  // A receiver's challenge comes back in a ZACK.
  rig.sent();
  rig.tell(Script().hex(ZCHALLENGE, 0x12345678).take());
  EXPECT_EQ(seen(rig.sent()), (Seen{{ZACK, 0x12345678}}));
}

TEST(ZmodemCores, SenderRewindsSkipsAndTimesOut) {
  SenderRig rig(50000, 9);
  Sender& sender = rig.sender;
  rig.tell(Script().hex(kRinit).take());
  rig.sent();
  // A receiver that compares files asks for the CRC of ours before it answers the offer.
  rig.tell(Script().hex(ZCRC).hex(ZRPOS, 0).take());
  EXPECT_EQ(seen(rig.sent()), (Seen{{ZCRC, sio::crc32_ieee(bytes(rig.source.data).data(), rig.source.data.size())}}));
  sender.stream(20000);
  EXPECT_GE(sender.bytes_done(), 20000);
  std::size_t block = sender.subpacket_size();
  rig.tell(Script().hex(ZRPOS, 3000).take());
  EXPECT_EQ(sender.bytes_done(), 3000);
  EXPECT_EQ(sender.subpacket_size(), block / 2);
  rig.sent();
  sender.stream(100);
  auto hs = rig.sent();
  ASSERT_FALSE(hs.empty());
  EXPECT_EQ(hs[0].type, ZDATA);
  EXPECT_EQ(hs[0].position(), 3000u);
  rig.tell(Script().hex(ZSKIP).take());
  rig.tell(Script().hex(ZFIN).take());
  EXPECT_EQ(sender.result(), SIOFT_CANABORT);

  const Timing t;
  SenderRig lonely(50000, 9);
  lonely.sender.tick(t.prompt_ms - 1);  // a receiver still starting up is not hurried
  EXPECT_TRUE(lonely.sender.output().empty());
  lonely.sender.tick(t.prompt_ms);
  EXPECT_EQ(types(lonely.sent()), T{ZRQINIT});
  for (std::int64_t now = t.prompt_ms; now <= t.start_ms && !lonely.sender.finished(); now += 10) lonely.sender.tick(now);
  EXPECT_EQ(lonely.sender.result(), SIOFT_TIMEOUT);

  // The last data goes out late (a slow line took long to take what went before): the receiver's
  // silence counts from then, and when it lasts too long the receiver is told to stop.
  SenderRig late(100, 9);
  late.tell(Script().hex(kRinit).hex(ZRPOS, 0).take());
  std::int64_t now = t.idle_ms;
  late.sender.tick(now);
  late.sender.stream(1024);
  while (!late.sender.finished() && now < 3 * t.idle_ms) late.sender.tick(now += 10);
  EXPECT_EQ(now, 2 * t.idle_ms);
  EXPECT_EQ(late.sender.result(), SIOFT_TIMEOUT);
  // The output holds more than the sequence: the file's frames alone do.
  const Bytes& out = late.sender.output();
  EXPECT_TRUE(std::equal(std::rbegin(kCancelSequence), std::rend(kCancelSequence), out.rbegin()));
}

// A slow line holds seconds of data between the ends (a pty's buffers, a UART's queue): the
// sender has long finished writing when the receiver reads the last byte and answers. Sender and
// receiver run over a 57600 bit/s line that holds 64 KiB; the sender writes whenever it has
// room, as its driver's blocking write would, and the receiver says nothing while the data
// flows. The whole file takes longer than the session's silence limit to cross the line.
TEST(ZmodemCores, SenderWaitsForASlowLineToDeliver) {
  constexpr std::size_t kSize = 100 * 1024;
  constexpr std::size_t kHeld = 64 * 1024;
  constexpr std::size_t kBytesPer10Ms = 5760 / 100;
  MemorySource source(kSize, 11);
  MemorySink sink;
  const Timing t;
  Sender sender(source, "memo.amr", kSize, 0, t);
  Receiver receiver(sink, t);
  std::deque<std::uint8_t> line;
  std::size_t written = 0;  // everything the sender put on the line
  auto to_line = [&] {
    written += sender.output().size();
    line.insert(line.end(), sender.output().begin(), sender.output().end());
    sender.output().clear();
  };
  std::int64_t now = 0;
  sender.start(now);
  receiver.start(now);
  while ((!sender.finished() || !receiver.finished()) && now < 120000) {
    for (to_line(); sender.streaming() && line.size() < kHeld; to_line()) sender.stream(1024);
    now += 10;
    Bytes arrived(line.begin(), line.begin() + static_cast<long>(std::min(line.size(), kBytesPer10Ms)));
    line.erase(line.begin(), line.begin() + static_cast<long>(arrived.size()));
    if (!receiver.finished()) receiver.feed(arrived.data(), arrived.size(), now);
    Bytes answer = std::exchange(receiver.output(), {});
    if (!sender.finished()) sender.feed(answer.data(), answer.size(), now);
    sender.tick(now);
    receiver.tick(now);
  }
  EXPECT_GT(now, t.idle_ms);  // the silence while the file crossed was longer than the limit
  EXPECT_EQ(sender.result(), SIOFT_OK);
  EXPECT_EQ(receiver.result(), SIOFT_OK);
  EXPECT_EQ(sink.data, source.data);
  // While the line drained, only the ZEOF went again: no data was sent twice.
  EXPECT_LT(written, kSize + kSize / 20);
}

// Both cores joined in memory, with a clock that moves only when the line is quiet (and a bound
// on the steps, for a core that never ends). On a clean line the subpackets grow from the
// classic 1 KiB to 8 KiB, which our receiver takes; through a line that flips and drops bytes
// comes the exact file or a failure.
TEST(ZmodemCores, SessionsOverACleanAndADamagedLine) {
  // Each byte is dropped with chance 1/drop_one_in and has a bit flipped with chance 1/flip_one_in.
  auto session = [](MemorySource& source, MemorySink& sink, unsigned seed, unsigned flip_one_in,
                    unsigned drop_one_in, Watch* watch = nullptr) {
    Sender sender(source, "memo.amr", static_cast<long>(source.data.size()), 0);
    Receiver receiver(sink);
    std::mt19937 to_receiver(seed), to_sender(seed + 1000);
    auto carry = [&](Bytes& from, std::mt19937& rng) {
      Bytes out;
      for (auto c : std::exchange(from, {})) {
        if (drop_one_in && rng() % drop_one_in == 0) continue;
        if (flip_one_in && rng() % flip_one_in == 0) c ^= static_cast<std::uint8_t>(1 << (rng() % 8));
        out.push_back(c);
      }
      return out;
    };
    std::int64_t now = 0;
    sender.start(now);
    receiver.start(now);
    for (int step = 0; step < 20000 && (!sender.finished() || !receiver.finished()); ++step) {
      if (sender.streaming()) sender.stream(4096);
      const bool moved = !sender.output().empty() || !receiver.output().empty();
      Bytes a = carry(sender.output(), to_receiver), b = carry(receiver.output(), to_sender);
      if (watch) watch->see(a);
      if (!receiver.finished()) receiver.feed(a.data(), a.size(), now);
      if (!sender.finished()) sender.feed(b.data(), b.size(), now);
      if (!moved) {
        now += 10;
        sender.tick(now);
        receiver.tick(now);
      }
    }
    return receiver.result();
  };
  constexpr std::size_t kSize = 1024 * 1024;
  MemorySource source(kSize, 21);
  MemorySink sink;
  Watch watch;
  EXPECT_EQ(session(source, sink, 1, 0, 0, &watch), SIOFT_OK);
  EXPECT_EQ(sink.data, source.data);
  const auto& sizes = watch.data_sizes;
  ASSERT_GT(sizes.size(), 2u);
  EXPECT_EQ(sizes.front(), 1024u);
  EXPECT_TRUE(std::is_sorted(sizes.begin(), sizes.end() - 1));
  EXPECT_EQ(*std::max_element(sizes.begin(), sizes.end()), 8192u);
  // 8 KiB subpackets carry most of the file.
  EXPECT_GT(8192 * static_cast<std::size_t>(std::count(sizes.begin(), sizes.end(), 8192u)), kSize / 2);

  int delivered = 0;
  for (unsigned seed = 1; seed <= 20; ++seed) {
    MemorySource small(20000, seed);
    MemorySink damaged;
    const bool ok = session(small, damaged, seed, 300, 3000) == SIOFT_OK;
    delivered += ok;
    // What is delivered is exact; a failure stores nothing.
    EXPECT_EQ(damaged.committed, ok ? small.data : "") << seed;
    EXPECT_EQ(damaged.commits, ok ? 1 : 0) << seed;
  }
  // Fast answers to every error carry nearly every session through such a line.
  EXPECT_GE(delivered, 18);
}

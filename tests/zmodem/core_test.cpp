// The protocol cores driven directly: scripted peers byte by byte, both cores against each
// other over a damaged line, and the clock moved by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <numeric>

#include "sio/zmodem/decoder.h"
#include "sio/zmodem/file_info.h"
#include "tests/zmodem/memory_session.h"

using namespace sio::zmodem;
using namespace zmodem_test;

namespace {

Bytes bytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

// What a sender would put on the line.
struct Script {
  Escaper escaper;
  HeaderFormat format = HeaderFormat::Bin32;  // of frames that carry data, and their CRCs
  Bytes wire;
  Script& hex(std::uint8_t type, std::uint32_t pos = 0) {
    append_header(wire, Header::at(type, pos), escaper);
    return *this;
  }
  Script& frame(Header h) {
    h.format = format;
    append_header(wire, h, escaper);
    return *this;
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

std::vector<Header> headers_in(const Bytes& out) { return Watch().see(out).headers; }

struct ReceiverRig {
  MemorySink sink;
  Timing timing;
  Receiver receiver{sink, timing};
  std::int64_t now = 0;
  explicit ReceiverRig(Timing t = {}) : timing(t), receiver(sink, timing) { receiver.start(0); }
  // Feeds the bytes one at a time and returns the headers the receiver answered with.
  std::vector<Header> feed(const Bytes& b) {
    for (auto c : b) receiver.feed(&c, 1, now);
    return answer();
  }
  std::vector<Header> answer() {
    auto h = headers_in(receiver.output());
    receiver.output().clear();
    return h;
  }
  std::vector<Header> wait(std::int64_t ms) {
    for (std::int64_t end = now + ms; now < end && !receiver.finished();) receiver.tick(now += 10);
    return answer();
  }
};

std::vector<std::uint8_t> types(const std::vector<Header>& hs) {
  std::vector<std::uint8_t> t;
  for (auto& h : hs) t.push_back(h.type);
  return t;
}

using T = std::vector<std::uint8_t>;

}  // namespace

TEST(ZmodemCores, DamagedLineGivesTheExactFileOrAFailure) {
  int delivered = 0;
  for (std::uint32_t seed = 1; seed <= 20; ++seed) {
    MemorySource source;
    source.data = random_bytes(20000, seed);
    MemorySink sink;
    Sender sender(source, "memo.amr", 20000, 0);
    Receiver receiver(sink);
    Line a{std::mt19937(seed), 300, 3000}, b{std::mt19937(seed + 1000), 300, 3000};
    run_session(sender, receiver, a, b);
    if (receiver.result() == SIOFT_OK) {
      ++delivered;
      ASSERT_TRUE(sink.committed) << seed;
      ASSERT_EQ(sink.data, source.data) << seed;
    } else {
      EXPECT_FALSE(sink.committed) << seed;
    }
  }
  // Fast answers to every error carry nearly every session through such a line.
  EXPECT_GE(delivered, 18);
}

TEST(ZmodemCores, ReceiverIgnoresEchoAndAnswersEveryStart) {
  ReceiverRig rig;
  EXPECT_EQ(types(rig.answer()), T{ZRINIT});
  // The phone echoes the command line and our own ZRINIT; then its sender starts, twice.
  Script s;
  Bytes echo = s.raw("AT%PCTL=GET /Voice Memo/a\r").hex(ZRINIT).raw("\r\nOK\r\n").take();
  EXPECT_TRUE(rig.feed(echo).empty());
  EXPECT_EQ(types(rig.feed(s.raw("rz\r").hex(ZRQINIT).take())), T{ZRINIT});
  EXPECT_EQ(types(rig.feed(s.hex(ZRQINIT).take())), T{ZRINIT});
  // A resume request is not honoured: the file starts at 0.
  auto answer = rig.feed(s.file("/phone/Voice Memo/a.amr", 5, 3).take());
  ASSERT_EQ(types(answer), T{ZRPOS});
  EXPECT_EQ(answer[0].position(), 0u);
  EXPECT_EQ(rig.sink.name, "/phone/Voice Memo/a.amr");  // the sink makes a stored name of it
  EXPECT_EQ(rig.receiver.bytes_total(), 5);
  rig.feed(s.frame(ZDATA, 0).sub(bytes("hello"), FrameEnd::ZCRCE).frame(ZEOF, 5).take());
  EXPECT_TRUE(rig.sink.committed);
  // A second file of the batch is skipped; text after the "OO" is no longer ours.
  EXPECT_EQ(types(rig.feed(s.file("b.amr", 3).take())), T{ZSKIP});
  EXPECT_EQ(types(rig.feed(s.hex(ZFIN).take())), T{ZFIN});
  rig.feed(s.raw("OO\r\nOK\r\n**\x18" "B08").take());
  EXPECT_TRUE(rig.receiver.finished());
  EXPECT_EQ(rig.receiver.result(), SIOFT_OK);
  EXPECT_EQ(bytes("hello"), rig.sink.data);
  EXPECT_EQ(rig.sink.opens, 1);
}

// Every frame in each header format, as lrzsz's sz -e opens: a ZSINIT that asks for every
// control character escaped, in hex with its subpacket after the header's line end.
TEST(ZmodemCores, ReceiverTakesEveryHeaderFormatEscapesOnRequestAndRunsNoCommand) {
  Bytes all(256);
  for (int i = 0; i < 256; ++i) all[i] = static_cast<std::uint8_t>(i);
  for (auto format : {HeaderFormat::Hex, HeaderFormat::Bin16, HeaderFormat::Bin32}) {
    SCOPED_TRACE(static_cast<int>(format));
    ReceiverRig rig;
    EXPECT_EQ(rig.answer()[0].data[ZF0] & ESCCTL, 0);
    Script s{Escaper(true), format, {}};
    auto ack = rig.feed(s.hex(ZRQINIT).frame(Header::flags(ZSINIT, TESCCTL)).sub(Bytes{0}, FrameEnd::ZCRCW).take());
    ASSERT_EQ(types(ack), (T{ZRINIT, ZACK}));
    EXPECT_EQ(ack[1].position(), 1u);
    auto refused = rig.feed(s.frame(ZCOMMAND, 4321).sub(bytes(std::string("rm -rf ~", 9)), FrameEnd::ZCRCW).take());
    ASSERT_EQ(types(refused), T{ZCOMPL});
    EXPECT_EQ(refused[0].position(), Receiver::kCommandRefused);
    EXPECT_EQ(types(rig.feed(s.hex(ZFREECNT).take())), T{ZACK});
    // From now on its invitations ask for escaping too.
    auto init = rig.feed(s.hex(ZRQINIT).take());
    ASSERT_EQ(types(init), T{ZRINIT});
    EXPECT_NE(init[0].data[ZF0] & ESCCTL, 0);
    EXPECT_EQ(types(rig.feed(s.file("f", 512).take())), T{ZRPOS});
    rig.feed(s.frame(ZDATA, 0).sub(all, FrameEnd::ZCRCG).sub(all, FrameEnd::ZCRCE).frame(ZEOF, 512).take());
    EXPECT_TRUE(rig.sink.committed);
    EXPECT_EQ(rig.sink.data.size(), 512u);
    EXPECT_TRUE(std::equal(all.begin(), all.end(), rig.sink.data.begin() + 256));
  }
}

TEST(ZmodemCores, ReceiverAsksAgainAtOnceAndGivesUpInTheEnd) {
  ReceiverRig rig;
  Script s;
  rig.feed(s.hex(ZRQINIT).file("f", 3000).take());
  Bytes data = random_bytes(1000, 3);
  // The second subpacket is damaged: ZRPOS for 1000 goes out before any time passes, and the
  // rest of the frame is ignored until the data starts there again.
  Bytes wire = s.frame(ZDATA, 0).sub(data, FrameEnd::ZCRCG).take();
  Bytes bad = s.sub(data, FrameEnd::ZCRCG).take();
  bad[100] ^= 4;
  wire.insert(wire.end(), bad.begin(), bad.end());
  auto answer = rig.feed(wire);
  ASSERT_EQ(types(answer), T{ZRPOS});
  EXPECT_EQ(answer[0].position(), 1000u);
  EXPECT_TRUE(rig.feed(s.sub(data, FrameEnd::ZCRCG).sub(data, FrameEnd::ZCRCE).frame(ZEOF, 3000).take())
                  .size() == 1);  // the stale ZEOF is answered with ZRPOS again
  // Data it already has may come again: it is skipped, the rest kept.
  rig.feed(s.frame(ZDATA, 500).sub(Bytes(data.begin(), data.begin() + 500), FrameEnd::ZCRCG).take());
  rig.feed(s.sub(data, FrameEnd::ZCRCW).take());
  EXPECT_EQ(rig.receiver.bytes_done(), 2000);
  // Silence after a ZCRCW: first the ZACK, then ZRPOS, goes out again soon; later repeats
  // come a second apart.
  auto repeats = rig.wait(Timing{}.answer_ms * 2);
  ASSERT_EQ(types(repeats), (T{ZACK, ZRPOS}));
  EXPECT_EQ(repeats[1].position(), 2000u);
  EXPECT_TRUE(rig.wait(Timing{}.retry_ms - 20).empty());
  EXPECT_EQ(types(rig.wait(20)), T{ZRPOS});
  // A line that damages every try: a bounded number of requests, then the end.
  int tries = 0;
  for (; tries < 100 && !rig.receiver.finished(); ++tries) {
    Bytes again = s.frame(ZDATA, 2000).take();
    again.insert(again.end(), bad.begin(), bad.end());
    rig.feed(again);
  }
  EXPECT_LE(tries, Timing{}.max_errors + 1);
  EXPECT_TRUE(rig.receiver.finished());
  EXPECT_EQ(rig.receiver.result(), SIOFT_PROTOCOL);
  EXPECT_TRUE(rig.sink.discarded);
  EXPECT_FALSE(rig.sink.committed);
}

TEST(ZmodemCores, ReceiverInvitesAgainThenTimesOut) {
  Timing t;
  ReceiverRig silent(t);
  silent.answer();
  // Nobody starts: ZRINIT again every few seconds, then a time-out.
  auto again = silent.wait(t.start_ms - 100);
  EXPECT_EQ(again.size(), static_cast<std::size_t>((t.start_ms - 100) / t.prompt_ms));
  EXPECT_FALSE(silent.receiver.finished());
  silent.wait(200);
  EXPECT_EQ(silent.receiver.result(), SIOFT_TIMEOUT);
}

TEST(ZmodemCores, SenderRespectsWindowAndEscapeRequests) {
  MemorySource source;
  source.data = random_bytes(10000, 5);
  for (auto& b : source.data) b = static_cast<std::uint8_t>(b % 40);  // plenty of control bytes
  Sender sender(source, "f", 10000, 0);
  sender.start(0);
  sender.output().clear();
  Header init = Header::flags(ZRINIT, CANFDX | CANOVIO | CANFC32 | ESCCTL);
  init.data[ZP0] = 0x00;
  init.data[ZP1] = 0x08;  // a 2048-byte buffer
  Script s;
  append_header(s.wire, init, s.escaper);
  s.hex(ZRPOS, 0);
  Bytes start = s.take();
  sender.feed(start.data(), start.size(), 0);
  for (int i = 0; i < 10 && sender.streaming(); ++i) sender.stream(1024);
  EXPECT_FALSE(sender.streaming());  // waits for its ZACK
  EXPECT_EQ(sender.bytes_done(), 2048);
  Bytes out = sender.output();
  // Only ZDLE and the XON after a ZCRCW subpacket (a flow-control restart) go out raw.
  for (auto c : out) EXPECT_TRUE(c == ZDLE || c == XON || (c & 0x60) != 0) << int(c);
  Watch watch;
  watch.see(out);
  EXPECT_EQ(std::accumulate(watch.data_sizes.begin(), watch.data_sizes.end(), std::size_t{0}), 2048u);
  EXPECT_EQ(watch.last_end, FrameEnd::ZCRCW);
  Bytes ack = Script().hex(ZACK, 2048).take();
  sender.feed(ack.data(), ack.size(), 0);
  EXPECT_TRUE(sender.streaming());
  // A receiver's challenge comes back in a ZACK.
  sender.output().clear();
  Bytes challenge = Script().hex(ZCHALLENGE, 0x12345678).take();
  sender.feed(challenge.data(), challenge.size(), 0);
  auto echo = headers_in(sender.output());
  ASSERT_EQ(types(echo), T{ZACK});
  EXPECT_EQ(echo[0].position(), 0x12345678u);
}

TEST(ZmodemCores, SenderRewindsSkipsAndTimesOut) {
  MemorySource source;
  source.data = random_bytes(50000, 9);
  Sender sender(source, "f", 50000, 0);
  sender.start(0);
  Script s;
  append_header(s.wire, Header::flags(ZRINIT, CANFDX | CANOVIO | CANFC32), s.escaper);
  Bytes start = s.hex(ZRPOS, 0).take();
  sender.feed(start.data(), start.size(), 0);
  sender.stream(20000);
  EXPECT_GE(sender.bytes_done(), 20000);
  std::size_t block = sender.subpacket_size();
  Bytes back = Script().hex(ZRPOS, 3000).take();
  sender.feed(back.data(), back.size(), 0);
  EXPECT_EQ(sender.bytes_done(), 3000);
  EXPECT_EQ(sender.subpacket_size(), block / 2);
  sender.output().clear();
  sender.stream(100);
  auto hs = headers_in(sender.output());
  ASSERT_FALSE(hs.empty());
  EXPECT_EQ(hs[0].type, ZDATA);
  EXPECT_EQ(hs[0].position(), 3000u);

  Bytes skip = Script().hex(ZSKIP).take();
  sender.feed(skip.data(), skip.size(), 0);
  Bytes fin = Script().hex(ZFIN).take();
  sender.feed(fin.data(), fin.size(), 0);
  EXPECT_EQ(sender.result(), SIOFT_CANABORT);

  Timing t;
  Sender lonely(source, "f", 50000, 0, t);
  lonely.start(0);
  for (std::int64_t now = 0; now <= t.start_ms && !lonely.finished(); now += 10) lonely.tick(now);
  EXPECT_EQ(lonely.result(), SIOFT_TIMEOUT);
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
  MemorySource source;
  source.data = random_bytes(kSize, 11);
  MemorySink sink;
  Timing t;
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
    while (sender.streaming() && line.size() < kHeld) {
      sender.stream(1024);
      to_line();
    }
    to_line();
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

// On a clean line the subpackets grow from the classic 1 KiB to 8 KiB, which our receiver takes.
TEST(ZmodemCores, SubpacketsGrowOnACleanLine) {
  constexpr std::size_t kSize = 1024 * 1024;
  MemorySource source;
  source.data = random_bytes(kSize, 21);
  MemorySink sink;
  Sender sender(source, "memo.amr", kSize, 0);
  Receiver receiver(sink);
  Watch watch;
  sender.start(0);
  receiver.start(0);
  for (int step = 0; step < 10000 && !(sender.finished() && receiver.finished()); ++step) {
    if (sender.streaming()) sender.stream(1024);
    Bytes wire = std::exchange(sender.output(), {});
    watch.see(wire);
    receiver.feed(wire.data(), wire.size(), 0);
    Bytes answer = std::exchange(receiver.output(), {});
    sender.feed(answer.data(), answer.size(), 0);
  }
  EXPECT_EQ(receiver.result(), SIOFT_OK);
  EXPECT_EQ(sink.data, source.data);
  const auto& sizes = watch.data_sizes;
  ASSERT_GT(sizes.size(), 2u);
  EXPECT_EQ(sizes.front(), 1024u);
  EXPECT_TRUE(std::is_sorted(sizes.begin(), sizes.end() - 1));
  EXPECT_EQ(*std::max_element(sizes.begin(), sizes.end()), 8192u);
  // 8 KiB subpackets carry most of the file.
  std::size_t in_largest = 8192 * static_cast<std::size_t>(std::count(sizes.begin(), sizes.end(), 8192u));
  EXPECT_GT(in_largest, kSize / 2);
}

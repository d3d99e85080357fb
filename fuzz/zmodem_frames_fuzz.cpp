// The ZMODEM frame decoder on arbitrary bytes, in any chunking: it must consume every byte,
// never hand out more than one subpacket's worth, and decode whatever the encoder made of the
// same input exactly.
#include <cstring>

#include "fuzz/fuzz_input.h"
#include "sio/zmodem/decoder.h"
#include "sio/zmodem/encoder.h"

using namespace sio::zmodem;

namespace {

void decode_anything(const std::uint8_t* data, std::size_t size) {
  FrameDecoder decoder;
  fuzz::Chunks chunks(data, size);
  const std::uint8_t* bytes;
  std::size_t len;
  while (chunks.next(bytes, len)) {
    while (len > 0) {
      std::size_t used = decoder.feed(bytes, len);
      FUZZ_CHECK(used > 0 && used <= len);
      const auto& e = decoder.event();
      if (e.kind == FrameDecoder::Kind::Subpacket) FUZZ_CHECK(e.size <= kMaxSubpacket && (e.size == 0 || e.data));
      if (e.kind == FrameDecoder::Kind::BadSubpacket && size % 7 == 0) decoder.hunt();
      bytes += used;
      len -= used;
    }
  }
}

// The input as a header's five bytes and a subpacket, encoded and decoded again.
void round_trip(const std::uint8_t* data, std::size_t size) {
  if (size < 6) return;
  Header header;
  header.type = data[0] % (ZSTDERR + 1);
  std::memcpy(header.data.data(), data + 1, 4);
  header.format = static_cast<HeaderFormat>(data[5] % 3);
  auto end = static_cast<FrameEnd>(static_cast<std::uint8_t>(FrameEnd::ZCRCE) + (data[5] >> 2) % 4);
  bool crc32 = header.format == HeaderFormat::Bin32;
  bool binary_data = header.format != HeaderFormat::Hex &&
                     (header.type == ZSINIT || header.type == ZFILE || header.type == ZDATA || header.type == ZCOMMAND);
  const std::uint8_t* payload = data + 6;
  std::size_t payload_len = std::min(size - 6, kMaxSubpacket);

  Escaper escaper((data[5] & 0x80) != 0);
  Bytes wire;
  append_header(wire, header, escaper);
  if (binary_data) append_subpacket(wire, payload, payload_len, end, crc32, escaper);

  FrameDecoder decoder;
  std::size_t pos = 0;
  int headers = 0, subpackets = 0;
  while (pos < wire.size()) {
    pos += decoder.feed(wire.data() + pos, wire.size() - pos);
    const auto& e = decoder.event();
    switch (e.kind) {
      case FrameDecoder::Kind::Header:
        ++headers;
        FUZZ_CHECK(e.header.type == header.type && e.header.data == header.data && e.header.format == header.format);
        break;
      case FrameDecoder::Kind::Subpacket:
        ++subpackets;
        FUZZ_CHECK(e.size == payload_len && e.end == end);
        FUZZ_CHECK(payload_len == 0 || std::memcmp(e.data, payload, payload_len) == 0);
        break;
      case FrameDecoder::Kind::None: break;
      default: FUZZ_CHECK(!"a frame of ours decoded as damaged");
    }
  }
  FUZZ_CHECK(headers == 1 && subpackets == (binary_data ? 1 : 0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  decode_anything(data, size);
  round_trip(data, size);
  return 0;
}

#include "sio/kermit/endpoint.h"

#include <algorithm>

#include "sio/kermit/codec.h"
#include "sio/result.h"
#include "sio/timing_defaults.h"

namespace sio::kermit {

int Endpoint::timeout_ms() const {
  if (!negotiated_) return timing_.packet_timeout_ms;
  // The peer's wish, within bounds that keep a slow line from timing out a long packet.
  return std::clamp(session_.peer_time * 1000, timing_.packet_timeout_ms, defaults::kermit::kLongestPacketTimeoutMs);
}

std::string Endpoint::frame(char type, int seq, std::string_view data) const {
  return encode_packet(Packet{type, seq, std::string(data)}, check_type_, session_.framing);
}

bool Endpoint::count_retry(int result) {
  if (++retries_ <= timing_.max_retries) return true;
  fail(result, "Too many retries");
  return false;
}

void Endpoint::finish(int result) {
  finished_ = true;
  result_ = result;
}

void Endpoint::fail(int result, std::string_view reason) {
  if (finished_) return;
  std::string text;
  encode_data(session_.prefixing, reason, 90, text);
  emit(frame('E', error_seq(), text));
  finish(result);
}

void Endpoint::abort_here() { fail(SIOFT_ABORT, "Transfer cancelled"); }

void Endpoint::peer_error() { finish(SIOFT_CANABORT); }

}  // namespace sio::kermit

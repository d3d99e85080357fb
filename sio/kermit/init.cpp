#include "sio/kermit/init.h"

#include <algorithm>

#include "sio/kermit/check.h"

namespace sio::kermit {
namespace {

// Packets in flight: the most the protocol allows (the bytes in flight are limited apart).
constexpr int kOurWindow = 31;
// The longest packet we ask a sender for. Senders that lengthen their packets while the line
// seems clean (C-Kermit doubles them) resend a damaged one at its full length, and a packet of
// several KB seldom crosses a line that flips a bit in a thousand bytes whole.
constexpr int kLongestToReceive = 1000;
constexpr int kWhatamiValid = 32;
constexpr int kWhatamiLiteralNames = 4;
constexpr int kWhatamiBinary = 2;

// A character that may serve as a prefix: printable, not a letter or a digit's neighbour.
bool is_prefix_char(char c) { return (c >= 33 && c <= 62) || (c >= 96 && c <= 126); }

char field_char(std::string_view f, std::size_t i, char fallback) {
  return i < f.size() && f[i] != ' ' ? f[i] : fallback;
}

int field_number(std::string_view f, std::size_t i, int fallback) {
  if (i >= f.size()) return fallback;
  int v = unchar(f[i]);
  return v < 0 ? fallback : v;
}

// '5' is C-Kermit's "force-3": the CRC on every packet, the Send-Init exchange included.
int check_type_of(char chkt) { return chkt == kForcedCrc ? 3 : chkt >= '1' && chkt <= '3' ? chkt - '0' : 0; }

}  // namespace

std::string encode_init(const InitParams& p) {
  std::string f;
  f += tochar(p.maxl);
  f += tochar(p.time);
  f += tochar(p.npad);
  f += ctl(p.padc);
  f += tochar(p.eol);
  f += p.qctl;
  f += p.qbin;
  f += p.chkt;
  f += p.rept;
  f += tochar(p.capas & ~1);  // one CAPAS byte: no continuation
  f += tochar(p.window);
  f += tochar(p.maxlx / 95);
  f += tochar(p.maxlx % 95);
  // No checkpoints; WHATAMI: binary mode, file names taken as they are; the system is UNIX-like
  // (peers of that kind then leave names as they are too).
  f += "0___";
  f += tochar(kWhatamiValid | kWhatamiBinary | kWhatamiLiteralNames);
  f += tochar(2);
  f += "U1";
  return f;
}

InitParams parse_init(std::string_view f) {
  InitParams p;
  p.maxl = field_number(f, 0, p.maxl);
  if (p.maxl < 10) p.maxl = 80;
  p.time = field_number(f, 1, p.time);
  p.npad = field_number(f, 2, p.npad);
  p.padc = f.size() > 3 ? ctl(f[3]) : p.padc;
  p.eol = f.size() > 4 ? static_cast<char>(unchar(f[4])) : p.eol;
  if (p.eol < 1 || p.eol > 31) p.eol = '\r';
  p.qctl = field_char(f, 5, p.qctl);
  if (!is_prefix_char(p.qctl)) p.qctl = '#';
  p.qbin = field_char(f, 6, p.qbin);
  p.chkt = field_char(f, 7, p.chkt);
  p.rept = field_char(f, 8, p.rept);
  // CAPAS runs on while its low bit says another byte follows.
  std::size_t i = 9;
  if (i < f.size()) {
    p.capas = std::max(0, unchar(f[i]));
    while (i < f.size() && (unchar(f[i]) & 1)) ++i;
    ++i;
  }
  if (p.capas & kCapWindows) p.window = field_number(f, i, 1);
  if (p.capas & kCapLongPackets) {
    int hi = field_number(f, i + 1, -1), lo = field_number(f, i + 2, -1);
    if (hi >= 0 && lo >= 0 && lo <= 94) p.maxlx = hi * 95 + lo;
  }
  return p;
}

InitParams our_offer(int time_seconds) {
  InitParams p;
  p.maxl = 94;
  p.time = time_seconds;
  p.qbin = 'Y';
  p.chkt = '3';
  p.rept = '~';
  p.capas = kCapLongPackets | kCapWindows | kCapAttributes;
  p.window = kOurWindow;
  // Below the most a long packet can state: peers count the header into it in different ways.
  p.maxlx = 9000;
  return p;
}

InitParams reply_to(const InitParams& offer, int time_seconds) {
  InitParams p = our_offer(time_seconds);
  p.qbin = is_prefix_char(offer.qbin) ? offer.qbin : 'Y';
  p.chkt = check_type_of(offer.chkt) ? offer.chkt : '1';
  p.rept = is_prefix_char(offer.rept) && offer.rept != offer.qctl && offer.rept != p.qbin ? offer.rept : ' ';
  p.maxlx = kLongestToReceive;
  return p;
}

Session negotiate(const InitParams& mine, const InitParams& theirs) {
  Session s;
  s.check_type = check_type_of(mine.chkt) == check_type_of(theirs.chkt) && check_type_of(mine.chkt) ? check_type_of(mine.chkt) : 1;
  // Each side quotes control characters with the prefix it announced.
  s.prefixing.qctl = mine.qctl;
  if (is_prefix_char(theirs.qbin) && (mine.qbin == 'Y' || mine.qbin == theirs.qbin))
    s.prefixing.qbin = theirs.qbin;
  else if (is_prefix_char(mine.qbin) && theirs.qbin == 'Y')
    s.prefixing.qbin = mine.qbin;
  if (mine.rept == theirs.rept && is_prefix_char(mine.rept) && mine.rept != s.prefixing.qctl &&
      mine.rept != s.prefixing.qbin)
    s.prefixing.rept = mine.rept;
  s.prefixing.bare_safe_controls = s.prefixing.qbin == 0;
  s.incoming = s.prefixing;
  s.incoming.qctl = theirs.qctl;
  s.attributes = (mine.capas & theirs.capas & kCapAttributes) != 0;
  if (mine.capas & theirs.capas & kCapWindows) s.window = std::clamp(std::min(mine.window, theirs.window), 1, 31);
  const int check_len = check_length(s.check_type);
  if (mine.capas & theirs.capas & kCapLongPackets) {
    // Room for the header characters of a long packet and a margin that peers count differently.
    s.max_data = std::min(theirs.maxlx, kMaxLongLength) - 9 - check_len;
  } else {
    s.max_data = std::min(theirs.maxl, 94) - 2 - check_len;
  }
  s.max_data = std::max(s.max_data, 10);
  s.framing = Framing{std::min(theirs.npad, 64), theirs.padc, theirs.eol};
  s.peer_time = theirs.time;
  return s;
}

}  // namespace sio::kermit

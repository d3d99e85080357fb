// The Send-Init exchange: each side states what it can do in an S packet or its ACK, and
// both use what they have in common.
#pragma once

#include <string>
#include <string_view>

#include "sio/kermit/codec.h"
#include "sio/kermit/packet.h"

namespace sio::kermit {

// The CHKT of a peer that puts the CRC on every packet, its Send-Init and our reply included.
constexpr char kForcedCrc = '5';

// Capability bits of the CAPAS field.
constexpr int kCapLongPackets = 2;
constexpr int kCapWindows = 4;
constexpr int kCapAttributes = 8;

// The fields of a Send-Init data field. The defaults are the protocol's values for fields a
// peer leaves out.
struct InitParams {
  int maxl = 80;       // longest normal packet (its LEN value) that the sender of these wants
  int time = 5;        // seconds the other side should wait for a packet before timing out
  int npad = 0;
  char padc = 0;
  char eol = '\r';
  char qctl = '#';
  char qbin = ' ';     // 'Y': will prefix the 8th bit if asked; 'N': won't; else the prefix wanted
  char chkt = '1';
  char rept = ' ';     // the repeat prefix wanted, ' ' for none
  int capas = 0;
  int window = 1;
  int maxlx = 500;     // longest long packet, when kCapLongPackets is set
};

std::string encode_init(const InitParams& params);
InitParams parse_init(std::string_view field);

// What our sender offers: 8 bits clean, CRC checks, repeat counts, long packets, a sliding
// window, attributes.
InitParams our_offer(int time_seconds);
// The receiver's reply to a sender's offer: agrees with every choice it can meet; data that
// runs ahead of a damaged packet within the window is kept until that packet comes again.
InitParams reply_to(const InitParams& offer, int time_seconds);

// What both sides use after the exchange.
struct Session {
  int check_type = 1;
  Prefixing prefixing;       // for the data we send
  Prefixing incoming;        // for the data the peer sends
  bool attributes = false;
  int max_data = 90;        // data characters we may put in one packet
  int window = 1;           // packets that may be on their way unacknowledged
  Framing framing;          // how the peer wants our packets framed
  int peer_time = 5;        // seconds the peer asked us to wait for its packets
};

Session negotiate(const InitParams& mine, const InitParams& theirs);

}  // namespace sio::kermit

// The default waits and limits of every protocol, each written only here: the timing structs of
// the protocols start from these (tests shorten them through the structs), and the descriptions
// of the protocols refer here. Times in milliseconds.
#pragma once

namespace sio::defaults {

// Protocol loops wait for bytes in slices no longer than this: a progress report is due at least
// every two slices while nothing arrives.
inline constexpr int kProgressSliceMs = 50;

namespace xmodem {
// The receiver (ReceiverTiming).
inline constexpr int kStartRetryMs = 3000;
inline constexpr int kCrcRequests = 4;
inline constexpr int kStartRequests = 20;
inline constexpr int kBlockWaitMs = 5000;
inline constexpr int kByteWaitMs = 1000;
inline constexpr int kPurgeQuietMs = 200;
inline constexpr int kPurgeLimitMs = 3000;
inline constexpr int kEotQuietMs = 50;
inline constexpr int kMaxErrors = 10;
// The sender (SenderTiming).
inline constexpr int kStartWaitMs = 60000;
inline constexpr int kAnswerWaitMs = 10000;
inline constexpr int kBlockResendMs = 100;
inline constexpr int kResendWaitMs = 1500;
inline constexpr int kMaxRetries = 10;
inline constexpr int kFinalWaitMs = 2000;
}  // namespace xmodem

namespace zmodem {
inline constexpr int kStartMs = 30000;
inline constexpr int kPromptMs = 3000;
inline constexpr int kRetryMs = 1000;
inline constexpr int kAnswerMs = 250;
inline constexpr int kIdleMs = 15000;
inline constexpr int kFinishMs = 500;
inline constexpr int kMaxErrors = 30;
}  // namespace zmodem

namespace kermit {
inline constexpr int kPacketTimeoutMs = 5000;
inline constexpr int kStartTimeoutMs = 60000;
inline constexpr int kMaxRetries = 10;
// The longest packet wait a peer may ask for.
inline constexpr int kLongestPacketTimeoutMs = 30000;
}  // namespace kermit

}  // namespace sio::defaults

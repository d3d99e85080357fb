// XMODEM and YMODEM over a byte channel, with the times and limits open to tests.
//
// Sending: the receiver chooses the check: 'C' gets CRC-16 blocks, NAK gets checksum blocks,
// whatever variant was asked for. The 1K variant and YMODEM send 1024-byte blocks (only with
// CRC) once the line has been clean for a while, 128-byte blocks before that, after damage and
// for the tail of a file; the last block is padded with SUB (0x1A) (block_sizer.h).
//
// Receiving: the checksum variant asks with NAK; the CRC and 1K variants ask with 'C' and fall
// back to NAK (checksums) when the sender never answers 'C'. Every variant takes 128- and
// 1024-byte blocks. A repeated block is acknowledged and dropped; a damaged one is asked for
// again; an EOT is answered once the line is quiet after it, the first with NAK, and only an
// EOT that comes alone in answer to that NAK ends the file, so damaged bytes cannot end it early. XMODEM carries no length: the trailing SUBs of the last block are
// dropped (see file_assembler.h). The file is written beside its target and appears under its
// name only when complete; an existing file is never replaced (-5 at once).
//
// YMODEM receive stores the first file of the batch in the folder under its announced name
// (last path component; a name that is empty, ".", "..", or holds control characters, or that
// names an existing file, cancels the batch with -5), cut to its announced length; later files
// are received and dropped. A batch that stores no file ends with -3.
//
// Time-outs (ReceiverTiming and SenderTiming, defaults in sio/timing_defaults.h): a receiver
// repeats its start request a number of times before it gives up (-2), and asks again after
// silence between blocks and (sooner) inside one; a sender waits for the receiver to start and
// for the first answer; later blocks go again unasked, first soon, then after a longer wait.
// Too many failures in a row end a transfer: -2 when the peer went silent, -3 otherwise, after
// the cancel sequence.
#pragma once

#include <string>

#include "sio/channel.h"
#include "sio/progress.h"
#include "sio/transfers.h"
#include "sio/xmodem/file_source.h"
#include "sio/xmodem/receiver_core.h"
#include "sio/xmodem/sender_core.h"

namespace sio::xmodem {

int send_file(ByteChannel& channel, XmodemVariant variant, const std::string& path, const ProgressFn& progress,
              const SenderTiming& timing = {});
int receive_file(ByteChannel& channel, XmodemVariant variant, const std::string& path, const ProgressFn& progress,
                 const ReceiverTiming& timing = {});
int send_batch(ByteChannel& channel, const std::string& path, const ProgressFn& progress,
               const SenderTiming& timing = {}, const std::string& announced_name = {});
int receive_batch(ByteChannel& channel, const std::string& folder, std::string& stored_name,
                  const ProgressFn& progress, const ReceiverTiming& timing = {});

}  // namespace sio::xmodem

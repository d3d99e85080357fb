#!/usr/bin/env bash
# Records real sessions of our transfers with lrzsz, G-Kermit and C-Kermit (capture.py) and
# writes them as seeds of the fuzz targets, each behind its leading cut byte (see fuzz_input.h).
# Needs a built tree: fuzz/seeds/make_captured_seeds.sh [BUILD_DIR, default build].
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
tool=$(cd "${1:-$root/build}" && pwd)/bin/sio-transfer
corpus=$root/fuzz/corpus
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
# A file of every byte value, then text, then random bytes: 3000 bytes.
python3 -c "
import random, sys
random.seed(7)
sys.stdout.buffer.write(bytes(range(256)) + b'Hello, phone!\r\n' * 20 + bytes(random.randrange(256) for _ in range(2444)))
" >memo.amr
mkdir -p in

# seed NAME CUT TARGET_DIR FILE: the recording FILE behind the cut byte CUT.
seed() {
  mkdir -p "$corpus/$3"
  { printf "\\x$(printf %02x "$2")"; cat "$4"; } >"$corpus/$3/$1"
}

# C-Kermit runs -C commands after its action, too late for settings: they come as a command file.
printf '%s\n' "set carrier-watch off" "set file names literal" "set receive pathnames off" >"$scratch/ckermit-setup"
ckermit="kermit $scratch/ckermit-setup -Y -q -i -l {dev} -b 57600"
ours_receive="$tool receive --protocol kermit --device {dev} --dir in"
ours_send="$tool send --protocol kermit --device {dev} memo.amr"
python3 "$here/capture.py" gkermit_to_us "$ours_receive" "gkermit -q -i -P -s memo.amr"
rm -f in/*
python3 "$here/capture.py" ckermit_to_us "$ours_receive" "$ckermit -s memo.amr"
python3 "$here/capture.py" us_to_gkermit "gkermit -q -i -P -r" "$ours_send"
python3 "$here/capture.py" us_to_ckermit "$ckermit -r" "$ours_send"
seed gkermit_whole 0 kermit_receiver gkermit_to_us.to_receiver
seed gkermit_small_reads 2 kermit_receiver gkermit_to_us.to_receiver
seed ckermit_bytewise 1 kermit_receiver ckermit_to_us.to_receiver
seed ckermit_fast_reads 3 kermit_receiver ckermit_to_us.to_receiver
seed gkermit_answers 1 kermit_sender us_to_gkermit.to_sender
seed ckermit_answers 2 kermit_sender us_to_ckermit.to_sender

rm -f in/*
python3 "$here/capture.py" sz_to_us "$tool receive --protocol zmodem --device {dev} --dir in" "sz -q memo.amr"
python3 "$here/capture.py" us_to_rz "sh -c 'cd in && exec rz -q -y'" "$tool send --protocol zmodem --device {dev} memo.amr"
seed lrzsz_sz_whole 0 zmodem_receiver sz_to_us.to_receiver
seed lrzsz_sz_fast_reads 3 zmodem_receiver sz_to_us.to_receiver
seed lrzsz_sz 2 zmodem_frames sz_to_us.to_receiver
seed lrzsz_rz_answers 2 zmodem_sender us_to_rz.to_sender


/* Encodes 8 kHz mono signed 16-bit little-endian PCM (stdin) into an AMR-NB file (stdout):
 * the "#!AMR\n" magic, then one storage-format frame (mode byte and speech bits) per 20 ms.
 * Usage: amr_encode [MODE]   MODE 0-7 (4.75 to 12.2 kbit/s), default 7. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <opencore-amrnb/interf_enc.h>

enum { kSamplesPerFrame = 160, kMaxFrameBytes = 32 };

static int read_frame(short *samples) {
  unsigned char raw[kSamplesPerFrame * 2];
  size_t got = fread(raw, 1, sizeof raw, stdin);
  if (got == 0) return 0;
  memset(raw + got, 0, sizeof raw - got); /* the last frame is padded with silence */
  for (int i = 0; i < kSamplesPerFrame; i++)
    samples[i] = (short)(raw[2 * i] | (raw[2 * i + 1] << 8));
  return 1;
}

int main(int argc, char **argv) {
  int mode = argc > 1 ? atoi(argv[1]) : MR122;
  if (mode < MR475 || mode > MR122) {
    fprintf(stderr, "amr_encode: mode must be 0-7\n");
    return 2;
  }
  void *encoder = Encoder_Interface_init(0);
  if (!encoder) {
    fprintf(stderr, "amr_encode: encoder init failed\n");
    return 1;
  }
  fputs("#!AMR\n", stdout);
  short samples[kSamplesPerFrame];
  unsigned char frame[kMaxFrameBytes + 8];
  while (read_frame(samples)) {
    int n = Encoder_Interface_Encode(encoder, (enum Mode)mode, samples, frame, 0);
    if (n <= 0 || fwrite(frame, 1, (size_t)n, stdout) != (size_t)n) {
      fprintf(stderr, "amr_encode: encoding or writing failed\n");
      Encoder_Interface_exit(encoder);
      return 1;
    }
  }
  Encoder_Interface_exit(encoder);
  return fflush(stdout) == 0 ? 0 : 1;
}

// The serial library: port control and file transfers, addressed by COM port number.
// Every operation takes the port number first and returns a signed result, negative on error.
#pragma once

#include <cstddef>

#include "sio/result.h"

// The line mode of sio_ioctl: one data-bits code OR one stop-bits code OR one parity code.
enum : int { SIO_BIT_5 = 0, SIO_BIT_6 = 1, SIO_BIT_7 = 2, SIO_BIT_8 = 3 };
enum : int { SIO_STOP_1 = 0, SIO_STOP_2 = 4 };
enum : int { SIO_PARITY_NONE = 0, SIO_PARITY_ODD = 8, SIO_PARITY_EVEN = 24, SIO_PARITY_MARK = 40, SIO_PARITY_SPACE = 56 };

// The flow modes of sio_flowctrl, OR-ed: RTS/CTS is both hardware bits, XON/XOFF both software bits.
enum : int {
  SIO_FLOW_CTS = 1,
  SIO_FLOW_RTS = 2,
  SIO_FLOW_TX_XON = 4,
  SIO_FLOW_RX_XON = 8,
  SIO_FLOW_RTS_CTS = SIO_FLOW_CTS | SIO_FLOW_RTS,
  SIO_FLOW_XON_XOFF = SIO_FLOW_TX_XON | SIO_FLOW_RX_XON,
};

// Progress callback of a transfer: (bytes so far, unused, unused, file length); -1 aborts, 0 goes on.
using sio_callback = int (*)(long xmitlen, int buflen, int buf, long flen);

// Size of a batch receive's name buffer: 260 bytes of name and the terminating zero.
constexpr std::size_t SIO_NAME_BUFFER = 261;

int sio_open(int port);
int sio_close(int port);
int sio_ioctl(int port, int baud, int mode);
int sio_flowctrl(int port, int mode);
int sio_DTR(int port, int mode);
int sio_RTS(int port, int mode);
long sio_getbaud(int port);
int sio_SetWriteTimeouts(int port, unsigned long timeout_ms);
int sio_read(int port, char* buf, int len);
int sio_write(int port, const char* buf, int len);

// The system error number kept by the last operation on this thread that failed with -8 or -10,
// and the platform's text for an error number (empty when it has none).
int sio_last_error();
const char* sio_error_text(int error_number);

// The group that owns the device a port number reaches (for example "dialout"): its members may
// open it. Empty when the device or its group cannot be found.
const char* sio_port_group(int port);

int sio_FtXmodem1KCRCTx(int port, const char* fname, sio_callback cb, int key);
int sio_FtXmodemCheckSumTx(int port, const char* fname, sio_callback cb, int key);
int sio_FtXmodemCRCTx(int port, const char* fname, sio_callback cb, int key);
int sio_FtYmodemTx(int port, const char* fname, sio_callback cb, int key);
int sio_FtZmodemTx(int port, const char* fname, sio_callback cb, int key);
int sio_FtKermitTx(int port, const char* fname, sio_callback cb, int key);
int sio_FtASCIITx(int port, const char* fname, sio_callback cb, int key);

int sio_FtXmodem1KCRCRx(int port, const char* fname, sio_callback cb, int key);
int sio_FtXmodemCheckSumRx(int port, const char* fname, sio_callback cb, int key);
int sio_FtXmodemCRCRx(int port, const char* fname, sio_callback cb, int key);
// Batch receives: names[0] points at a SIO_NAME_BUFFER-byte buffer that gets the stored name.
int sio_FtYmodemRx(int port, char** names, int count, sio_callback cb, int key);
int sio_FtZmodemRx(int port, char** names, int count, sio_callback cb, int key);
int sio_FtKermitRx(int port, char** names, int count, sio_callback cb, int key);
// ASCII receive ends when the user aborts (-4) or `quiet_seconds` pass without data after some arrived.
int sio_FtASCIIRx(int port, const char* fname, sio_callback cb, int key, int quiet_seconds);

// The serial library: port control and file transfers, addressed by COM port number.
// Every operation takes the port number first and returns a signed result, negative on error.
#pragma once

#include <cstddef>

// Results of the port operations. The four marked "never returned" belong to the interface that
// callers were written against (they have messages for them); this library has no case for them.
//
// A vanished device (USB cable pulled, the driver hung the line up, the other end of a pty
// closed) gives SIO_GONE from every port operation that meets it: sio_read (the terminal
// reads nothing and reports a hang-up, or the read fails with EIO or ENXIO), sio_write, and
// the configuring calls (sio_ioctl, sio_flowctrl, sio_DTR, sio_RTS, sio_getbaud). It stays so:
// a device does not come back on the same handle, even when plugged in again. The caller
// closes the port once (sio_close never fails or waits there) and may open it again later
// (sio_open of a port left open on a vanished device drops the dead handle and opens anew).
// With SIO_GONE, sio_last_error() holds EIO, ENXIO or ENODEV. A transfer that meets it ends with
// SIOFT_WIN32FAIL and one of those errors, and the next sio_read says SIO_GONE.
enum : int {
  SIO_OK = 0,
  SIO_BADPORT = -1,          // port number out of range, or the port is not open
  SIO_NOTSUPPORT = -2,       // never returned: the board cannot do it
  SIO_NODATA = -4,           // never returned: sio_read answers 0 when nothing waits
  SIO_OPENFAIL = -5,         // no such device, a serial port without hardware behind it (system
                             // error ENODEV), or one that another program holds or has locked (EBUSY)
  SIO_OUTCONTROL = -6,       // RTS is held by RTS/CTS flow control
  SIO_BADPARM = -7,          // an argument the operation does not know
  SIO_WIN32FAIL = -8,        // the operating system failed; see sio_last_error()
  SIO_BOARDNOTSUPPORT = -9,  // never returned: the board does not support the operation
  SIO_ABORTWRITE = -11,      // never returned: a blocked write aborted by the user
  SIO_WRITETIMEOUT = -12,   // the line did not take everything within the write time-out
  SIO_ACCESSDENIED = -13,    // the user may not open the device; sio_port_group() names its group
  SIO_GONE = -14,            // the device has vanished; see above
  // A setting the device did not take: read back after applying, it differs from the one asked
  // for (the input and output speeds are both checked). The device keeps what it took.
  SIO_SPEEDREFUSED = -15,
  SIO_PARITYREFUSED = -16,
  SIO_DATABITSREFUSED = -17,
  SIO_STOPBITSREFUSED = -18,
  SIO_FLOWREFUSED = -19,
};

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

// Results of the file-transfer operations.
enum : int {
  SIOFT_OK = 0,
  SIOFT_BADPORT = -1,
  SIOFT_TIMEOUT = -2,
  SIOFT_PROTOCOL = -3,     // the peer broke the protocol or retries ran out
  SIOFT_ABORT = -4,        // aborted on this side (callback returned -1)
  SIOFT_FOPEN = -5,        // the file cannot be opened or created
  SIOFT_CANABORT = -6,     // cancelled by the other side
  SIOFT_WIN32FAIL = -10,   // the operating system failed; see sio_last_error()
  SIOFT_NOTSUPPORT = -11,
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

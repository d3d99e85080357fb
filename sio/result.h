// The results of the serial library's operations: 0 or more on success, a negative code on error.
#pragma once

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

namespace sio {

// Keeps the system error number for sio_last_error() (the -8 and -10 results point at it).
void keep_last_error(int error_number);

}  // namespace sio

#!/usr/bin/env python3
"""Writes the seed inputs of the ZMODEM fuzz targets into fuzz/corpus/: whole sessions as one
end sends them (headers of every encoding, subpackets of every frame end, echoes, cancels).
Each seed starts with the byte that tells the target how to cut the rest into reads: the
receiver's answers go in small reads, so that the sender streams between them."""
import os
import sys
import zlib

ZPAD, ZDLE = b'*', 0x18
ZRQINIT, ZRINIT, ZSINIT, ZACK, ZFILE, ZSKIP, ZNAK, ZABORT, ZFIN, ZRPOS, ZDATA, ZEOF, ZFERR, ZCRC = range(14)
ZCRCE, ZCRCG, ZCRCQ, ZCRCW = b'h', b'i', b'j', b'k'
CANFDX, CANOVIO, CANFC32, ESCCTL = 0x01, 0x02, 0x20, 0x40
CANCEL = bytes([0x18] * 8 + [0x08] * 10)


def crc16(data):
    crc = 0
    for b in data:
        crc ^= b << 8
        for _ in range(8):
            crc = ((crc << 1) ^ 0x1021) if crc & 0x8000 else crc << 1
            crc &= 0xFFFF
    return crc


def escape(data, controls=False):
    out = bytearray()
    last = 0
    for c in data:
        if c in (0x10, 0x11, 0x13, 0x18, 0x90, 0x91, 0x93) or (controls and c & 0x60 == 0) or \
                (c & 0x7F == 0x0D and last & 0x7F == 0x40):
            out += bytes([ZDLE, c ^ 0x40])
        else:
            out.append(c)
        last = c
    return bytes(out)


def pos(p):
    return p.to_bytes(4, 'little')


def flags(f0, f1=0, f2=0, f3=0):
    return bytes([f3, f2, f1, f0])


def hex_header(kind, data):
    raw = bytes([kind]) + data
    body = raw + crc16(raw).to_bytes(2, 'big')
    tail = b'\r\n' + (b'' if kind in (ZACK, ZFIN) else b'\x11')
    return b'**' + bytes([ZDLE]) + b'B' + body.hex().encode() + tail


def bin_header(kind, data, crc32=True):
    raw = bytes([kind]) + data
    if crc32:
        return b'*' + bytes([ZDLE]) + b'C' + escape(raw + zlib.crc32(raw).to_bytes(4, 'little'))
    return b'*' + bytes([ZDLE]) + b'A' + escape(raw + crc16(raw).to_bytes(2, 'big'))


def subpacket(data, end, crc32=True):
    crc = zlib.crc32(data + end).to_bytes(4, 'little') if crc32 else crc16(data + end).to_bytes(2, 'big')
    return escape(data) + bytes([ZDLE]) + end + escape(crc)


def file_data(n):
    return bytes((i * 7 + i // 256) & 0xFF for i in range(n))


def sender_session(name=b'memo.amr', data=file_data(3000), crc32=True, block=1024, ends=ZCRCG,
                   before=b'', damage=None):
    """What a sender puts on the line in a whole session."""
    out = bytearray(before)
    out += hex_header(ZRQINIT, pos(0))
    out += bin_header(ZFILE, flags(1), crc32) + subpacket(name + b'\0' + b'%d 14000000000 100644 0 1 %d' %
                                                         (len(data), len(data)) + b'\0', ZCRCW, crc32)
    out += bin_header(ZDATA, pos(0), crc32)
    for start in range(0, len(data), block):
        chunk = data[start:start + block]
        last = start + block >= len(data)
        out += subpacket(chunk, ZCRCE if last else ends, crc32)
        if ends == ZCRCW and not last:  # the frame ended: the next one starts with its own header
            out += bin_header(ZDATA, pos(start + block), crc32)
    if not data:
        out += subpacket(b'', ZCRCE, crc32)
    out += bin_header(ZEOF, pos(len(data)), crc32)
    out += hex_header(ZFIN, pos(0)) + b'OO'
    if damage is not None:
        out[damage] ^= 0x04
    return bytes(out)


def receiver_session(f0=CANFDX | CANOVIO | CANFC32, window=0, resend=()):
    """What a receiver answers in a whole session with a 5000-byte file."""
    out = bytearray(hex_header(ZRINIT, bytes([window & 0xFF, window >> 8, 0, f0])))
    out += hex_header(ZRPOS, pos(0))
    for p in resend:
        out += hex_header(ZRPOS, pos(p))
    ack_every = window or (0 if f0 & CANFDX and f0 & CANOVIO else 1024)  # a half-duplex sender waits for each ZACK
    if ack_every:
        for p in range(ack_every, 5000, ack_every):
            out += hex_header(ZACK, pos(p))
    out += hex_header(ZRINIT, flags(f0)) + hex_header(ZFIN, pos(0))
    return bytes(out)


def write(folder, seeds):
    os.makedirs(folder, exist_ok=True)
    for name, cut, data in seeds:
        with open(os.path.join(folder, name), 'wb') as f:
            f.write(bytes([cut]) + data)


def main():
    corpus = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..', 'corpus')
    echo = b'AT+EFRD="/Voice Memo/memo.amr"\r\n' + hex_header(ZRINIT, flags(CANFDX | CANOVIO | CANFC32))
    to_receiver = [
        ('bin32_whole', 0, sender_session()),
        ('bin32_bytewise', 1, sender_session(data=file_data(300))),
        ('bin16_small_reads', 2, sender_session(crc32=False, ends=ZCRCQ)),
        ('ack_each_subpacket', 3, sender_session(block=256, ends=ZCRCW)),
        ('empty_file', 0, sender_session(data=b'')),
        ('echo_before', 2, sender_session(before=echo)),
        ('path_name', 0, sender_session(name=b'../../etc/passwd')),
        ('cyrillic_name', 3, sender_session(name='Запись 1.amr'.encode('cp1251'))),
        ('damaged_subpacket', 0, sender_session(damage=200)),
        ('cancelled', 2, sender_session()[:700] + CANCEL),
        ('zsinit', 0, hex_header(ZRQINIT, pos(0)) + bin_header(ZSINIT, flags(0)) + subpacket(b'\0', ZCRCW)),
    ]
    to_sender = [
        ('streaming', 2, receiver_session()),
        ('crc16_bytewise', 1, receiver_session(f0=CANFDX | CANOVIO)),
        ('window', 6, receiver_session(window=2048)),
        ('escape_controls', 5, receiver_session(f0=CANFDX | CANOVIO | CANFC32 | ESCCTL)),
        ('resends', 1, receiver_session(resend=(1024, 512, 4999))),
        ('half_duplex', 1, receiver_session(f0=CANFC32)),
        ('skip', 9, hex_header(ZRINIT, flags(CANFDX | CANOVIO | CANFC32)) + hex_header(ZSKIP, pos(0)) +
         hex_header(ZFIN, pos(0))),
        ('nak_crc', 2, hex_header(ZRINIT, flags(CANFC32)) + hex_header(ZNAK, pos(0)) + hex_header(ZCRC, pos(0)) +
         hex_header(ZRPOS, pos(0))),
        ('cancelled', 10, hex_header(ZRINIT, flags(CANFC32)) + hex_header(ZRPOS, pos(0)) + CANCEL),
    ]
    write(os.path.join(corpus, 'zmodem_receiver'), to_receiver)
    write(os.path.join(corpus, 'zmodem_sender'), to_sender)
    write(os.path.join(corpus, 'zmodem_frames'), to_receiver + [('receiver_' + n, c, d) for n, c, d in to_sender])


if __name__ == '__main__':
    main()

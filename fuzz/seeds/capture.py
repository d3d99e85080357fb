#!/usr/bin/env python3
"""Records a real transfer between two programs, each on its own pseudo-terminal, joined by a
relay that writes down what each side sent. The fuzz targets' seeds are such recordings of our
ends talking to lrzsz, G-Kermit and C-Kermit.

    capture.py OUT_PREFIX 'receiver command' 'sender command'

A command reads and writes its pty as standard input and output, or names it as {dev}. Writes
OUT_PREFIX.to_receiver and OUT_PREFIX.to_sender; runs in a scratch folder that holds the
commands' files.
"""
import os
import select
import shlex
import subprocess
import sys
import time
import tty


def start(command, cwd):
    master, slave = os.openpty()
    tty.setraw(slave)
    device = os.ttyname(slave)
    argv = [a.replace('{dev}', device) for a in shlex.split(command)]
    uses_stdio = not any('{dev}' in a for a in shlex.split(command))
    process = subprocess.Popen(argv, cwd=cwd, stdin=slave if uses_stdio else subprocess.DEVNULL,
                               stdout=slave if uses_stdio else subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return process, master, slave


def main():
    prefix, receiver_command, sender_command = sys.argv[1:4]
    cwd = os.getcwd()
    receiver, r_master, r_slave = start(receiver_command, cwd)
    sender, s_master, s_slave = start(sender_command, cwd)
    recorded = {s_master: bytearray(), r_master: bytearray()}
    other = {s_master: r_master, r_master: s_master}
    deadline = time.time() + 60
    while time.time() < deadline and (receiver.poll() is None or sender.poll() is None):
        ready, _, _ = select.select([s_master, r_master], [], [], 0.1)
        for fd in ready:
            try:
                data = os.read(fd, 65536)
            except OSError:
                continue
            recorded[fd] += data
            os.write(other[fd], data)
    for process in (receiver, sender):
        if process.poll() is None:
            process.kill()
    with open(prefix + '.to_receiver', 'wb') as f:
        f.write(recorded[s_master])
    with open(prefix + '.to_sender', 'wb') as f:
        f.write(recorded[r_master])
    print(prefix, 'receiver', receiver.returncode, 'sender', sender.returncode,
          len(recorded[s_master]), len(recorded[r_master]))


if __name__ == '__main__':
    main()

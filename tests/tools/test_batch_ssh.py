#!/usr/bin/python3
"""wordrep-batch's scale-out through GNU parallel's --sshloginfile against a
real OpenSSH server that the test starts itself: on 127.0.0.1, on a free
port, with a throw-away host key, user key and sshd_config of its own (the
system's configuration is not read or touched; as root, sshd runs in a
mount namespace of its own where /run/sshd is a fresh folder).  Two login
lines name the same host, so that every part travels over ssh.  The server
is stopped while parts wait at a gate on its side: the batch must fail
resumably; with the server back, --resume must complete the output byte for
byte as a local run writes it.  Skipped, saying why, only when sshd cannot
be started at all."""

import getpass
import os
import shutil
import signal
import socket
import subprocess
import unittest

from gate import GateTimeout, wait_for
from helpers import STUB_CENSUS, geng
from test_batch_census import CensusCase

SSHD = "/usr/sbin/sshd"
CONFIG = """Port {port}
ListenAddress 127.0.0.1
HostKey {dir}/host_key
PidFile {dir}/sshd.pid
AuthorizedKeysFile {dir}/authorized_keys
AllowUsers {user}
PubkeyAuthentication yes
PasswordAuthentication no
KbdInteractiveAuthentication no
PermitRootLogin prohibit-password
StrictModes no
UsePAM no
MaxStartups 100
MaxSessions 100
AcceptEnv TMPDIR
"""


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def descendants(pid):
    """pid and every process below it, by the parent links in /proc."""
    children = {}
    for name in os.listdir("/proc"):
        if name.isdigit():
            try:
                with open("/proc/%s/stat" % name) as f:
                    parent = int(f.read().rsplit(")", 1)[1].split()[1])
            except (OSError, IndexError, ValueError):
                continue
            children.setdefault(parent, []).append(int(name))
    found, todo = [], [pid]
    while todo:
        p = todo.pop()
        found.append(p)
        todo += children.get(p, [])
    return found


class Server:
    """An sshd of the test's own in folder, on port."""

    def __init__(self, folder):
        self.dir, self.port, self.proc, self.starts = folder, free_port(), None, 0
        self.user = getpass.getuser()
        os.mkdir(os.path.join(folder, "tmp"))
        for key in ("host_key", "user_key"):
            subprocess.run(["ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-C", "test",
                            "-f", os.path.join(folder, key)], check=True)
        shutil.copy(os.path.join(folder, "user_key.pub"), os.path.join(folder, "authorized_keys"))
        self.config = os.path.join(folder, "sshd_config")
        with open(self.config, "w") as f:
            f.write(CONFIG.format(port=self.port, dir=folder, user=self.user))

    def ssh(self, login):
        # (the parts' scratch files in the test's folder: those of killed parts too)
        return ("ssh -F /dev/null -p %d -i %s/user_key -o IdentitiesOnly=yes -o BatchMode=yes "
                "-o StrictHostKeyChecking=no -o UserKnownHostsFile=/dev/null -o LogLevel=ERROR "
                "-o SetEnv=TMPDIR=%s/tmp %s" % (self.port, self.dir, self.dir, login))

    def start(self):
        """Starts sshd; returns None, or why it cannot be started."""
        self.starts += 1
        log = os.path.join(self.dir, "sshd.%d.log" % self.starts)
        cmd = [SSHD, "-D", "-e", "-f", self.config]
        if os.geteuid() == 0 and not os.path.isdir("/run/sshd"):
            cmd = ["unshare", "--mount", "--propagation", "private", "sh", "-c",
                   'mount -t tmpfs wordrep-test /run && mkdir /run/sshd && exec "$@"', "sh"] + cmd
        with open(log, "w") as err:
            try:
                self.proc = subprocess.Popen(cmd, stdin=subprocess.DEVNULL,
                                             stdout=subprocess.DEVNULL, stderr=err)
            except OSError as e:
                return "cannot run %s: %s" % (cmd[0], e.strerror)
        listening = "Server listening on 127.0.0.1 port %d." % self.port
        try:
            wait_for(lambda: self.proc.poll() is not None or listening in self.log(), [self.dir])
        except GateTimeout:
            self.stop()
            return "sshd did not listen: %s" % self.log().strip()
        if self.proc.poll() is not None:
            return "sshd ended at once: %s" % self.log().strip()
        return None

    def log(self):
        with open(os.path.join(self.dir, "sshd.%d.log" % self.starts)) as f:
            return f.read()

    def stop(self):
        """Kills sshd with every session and command it started."""
        if self.proc is None:
            return
        for pid in descendants(self.proc.pid):
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        self.proc.wait()
        self.proc = None


class OverSsh(CensusCase):
    def setUp(self):
        super().setUp()
        if not os.path.exists(SSHD) or shutil.which("ssh") is None:
            self.skipTest("no OpenSSH server or client (Debian openssh-server)")
        os.mkdir(os.path.join(self.dir, "ssh"))
        self.server = Server(os.path.join(self.dir, "ssh"))
        self.addCleanup(self.server.stop)

    def test_parts_travel_and_a_stopped_server_is_resumed_from(self):
        why = self.server.start()
        if why:
            self.skipTest(why)
        login = "%s@127.0.0.1" % self.server.user
        p = subprocess.run(self.server.ssh(login).split() + ["echo", "reached"],
                           capture_output=True, text=True, timeout=120)
        self.assertEqual((p.returncode, p.stdout), (0, "reached\n"), p.stderr)
        machines = os.path.join(self.dir, "machines")
        with open(machines, "w") as f:
            f.write("1/%s\n1/%s\n" % (self.server.ssh("127.0.0.1"), self.server.ssh(login)))
        # The census the parts run over ssh: the stand-in, told where its
        # control file is (ssh passes no environment on).
        census = os.path.join(self.dir, "census")
        with open(census, "w") as f:
            f.write('#!/bin/sh\nSTUB_CONTROL=%s exec %s "$@"\n' % (self.ctl, STUB_CENSUS))
        os.chmod(census, 0o755)
        graphs = geng("-c", 6)[:24]
        path = self.write_input(graphs)
        run = [path, "--chunk", "2", "--census", census]

        local = os.path.join(self.dir, "local.csv")
        p = self.batch(*run, "-o", local)
        self.assertEqual(p.returncode, 0, p.stderr)
        self.assertEqual(self.read(local), self.one_run("".join(g + "\n" for g in graphs)))

        # Parts 0-5 finish; from part 6 on every graph waits at a gate on
        # the server's side, shut until the server has been stopped.
        gate, waiting = os.path.join(self.dir, "gate"), os.path.join(self.dir, "waiting")
        os.mkdir(waiting)
        self.control({"wait": {g: gate for g in graphs[12:]}, "waiting": waiting})
        journal = self.out + ".journal"
        first = self.start(*run, "-o", self.out, "--sshloginfile", machines)
        wait_for(lambda: os.path.exists(journal) and len(self.done_parts()) == 6
                 and len(os.listdir(waiting)) == 2, [self.dir, waiting])
        self.assertGreaterEqual(self.server.log().count("Accepted publickey for %s from "
                                                        "127.0.0.1" % self.server.user), 8)
        self.server.stop()
        _, err = first.communicate(timeout=300)
        self.assertEqual(first.returncode, 4, err)
        self.assertRegex(err.splitlines()[-1], r"^wordrep-batch: 6 parts did not complete "
                                               r"\(GNU parallel exit status \d+\); run the same "
                                               r"command with --resume to go on$")
        self.assertEqual(self.done_parts(), set(range(6)))

        open(gate, "w").close()
        self.control({})
        self.assertIsNone(self.server.start())
        again = self.batch(*run, "-o", self.out, "--sshloginfile", machines, "--resume")
        self.assertEqual(again.returncode, 0, again.stderr)
        self.assertIn("  parts: 12 of 12 finished, 6 taken from the journal\n", again.stderr)
        with open(local, "rb") as f, open(self.out, "rb") as g:
            self.assertEqual(g.read(), f.read())
        self.assertFalse(os.path.exists(journal))


if __name__ == "__main__":
    unittest.main()

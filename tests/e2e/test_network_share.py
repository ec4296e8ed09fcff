"""A copy into a network share through the real program: a throwaway sshd
on 127.0.0.1 serves a folder, sshfs mounts it under /mnt, where it is a
drive; the program, started in the share, copies a file of it into a
folder of it. Needs root, sshd, sshfs and FUSE; skips elsewhere."""

import os
import shutil
import socket
import stat
import subprocess
import sys
import tempfile
import time

from pelmora_driver import Program, check, main, wait_for

SSHD = "/usr/sbin/sshd"


def why_not():
    if os.geteuid() != 0:
        return "needs root to mount a network share (sshfs under /mnt)"
    for tool in (SSHD, "sshfs", "ssh-keygen", "fusermount"):
        if not shutil.which(tool):
            return f"needs {tool} (scripts/install-deps test)"
    if not os.access("/dev/fuse", os.R_OK | os.W_OK):
        return "needs FUSE (/dev/fuse)"
    return None


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def accepts(port):
    with socket.socket() as s:
        return s.connect_ex(("127.0.0.1", port)) == 0


def test(binary):
    base = tempfile.mkdtemp(prefix="pelmora-net-", dir="/mnt")
    served, share = os.path.join(base, "served"), os.path.join(base, "share")
    os.makedirs(os.path.join(served, "target"))
    os.makedirs(share)
    with open(os.path.join(served, "one.txt"), "wb") as f:
        f.write(b"a file on the share\n")
    os.chmod(os.path.join(served, "one.txt"), 0o640)
    os.utime(os.path.join(served, "one.txt"), (1600000000, 1600000000))
    for key in ("host_key", "user_key"):
        subprocess.run(["ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f",
                        os.path.join(base, key)], check=True)
    shutil.copy(os.path.join(base, "user_key.pub"), os.path.join(base, "authorized_keys"))
    port = free_port()
    with open(os.path.join(base, "sshd_config"), "w") as f:
        f.write(f"Port {port}\nListenAddress 127.0.0.1\nHostKey {base}/host_key\n"
                f"AuthorizedKeysFile {base}/authorized_keys\nPidFile {base}/sshd.pid\n"
                "UsePAM no\nStrictModes no\nPasswordAuthentication no\n"
                "Subsystem sftp internal-sftp\n")
    os.makedirs("/run/sshd", exist_ok=True)
    sshd = subprocess.Popen([SSHD, "-D", "-e", "-f", f"{base}/sshd_config"],
                            stderr=subprocess.DEVNULL)
    sshfs = program = None
    try:
        wait_for("the test sshd", lambda: accepts(port), 10)
        sshfs = subprocess.Popen(
            ["sshfs", "-f", "-p", str(port), "-o",
             f"IdentityFile={base}/user_key,UserKnownHostsFile=/dev/null,"
             "StrictHostKeyChecking=no,BatchMode=yes,LogLevel=ERROR",
             f"root@127.0.0.1:{served}", share])
        wait_for("the share mounted", lambda: os.path.ismount(share), 15)

        program = Program(binary, cwd=share)
        program.window("Pelmora By Orvane")
        program.wait_for_items("File1", ["one.txt"])
        program.click_control("AllFileBtn")
        program.click(program.tab("To Folder(s)"))
        program.click(program.item("Dir2", "target"))
        program.click_control("DirSelBtn")
        folders = program.items("SelDirList")
        check(len(folders) == 1 and folders[0].endswith(":\\target\\")
              and not folders[0].startswith("C:"), f"SelDirList: {folders}")

        program.click_control("CopyBtn1")
        program.window("Pelmora Status")
        program.key("Return")  # "Finish"
        program.wait_text("Label2", "0", window="Pelmora By Orvane")
        check(not program.has_window("Pelmora Status"), "the progress window stayed open")

        copy = os.path.join(served, "target", "one.txt")
        with open(copy, "rb") as f:
            check(f.read() == b"a file on the share\n", "the copy on the server differs")
        st = os.stat(copy)
        check(stat.S_IMODE(st.st_mode) == 0o640 and st.st_mtime == 1600000000,
              f"the copy has mode {oct(st.st_mode)} and time {st.st_mtime}")
        check(os.listdir(os.path.join(served, "target")) == ["one.txt"],
              f"stray files on the share: {os.listdir(os.path.join(served, 'target'))}")
    finally:
        if program:
            program.kill()
        subprocess.run(["fusermount", "-u", "-z", share], stderr=subprocess.DEVNULL)
        for p in (sshfs, sshd):
            if p:
                p.terminate()
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    p.kill()
        time.sleep(0.1)
        if not os.path.ismount(share):
            shutil.rmtree(base, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(test, sys.argv[1], why_not))

"""The Debian package and the installed tree: the .deb holds the program, its helper and its files;
the installed program runs and prints the package's version; the desktop entries validate; and the
installed launcher starts Quillbox in its own data folder.

The build tree comes from CTest (QB_BUILD_DIR); the .deb is made with cpack into a temporary folder
and the program is installed into another (DESTDIR=... cmake --install --prefix /usr), from where
it runs without LD_LIBRARY_PATH: the program finds libqbhook.so through its $ORIGIN RUNPATH.
"""

import os
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import qbharness  # noqa: E402
from qbharness import Quillbox, Session  # noqa: E402

APP_ID = "io.github.quillbox.Quillbox"


def check(args, **kwargs):
    kwargs.setdefault("timeout", 120)
    result = subprocess.run(args, capture_output=True, text=True, stdin=subprocess.DEVNULL, **kwargs)
    if result.returncode != 0:
        raise AssertionError(f"{' '.join(args)} failed ({result.returncode}):\n{result.stdout}\n{result.stderr}")
    return result


class PackageTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        build = os.environ["QB_BUILD_DIR"]
        cls.tmp = tempfile.mkdtemp(prefix="qb-package-")
        out = os.path.join(cls.tmp, "deb")
        check([os.environ["QB_CPACK"], "-G", "DEB", "-B", out, "--config", os.path.join(build, "CPackConfig.cmake")])
        debs = [name for name in os.listdir(out) if name.endswith(".deb")]
        if len(debs) != 1:
            raise AssertionError(f"cpack made {debs}, not one .deb")
        cls.deb = os.path.join(out, debs[0])
        cls.root = os.path.join(cls.tmp, "root")
        check([os.environ["QB_CMAKE"], "--install", build, "--prefix", "/usr"], env=dict(os.environ, DESTDIR=cls.root))
        cls.usr = os.path.join(cls.root, "usr")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def test_the_deb_installs_and_the_program_runs(self):
        paths = [line.split()[5].removeprefix("./") for line in check(["dpkg-deb", "-c", self.deb]).stdout.splitlines()]
        arch = check(["dpkg-architecture", "-qDEB_HOST_MULTIARCH"]).stdout.strip()
        for path in ("usr/bin/quillbox", "usr/bin/quillbox-launch", f"usr/lib/{arch}/quillbox/libqbhook.so",
                     f"usr/share/applications/{APP_ID}.desktop", "usr/share/quillbox/qbhlp.html"):
            self.assertIn(path, paths)
        # Unpacked as dpkg would, the program starts with no library path given.
        unpacked = os.path.join(self.tmp, "unpacked")
        check(["dpkg-deb", "-x", self.deb, unpacked])
        env = qbharness.clean_environment()
        env.pop("LD_LIBRARY_PATH", None)
        version = check(["dpkg-deb", "-f", self.deb, "Version"]).stdout.strip()
        result = check([os.path.join(unpacked, "usr", "bin", "quillbox"), "--version"], env=env, timeout=10)
        self.assertEqual(result.stdout.strip(), "quillbox " + version)

    def test_the_desktop_entries_validate(self):
        if not shutil.which("desktop-file-validate"):
            self.skipTest("desktop-file-validate is not installed")
        entries = [os.path.join(self.usr, "share", "applications", f"{APP_ID}.desktop"),
                   os.path.join(self.usr, "share", "quillbox", "quillbox-autostart.desktop")]
        result = check(["desktop-file-validate", *entries])
        self.assertEqual(result.stdout.strip(), "")

    def test_the_launcher_starts_quillbox_in_its_data_folder(self):
        with Session(self) as s:
            data = os.path.join(s.data_home, "quillbox")
            popen = s.spawn("quillbox", [os.path.join(self.usr, "bin", "quillbox-launch")], env={"LD_LIBRARY_PATH": ""})
            qb = s.quillbox = Quillbox(s, popen, s.log_path_of(popen))
            qb.wait_tray()
            qbharness.wait_until(lambda: os.path.isfile(os.path.join(data, "fm.tmp")), 10, "fm.tmp in the data folder")
            self.assertEqual(stat.S_IMODE(os.stat(data).st_mode), 0o700)
            self.assertTrue(os.path.isfile(os.path.join(data, "qbdat.dbf")))
            self.assertEqual(os.readlink(f"/proc/{popen.pid}/cwd"), os.path.realpath(data))
            qb.send_signal(signal.SIGTERM)
            self.assertEqual(qb.wait_exit(10), 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)

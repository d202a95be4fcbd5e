"""The Debian package and the installed tree: what the .deb holds and declares, what the Debian
tools say about it, and the installed launcher starting Quillbox in its own data folder.

The build tree comes from CTest (QB_BUILD_DIR); the .deb is made with cpack into a temporary folder
and the program is installed into another (DESTDIR=... cmake --install --prefix /usr), from where
it runs without LD_LIBRARY_PATH: the program finds libqbhook.so through its $ORIGIN RUNPATH.
"""

import filecmp
import os
import re
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
TOOL_TIMEOUT = 120

# Installed path (relative to the prefix /usr) -> what it is.
EXPECTED = {
    "bin/quillbox": "the program",
    "bin/quillbox-launch": "the launcher",
    f"share/applications/{APP_ID}.desktop": "the desktop entry",
    f"share/icons/hicolor/scalable/apps/{APP_ID}.svg": "the icon",
    "share/quillbox/qbhlp.html": "the help page",
    "share/quillbox/quillbox-autostart.desktop": "the autostart entry",
    "share/man/man1/quillbox.1.gz": "the manual page",
    "share/man/man1/quillbox-launch.1.gz": "the launcher's manual page",
    f"share/metainfo/{APP_ID}.metainfo.xml": "the AppStream metainfo",
    "share/doc/quillbox/copyright": "the copyright file",
    "share/doc/quillbox/changelog.gz": "the changelog",
}


def run(args, **kwargs):
    kwargs.setdefault("timeout", TOOL_TIMEOUT)
    return subprocess.run(args, capture_output=True, text=True, stdin=subprocess.DEVNULL, **kwargs)


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def check(args, **kwargs):
    result = run(args, **kwargs)
    if result.returncode != 0:
        raise AssertionError(f"{' '.join(args)} failed ({result.returncode}):\n{result.stdout}\n{result.stderr}")
    return result


class PackageTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.build = os.environ["QB_BUILD_DIR"]
        cls.source = os.environ["QB_SOURCE_DIR"]
        cls.tmp = tempfile.mkdtemp(prefix="qb-package-")
        out = os.path.join(cls.tmp, "deb")
        check([os.environ["QB_CPACK"], "-G", "DEB", "-B", out,
               "--config", os.path.join(cls.build, "CPackConfig.cmake")])
        debs = [name for name in os.listdir(out) if name.endswith(".deb")]
        if len(debs) != 1:
            raise AssertionError(f"cpack made {debs}, not one .deb")
        cls.deb = os.path.join(out, debs[0])
        cls.root = os.path.join(cls.tmp, "root")
        check([os.environ["QB_CMAKE"], "--install", cls.build, "--prefix", "/usr"],
              env=dict(os.environ, DESTDIR=cls.root))
        cls.usr = os.path.join(cls.root, "usr")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def field(self, name):
        return check(["dpkg-deb", "-f", self.deb, name]).stdout.strip()

    # -----------------------------------------------------------------------------------------

    def test_contents_and_control_fields(self):
        listing = check(["dpkg-deb", "-c", self.deb]).stdout
        entries = {}
        for line in listing.splitlines():
            parts = line.split()
            path = parts[5].removeprefix("./")
            entries[path] = (parts[0], parts[1], line)
        for path, what in EXPECTED.items():
            with self.subTest(what):
                self.assertIn("usr/" + path, entries, f"{what} is not in the package")
        for path, (mode, owner, line) in entries.items():
            self.assertEqual(owner, "root/root", line)
            if mode.startswith("d"):
                self.assertEqual(mode, "drwxr-xr-x", line)
        self.assertEqual(entries["usr/bin/quillbox-launch"][0], "-rwxr-xr-x")
        # The keyboard helper is private: in the package's own folder of the multiarch library folder,
        # where no ldconfig run is needed.
        arch = check(["dpkg-architecture", "-qDEB_HOST_MULTIARCH"]).stdout.strip()
        helper = f"usr/lib/{arch}/quillbox/libqbhook.so"
        self.assertIn(helper, entries, "the keyboard helper is not in the package")
        self.assertEqual(entries[helper][0], "-rw-r--r--")
        control = check(["dpkg-deb", "-I", self.deb]).stdout
        self.assertNotRegex(control, r"\b(postinst|postrm)\b", "maintainer scripts (ldconfig) are not wanted")
        self.assertTrue(entries["usr/share/man/man1/quillbox-launch.1.gz"][0].startswith("l"))
        # Nothing of the data folder or of a user's files is shipped.
        self.assertFalse([p for p in entries if re.search(r"qbdat|fm\.tmp", p)])

        self.assertEqual(self.field("Package"), "quillbox")
        self.assertEqual(self.field("Section"), "utils")
        depends = self.field("Depends")
        for package in ("libqt6widgets6", "libqt6core6", "libsqlite3-0", "libx11-6", "libxtst6",
                        "libxfixes3", "libqt6svg6", "qt6-qpa-plugins", "xdg-utils"):
            self.assertRegex(depends, rf"(^|[ ,]){re.escape(package)}\b", f"Depends lacks {package}")
        self.assertNotIn("qbhook", depends)

        # The version the package carries is the one the installed program prints, and the
        # installed program starts from the DESTDIR with no library path given.
        env = qbharness.clean_environment()
        env.pop("LD_LIBRARY_PATH", None)
        result = check([os.path.join(self.usr, "bin", "quillbox"), "--version"], env=env, timeout=10)
        self.assertEqual(result.stdout.strip(), "quillbox " + self.field("Version"))
        self.assertIn(f'<release version="{self.field("Version")}"',
                      read(os.path.join(self.usr, "share", "metainfo", f"{APP_ID}.metainfo.xml")))

    def test_debian_tools_accept_the_package(self):
        desktop_files = [os.path.join(self.usr, "share", "applications", f"{APP_ID}.desktop"),
                         os.path.join(self.usr, "share", "quillbox", "quillbox-autostart.desktop")]
        for path in desktop_files:
            text = read(path)
            self.assertRegex(text, r"(?m)^Exec=quillbox-launch$", path)
            self.assertRegex(text, rf"(?m)^Icon={APP_ID}$", path)
        if shutil.which("desktop-file-validate"):
            result = run(["desktop-file-validate", *desktop_files])
            self.assertEqual((result.returncode, result.stdout.strip()), (0, ""), result.stderr)
        else:
            print("desktop-file-validate is not installed: desktop entries not validated", file=sys.stderr)

        result = run(["appstreamcli", "validate", "--no-net", "--explain",
                      os.path.join(self.usr, "share", "metainfo", f"{APP_ID}.metainfo.xml")])
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertNotRegex(result.stdout, r"(?m)^[EW]: ", result.stdout)

        # The manual page renders without a groff warning and has its sections.
        page = run(["man", "--warnings", "-l", "-Tutf8", os.path.join(self.usr, "share", "man", "man1", "quillbox.1.gz")],
                   env=dict(os.environ, MANWIDTH="80", LC_ALL="C.UTF-8"))
        self.assertEqual(page.returncode, 0, page.stderr)
        self.assertEqual(page.stderr.strip(), "")
        plain = re.sub(r".\x08", "", page.stdout)
        for heading in ("NAME", "SYNOPSIS", "DESCRIPTION", "KEYS", "FILES", "EXIT STATUS", "SEE ALSO"):
            self.assertRegex(plain, rf"(?m)^{heading}$")

        lintian = run(["lintian", "--no-tag-display-limit", self.deb], timeout=300)
        print(f"lintian:\n{lintian.stdout}", file=sys.stderr)
        errors = [line for line in lintian.stdout.splitlines() if line.startswith("E: ")]
        self.assertEqual(errors, [], lintian.stdout)

    def test_launcher_options_autostart_and_version(self):
        launcher = os.path.join(self.usr, "bin", "quillbox-launch")
        home = os.path.join(self.tmp, "autostart-home")
        os.makedirs(home)
        env = dict(qbharness.clean_environment(), HOME=home)
        env.pop("XDG_CONFIG_HOME", None)
        entry = os.path.join(home, ".config", "autostart", "quillbox.desktop")
        check([launcher, "--autostart", "on"], env=env, timeout=10)
        self.assertTrue(filecmp.cmp(entry, os.path.join(self.usr, "share", "quillbox", "quillbox-autostart.desktop"),
                                    shallow=False))
        check([launcher, "--autostart", "on"], env=env, timeout=10)   # twice: still one entry, no error
        check([launcher, "--autostart", "off"], env=env, timeout=10)
        self.assertFalse(os.path.exists(entry))
        check([launcher, "--autostart", "off"], env=env, timeout=10)   # already off: no error
        self.assertEqual(run([launcher, "--autostart", "sometimes"], env=env, timeout=10).returncode, 2)
        version = check([launcher, "--version"], env=env, timeout=10)
        self.assertEqual(version.stdout.strip(), "quillbox " + self.field("Version"))
        self.assertEqual(run([launcher, "--bogus"], env=env, timeout=10).returncode, 2)
        # Nothing else was made: neither the options nor the autostart switch create the data folder.
        self.assertEqual(sorted(os.listdir(home)), [".config"])

    def test_launcher_starts_quillbox_in_its_data_folder(self):
        launcher = os.path.join(self.usr, "bin", "quillbox-launch")
        with Session(self) as s:
            data = os.path.join(s.data_home, "quillbox")
            self.assertFalse(os.path.exists(data))
            env = {"LD_LIBRARY_PATH": ""}
            popen = s.spawn("quillbox", [launcher], env=env)
            qb = Quillbox(s, popen, s.log_path_of(popen))
            s.quillbox = qb
            qb.wait_tray()

            qbharness.wait_until(lambda: os.path.isfile(os.path.join(data, "fm.tmp")), 10, "fm.tmp in the data folder")
            self.assertEqual(stat.S_IMODE(os.stat(data).st_mode), 0o700)
            for name in ("qbdat.dbf", "fm.tmp"):
                self.assertTrue(os.path.isfile(os.path.join(data, name)), f"{name} is not in {data}")
            # The exec'd program is the launcher's process, started in the data folder.
            self.assertEqual(os.readlink(f"/proc/{popen.pid}/cwd"), os.path.realpath(data))
            help_page = os.path.join(data, "qbhlp.html")
            self.assertTrue(os.path.islink(help_page))
            self.assertTrue(filecmp.cmp(help_page, os.path.join(self.source, "res", "qbhlp.html"), shallow=False))
            for folder in (s.home, s.cwd):
                self.assertFalse(os.path.exists(os.path.join(folder, "qbdat.dbf")), folder)
                self.assertFalse(os.path.exists(os.path.join(folder, "fm.tmp")), folder)

            qb.send_signal(signal.SIGTERM)
            self.assertEqual(qb.wait_exit(10), 0)

            # A help link that leads nowhere (the package moved or was removed) is renewed.
            os.remove(help_page)
            os.symlink(os.path.join(self.tmp, "gone", "qbhlp.html"), help_page)
            popen = s.spawn("quillbox", [launcher], env=env)
            qb = Quillbox(s, popen, s.log_path_of(popen))
            s.quillbox = qb
            qb.wait_tray()
            self.assertTrue(os.path.isfile(help_page), "the broken help link was not renewed")
            qb.send_signal(signal.SIGTERM)
            self.assertEqual(qb.wait_exit(10), 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)

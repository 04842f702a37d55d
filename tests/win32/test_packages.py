"""What Windows reads from the Windows program's files, checked without running them: the
manifest and version resource of both programs (x86_64 and i686), and both installers'
contents, the 32-bit one included (no 32-bit Wine here to run it)."""

import os
import re
import subprocess
import unittest

import pefile

BUILDS = {"x64": os.environ["VTR_WIN64_BUILD"], "x86": os.environ["VTR_WIN32_BUILD"]}
MACHINES = {"x64": pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"],
            "x86": pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"]}
VERSION = os.environ["VTR_VERSION"]
# What only the Linux program has: none of it may reach what the Windows one shows.
LINUX_ONLY = re.compile(rb"X11|/usr/|~/\.local|\.local/share|xss-lock|XDG_", re.I)


def resources(pe):
    strings = {k.decode(): v.decode() for info in pe.FileInfo[0]
               if hasattr(info, "StringTable") for table in info.StringTable
               for k, v in table.entries.items()}
    manifest = next(e for e in pe.DIRECTORY_ENTRY_RESOURCE.entries if e.id == 24)
    leaf = manifest.directory.entries[0].directory.entries[0].data.struct
    return strings, pe.get_data(leaf.OffsetToData, leaf.Size).decode()


class WindowsPackages(unittest.TestCase):
    def build(self, arch):
        if not os.path.exists(os.path.join(BUILDS[arch], "appVTR.exe")):
            self.skipTest(f"no {arch} build in {BUILDS[arch]} (scripts/build-windows.sh)")
        return BUILDS[arch]

    def check_program(self, data, arch):
        pe = pefile.PE(data=data)
        strings, manifest = resources(pe)
        self.assertEqual(pe.FILE_HEADER.Machine, MACHINES[arch])
        self.assertEqual((strings["ProductName"], strings["CompanyName"],
                          strings["FileVersion"], strings["ProductVersion"],
                          strings["OriginalFilename"], strings["LegalCopyright"]),
                         ("Veltrane", "Corvenna", VERSION + ".0", VERSION, "appVTR.exe",
                          "\xa9 2026 Corvenna"))
        self.assertTrue(strings["FileDescription"])
        fixed, parts = pe.VS_FIXEDFILEINFO[0], [int(p) for p in (VERSION + ".0").split(".")]
        self.assertEqual((fixed.FileVersionMS, fixed.FileVersionLS),
                         (parts[0] << 16 | parts[1], parts[2] << 16 | parts[3]))
        for wanted in ('level="asInvoker"', 'name="Microsoft.Windows.Common-Controls" '
                       'version="6.0.0.0"', "PerMonitorV2", "true/pm",
                       f'processorArchitecture="{"amd64" if arch == "x64" else "x86"}"'):
            self.assertIn(wanted, manifest)
        self.assertEqual(len(re.findall("<supportedOS Id=", manifest)), 4)

    def test_programs(self):
        for arch in BUILDS:
            with self.subTest(arch):
                with open(os.path.join(self.build(arch), "appVTR.exe"), "rb") as exe:
                    self.check_program(exe.read(), arch)

    def test_installers(self):
        for arch in BUILDS:
            with self.subTest(arch):
                setup = os.path.join(self.build(arch), f"VeltraneSetup-{arch}.exe")
                pe = pefile.PE(setup, fast_load=True)
                self.assertEqual(pe.FILE_HEADER.Machine, MACHINES[arch])
                listing = subprocess.run(["7z", "l", "-slt", setup], capture_output=True,
                                         check=True, text=True).stdout
                names = set(re.findall(r"^Path = (.*)$", listing, re.M)[1:])
                self.assertTrue({"appVTR.exe", "README.txt", "help/vtrhelp.html",
                                 "help/vtrhelp.css", "uninstall.exe"} <= names, names)

                def member(name):
                    return subprocess.run(["7z", "x", "-so", setup, name], capture_output=True,
                                          check=True).stdout
                self.check_program(member("appVTR.exe"), arch)
                page, readme = member("help/vtrhelp.html"), member("README.txt")
                self.assertIn(b"%LOCALAPPDATA%\\Veltrane", page)
                self.assertIn(b"Ctrl+Alt+Del", readme)
                self.assertEqual(readme.count(b"\n"), readme.count(b"\r\n"))
                for text in (page, readme):
                    self.assertIsNone(LINUX_ONLY.search(text))


if __name__ == "__main__":
    unittest.main(verbosity=2)

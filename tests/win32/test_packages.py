"""What Windows reads from the Windows program's files, checked without running them: the
manifest and version resource of both programs (x86_64 and i686), and both installers'
contents, the 32-bit one included (no 32-bit Wine here to run it)."""

import os
import re
import subprocess
import unittest

import pefile

BUILDS = {"x64": os.environ["VTR_WIN64_BUILD"], "x86": os.environ["VTR_WIN32_BUILD"]}
MACHINES = {"x64": "IMAGE_FILE_MACHINE_AMD64", "x86": "IMAGE_FILE_MACHINE_I386"}
VERSION = os.environ["VTR_VERSION"]
# What only the Linux program has: none of it may reach what the Windows one shows.
LINUX_ONLY = re.compile(rb"X11|/usr/|~/\.local|\.local/share|xss-lock|XDG_", re.I)


class WindowsPackages(unittest.TestCase):
    def check_program(self, pe, arch):
        strings = {k.decode(): v.decode() for info in pe.FileInfo[0] if hasattr(
            info, "StringTable") for table in info.StringTable for k, v in table.entries.items()}
        ms, ls = pe.VS_FIXEDFILEINFO[0].FileVersionMS, pe.VS_FIXEDFILEINFO[0].FileVersionLS
        self.assertEqual([strings.get(k) for k in ("ProductName", "CompanyName", "FileVersion",
                                                   "ProductVersion", "OriginalFilename")]
                         + [bool(strings.get("FileDescription")), bool(strings.get(
                             "LegalCopyright")), pefile.MACHINE_TYPE[pe.FILE_HEADER.Machine],
                            f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"],
                         ["Veltrane", "Corvenna", VERSION + ".0", VERSION, "appVTR.exe", True,
                          True, MACHINES[arch], VERSION + ".0"])
        resource = next(e for e in pe.DIRECTORY_ENTRY_RESOURCE.entries if e.id == 24)
        leaf = resource.directory.entries[0].directory.entries[0].data.struct
        manifest = pe.get_data(leaf.OffsetToData, leaf.Size).decode()
        for wanted in ('level="asInvoker"', 'name="Microsoft.Windows.Common-Controls" '
                       'version="6.0.0.0"', "PerMonitorV2", "true/pm", "<supportedOS Id=",
                       f'processorArchitecture="{"amd64" if arch == "x64" else "x86"}"'):
            self.assertIn(wanted, manifest)

    def test_programs_and_installers(self):
        for arch, build in BUILDS.items():
            with self.subTest(arch):
                setup = os.path.join(build, f"VeltraneSetup-{arch}.exe")
                self.assertEqual(pefile.MACHINE_TYPE[pefile.PE(setup, fast_load=True)
                                                     .FILE_HEADER.Machine], MACHINES[arch])
                # (7z extracts an absent member as nothing.)
                exe, page, readme, *others = (subprocess.run(
                    ["7z", "x", "-so", setup, name], capture_output=True, check=True).stdout
                    for name in ("appVTR.exe", "help/vtrhelp.html", "README.txt",
                                 "help/vtrhelp.css", "uninstall.exe"))
                self.assertTrue(all(others))
                self.check_program(pefile.PE(data=exe), arch)
                self.assertEqual((b"%LOCALAPPDATA%\\Veltrane" in page, b"Ctrl+Alt+Del" in readme,
                                  readme.count(b"\n"), LINUX_ONLY.search(page + readme)),
                                 (True, True, readme.count(b"\r\n"), None))


if __name__ == "__main__":
    unittest.main(verbosity=2)

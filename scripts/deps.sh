#!/usr/bin/env bash
# Installs the Debian packages a build (with "test", the test run; with "package", the
# packaging) needs, only when missing.
set -euo pipefail
# libssl-dev and zlib1g-dev: the upgrade's signature check and release archive, with the
# libraries Qt already loads; libxcb-render0-dev: the lock picture scaled by the X server.
# qt6-wayland: Qt's Wayland platform, which the program runs on in a Wayland session.
want=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev libxcb1-dev
    libxcb-shm0-dev libxcb-render0-dev libxkbcommon-dev libxkbcommon-x11-dev libxcb-xkb-dev
    libwayland-dev wayland-protocols libssl-dev zlib1g-dev qt6-wayland)
if [ "${1:-}" = test ]; then
    # The fonts keep text metrics in widget tests the same on every machine.
    want+=(xvfb xauth xdotool x11-utils x11-xserver-utils openbox trayer wmctrl imagemagick attr
        python3 fonts-dejavu-core fonts-urw-base35
        # Signing keys and signatures for the upgrade tests.
        openssl
        # A panel that hosts icons as status-notifier items, on a session bus of the test's.
        xfce4-panel dbus-daemon libglib2.0-bin
        # The lock's keys under other layouts (setxkbmap) and pastes it must refuse (xclip).
        x11-xkb-utils xclip
        # Wayland: Debian 12's sway 1.7 (no session lock), mmdebstrap for a Debian 13 root
        # with sway 1.10, grim for pixels, wev as another program's window.
        sway grim mmdebstrap wev
        # Locking from outside the menu: xss-lock, and logind played by python3-dbusmock on
        # a private bus (dbus-daemon), driven with gdbus.
        xss-lock python3-dbusmock dbus-daemon libglib2.0-bin
        # The Windows program: both mingw-w64 compilers, and 64-bit Wine to run its tests;
        # NSIS builds its installer, which 7-Zip lists; pefile reads its resources back.
        g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine64 wine
        nsis p7zip-full python3-pefile)
fi
# Building the Debian package: dpkg-shlibdeps (dpkg-dev) and file find its dependencies.
# The tests build it too, and install it when run as root.
case "${1:-}" in
test) want+=(dpkg-dev file) ;;
package) want+=(dpkg-dev file lintian) ;;
esac
missing=()
for p in "${want[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=
[ "$(id -u)" -ne 0 ] && SUDO=sudo
echo "Installing: ${missing[*]}"
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"

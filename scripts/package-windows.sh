#!/usr/bin/env bash
# Builds the Windows packages into build-package-windows/packages/: the installers
# VeltraneSetup-x86.exe (the 32-bit program) and VeltraneSetup-x64.exe, and the portable
# veltrane-VERSION-windows-x86.zip and -x64.zip, each one folder holding appVTR.exe,
# help\ and README.txt. Builds of their own, so a development option or test address set
# in build-win32/ or build-win64/ never reaches a package.
set -euo pipefail
cd "$(dirname "$0")/.."
# The test set-up installs the mingw-w64 compilers, NSIS (and Python, which zips).
scripts/deps.sh test
out=build-package-windows
version=$(sed -n 's/^project(CorvennaVeltrane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
rm -rf "$out/packages"
mkdir -p "$out/packages"
for target in i686:x86 x86_64:x64; do
    arch=${target#*:}
    build="$out/$arch"
    cmake -S . -B "$build" -G Ninja --no-warn-unused-cli -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-mingw-${target%%:*}.cmake" -DVTR_WERROR=ON \
        -UVTR_UPDATE_BASE_URL >/dev/null
    cmake --build "$build" --target appVTR veltrane_setup
    cp "$build/VeltraneSetup-$arch.exe" "$out/packages/"
    # The zip holds what the installer installs, staged by its build.
    name="veltrane-$version-windows-$arch"
    rm -rf "$out/stage"
    mkdir -p "$out/stage"
    cp -r "$build/packaging/windows/stage" "$out/stage/$name"
    (cd "$out/stage" && python3 -m zipfile -c "../packages/$name.zip" "$name")
done
rm -rf "$out/stage"
ls -l "$out/packages"

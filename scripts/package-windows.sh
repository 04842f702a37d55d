#!/usr/bin/env bash
# Builds the portable Windows packages into build-package-windows/packages/:
# veltrane-VERSION-windows-x86.zip (the 32-bit program) and -x64.zip, each one folder
# holding appVTR.exe, help\ and README.txt. Builds of their own, so a development option
# or test address set in build-win32/ or build-win64/ never reaches a package.
set -euo pipefail
cd "$(dirname "$0")/.."
# The test set-up installs the mingw-w64 compilers (and Python, which zips).
scripts/deps.sh test
out=build-package-windows
version=$(sed -n 's/^project(CorvennaVeltrane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
rm -rf "$out/packages"
mkdir -p "$out/packages"
for target in i686:x86 x86_64:x64; do
    build="$out/${target#*:}"
    cmake -S . -B "$build" -G Ninja --no-warn-unused-cli -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-mingw-${target%%:*}.cmake" -DVTR_WERROR=ON \
        -UVTR_UPDATE_BASE_URL >/dev/null
    cmake --build "$build" --target appVTR
    name="veltrane-$version-windows-${target#*:}"
    stage="$out/stage/$name"
    rm -rf "$out/stage"
    mkdir -p "$stage/help"
    cp "$build/appVTR.exe" "$stage/"
    cp help/vtrhelp.html help/vtrhelp.css "$stage/help/"
    # Windows line ends, so that Notepad shows the lines.
    sed 's/$/\r/' README.md >"$stage/README.txt"
    (cd "$out/stage" && python3 -m zipfile -c "../packages/$name.zip" "$name")
done
rm -rf "$out/stage"
ls -l "$out/packages"

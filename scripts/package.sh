#!/usr/bin/env bash
# Builds the packages into build-package/packages/: a Debian package (veltrane_*.deb)
# and a portable archive (veltrane-*-portable-*.tar.gz), then runs lintian on the
# Debian package (errors fail the script). A build of its own, so a development option
# set in build/ never reaches a package.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh package
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DVTR_LOCK_ESCAPABLE=OFF -DVTR_WERROR=ON >/dev/null
cmake --build build-package --target appVTR vtr_changelog vtr_manual
rm -rf build-package/packages
(cd build-package && cpack -B "$PWD/packages" >/dev/null)
rm -rf build-package/packages/_CPack_Packages
ls -l build-package/packages
deb=(build-package/packages/veltrane_*.deb)
lintian --fail-on error --info "${deb[0]}"

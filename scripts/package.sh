#!/usr/bin/env bash
# Builds the Debian package voran_<version>_amd64.deb, with the hardening
# flags, in a build folder of its own (PACKAGE_BUILD_DIR, default
# build-package; the test command configures it first, without the tests)
# and checks that the programs, the desktop entry, the icon and the man pages
# are in it, and that lintian finds no error in it.
# Prints the package's path.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
build=${PACKAGE_BUILD_DIR:-build-package}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORAN_HARDENING=ON >/dev/null
cmake --build "$build" --target voran voran-cli k900-sim voran_man_pages voran_changelog
desktop-file-validate packaging/voran.desktop
rm -f "$build"/voran_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb="$(ls "$build"/voran_*_amd64.deb)"

contents="$(dpkg-deb --contents "$deb")"
missing=0
for path in ./usr/bin/voran ./usr/bin/voran-cli ./usr/bin/k900-sim \
    ./usr/share/applications/voran.desktop \
    ./usr/share/icons/hicolor/scalable/apps/voran.svg \
    ./usr/share/man/man1/voran.1.gz ./usr/share/man/man1/voran-cli.1.gz \
    ./usr/share/man/man1/k900-sim.1.gz ./usr/share/voran/Support/RSPort.cfg \
    ./usr/share/icons/hicolor/48x48/apps/voran.png ./usr/share/mime/packages/voran.xml \
    ./usr/share/doc/voran/copyright ./usr/share/doc/voran/changelog.gz \
    ./usr/share/doc/voran/manual/index.html ./usr/share/voran/examples/demo.preset; do
    if ! grep -q " $path\$" <<<"$contents"; then
        echo "package.sh: $path is not in $deb" >&2
        missing=1
    fi
done
depends="$(dpkg-deb --field "$deb" Depends)"
if ! grep -q libqt6widgets6 <<<"$depends"; then
    echo "package.sh: $deb does not depend on the Qt 6 libraries: $depends" >&2
    missing=1
fi
if ! grep -q fonts-liberation <<<"$depends"; then
    echo "package.sh: $deb does not depend on fonts-liberation: $depends" >&2
    missing=1
fi
# Errors fail the build; warnings are shown.
if ! lintian --fail-on error "$deb" >&2; then
    echo "package.sh: lintian found errors in $deb" >&2
    missing=1
fi
[ "$missing" -eq 0 ]
echo "$deb"

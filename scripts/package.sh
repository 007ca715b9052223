#!/usr/bin/env bash
# Builds a release and writes the Debian package dist/shelvix_VERSION_ARCH.deb, then checks it:
#   scripts/package.sh        (then: apt install ./dist/shelvix_*.deb)
# The package is made by CPack from the same install rules as `cmake --install`; its Depends
# come from the programs' shared libraries (dpkg-shlibdeps). The tools for making and checking
# the package are installed here, when missing, not by the ordinary build. A compiler launcher
# such as ccache is used when the caller sets CMAKE_CXX_COMPILER_LAUNCHER.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${SHELVIX_PACKAGE_BUILD_DIR:-$here/build-release}"
dist="$here/dist"

bash "$here/scripts/setup-deps.sh" dpkg-dev file lintian appstream desktop-file-utils \
    librsvg2-bin imagemagick
bash "$here/scripts/setup-deps.sh"
bash "$here/scripts/render-icons.sh" --check

# Debian's hardening flags (fortified functions, stack protector, read-only relocations,
# resolved at start).
export DEB_BUILD_MAINT_OPTIONS="${DEB_BUILD_MAINT_OPTIONS:-hardening=+bindnow}"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
      -DSHELVIX_BUILD_TESTS=OFF -DSHELVIX_BUILD_BENCH=OFF \
      -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
      -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
rm -rf "$build/cpack"
(cd "$build" && cpack -G DEB -B "$build/cpack" >/dev/null)
mkdir -p "$dist"
deb=$(ls "$build"/cpack/shelvix_*.deb)
cp "$deb" "$dist/"
deb="$dist/$(basename "$deb")"
echo "Wrote $deb"

# Checks: the desktop files validate, lintian finds no error, and the programs run from an
# unpacked copy.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg-deb -x "$deb" "$scratch"
desktop-file-validate "$scratch/usr/share/applications/shelvix.desktop"
appstreamcli validate --no-net "$scratch"/usr/share/metainfo/*.metainfo.xml
lintian --fail-on error --info "$deb"
"$scratch/usr/bin/shelvix-cli" --version
test -f "$scratch/usr/share/shelvix/manual/shelvix.html"
test -f "$scratch/usr/share/doc/shelvix/manual/shelvix.html"
dpkg-deb -f "$deb" Package Version Architecture Depends Recommends

#!/usr/bin/env bash
# Builds the Debian package framira_<version>_<arch>.deb in build-deb/ and
# checks it: the files a user needs, dependencies from the linked libraries,
# no maintainer scripts. Install it with: sudo apt-get install ./build-deb/framira_*.deb
# Environment: BUILD_DIR (default build-deb).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh test
build=${BUILD_DIR:-build-deb}
# Prefix /usr: the library goes to the multiarch folder Debian uses.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
      -DFRAMIRA_TESTS=OFF -DFRAMIRA_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/framira_*.deb
# CPack warns about the two control files named only to switch its ldconfig
# scripts off (packaging/CMakeLists.txt); its log is shown when it fails.
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || { cat "$build/cpack.log" >&2; exit 1; }
deb=$(ls "$build"/framira_*.deb)

fail() { echo "package: $*" >&2; exit 1; }
info=$(dpkg-deb --info "$deb")
contents=$(dpkg-deb --contents "$deb" | awk '{print $6}')
grep -q '^ Package: framira$' <<<"$info" || fail "wrong package name"
version=$(sed -n 's/^project(Framira VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
grep -q "^ Version: $version\$" <<<"$info" || fail "the version is not $version"
for dep in libc6 libstdc++6 libjpeg62-turbo libtiff6 libpng16-16 libqt6widgets6 qt6-qpa-plugins; do
  grep -q "^ Depends:.*\b$dep\b" <<<"$info" || fail "no dependency on $dep"
done
for script in preinst postinst prerm postrm; do
  ! grep -qw "$script" <<<"$info" || fail "the package has a $script script"
done
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
for file in usr/bin/Framira usr/bin/framira-batch usr/lib/$multiarch/libFramira.so.1 \
            usr/lib/$multiarch/pkgconfig/framira.pc usr/include/framira/framira.h \
            usr/share/man/man1/framira-batch.1 usr/share/applications/framira.desktop \
            usr/share/doc/framira/help/index.html usr/share/icons/hicolor/48x48/apps/framira.png; do
  grep -qx "./$file" <<<"$contents" || fail "the package misses /$file"
done
echo "$deb"

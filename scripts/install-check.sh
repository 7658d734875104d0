#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks what a user gets there:
# the layout, the installed framira-batch framing a picture on its own (no
# LD_LIBRARY_PATH), a C program built against the engine with pkg-config, the
# man page, the bash completion and the desktop entry.
# Environment: BUILD_DIR (default build, configured and built already).
set -euo pipefail
# Greps below read their whole input (no -q): one that stops at the first
# match cuts off a writer still writing, which pipefail reports as failure.
cd "$(dirname "$0")/.."
source=$PWD
build=${BUILD_DIR:-build}
cmake --build "$build" --target installable >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "install-check: $*" >&2; exit 1; }
has_window=no
[ -x "$build/window/Framira" ] && has_window=yes

# Layout. The library folder depends on the prefix the build was configured
# for (lib, or lib/<multiarch> for /usr): find it by the pkg-config file.
pc=$(find "$prefix" -name framira.pc -path '*/pkgconfig/*')
[ -n "$pc" ] || fail "no framira.pc installed"
libdir=$(dirname "$(dirname "$pc")")
version=$(sed -n 's/^project(Framira VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
expected=(bin/framira-batch include/framira/framira.h include/framira/framira_export.h
          include/framira/framira_framework.h share/man/man1/framira-batch.1
          share/bash-completion/completions/framira-batch)
if [ $has_window = yes ]; then
  expected+=(bin/Framira share/applications/framira.desktop share/doc/framira/help/index.html)
  for size in 16 24 32 48 64 128 256; do
    expected+=(share/icons/hicolor/${size}x${size}/apps/framira.png)
  done
fi
for file in "${expected[@]}"; do
  [ -f "$prefix/$file" ] || fail "missing $file"
done
[ -f "$libdir/libFramira.so.$version" ] || fail "missing libFramira.so.$version in $libdir"
[ "$(readlink "$libdir/libFramira.so")" = libFramira.so.1 ] || fail "libFramira.so does not link to libFramira.so.1"
readelf -d "$libdir/libFramira.so.$version" | grep 'SONAME.*\[libFramira\.so\.1\]' >/dev/null || fail "wrong SONAME"
for program in framira-batch Framira; do
  [ -f "$prefix/bin/$program" ] || continue
  readelf -d "$prefix/bin/$program" | grep 'R.*PATH.*\[\$ORIGIN/' >/dev/null || fail "$program has no relative RPATH"
done

# The installed framira-batch, run from elsewhere, frames with the installed
# engine. Its input is the C example's output, so both are exercised.
export PKG_CONFIG_PATH=$libdir/pkgconfig
[ "$(pkg-config --modversion framira)" = "$version" ] || fail "framira.pc gives the wrong version"
cc -std=c99 -Wall -Wextra -Werror -pedantic "$source/examples/frame_picture.c" \
   $(pkg-config --cflags --libs framira) -o "$work/frame_picture"
echo '#include <framira_framework.h>' |
  c++ -std=c++20 -fsyntax-only -x c++ - $(pkg-config --cflags framira) || fail "framira_framework.h does not compile"
LD_LIBRARY_PATH=$libdir "$work/frame_picture" "$work/gradient.ppm" >/dev/null || fail "the C example failed"

mkdir "$work/out"
(cd "$work" && env -u LD_LIBRARY_PATH "$prefix/bin/framira-batch" --preset 640x480 --out out --yes \
   --no-progress --quiet gradient.ppm >/dev/null) || fail "the installed framira-batch failed"
env -u LD_LIBRARY_PATH ldd "$prefix/bin/framira-batch" | grep "libFramira.so.1 => $prefix/" >/dev/null ||
  fail "the installed framira-batch does not load the installed engine"
[ "$(head -c 2 "$work/out/gradient.jpg" | od -An -tx1 | tr -d ' ')" = ffd8 ] || fail "no JPEG written"

# The man page renders without warnings and names every option --help names.
export MANPATH=$prefix/share/man
[ "$(man -w framira-batch)" = "$prefix/share/man/man1/framira-batch.1" ] || fail "man cannot find framira-batch"
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/framira-batch.1" 2>&1 >"$work/man.txt")
[ -z "$warnings" ] || fail "the man page has troff warnings: $warnings"
for option in $("$prefix/bin/framira-batch" --help | grep -o -- '--[a-z-]*' | sort -u); do
  grep -q -- "$option" "$work/man.txt" || fail "the man page misses $option"
done

# Bash completion: options, preset names, and files after an option-less word.
complete_words() {
  bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _framira_batch
           printf "%s\n" "${COMPREPLY[@]}"' _ "$prefix/share/bash-completion/completions/framira-batch" "$@"
}
complete_words framira-batch --pre | grep -x -- --preset >/dev/null || fail "completion misses --preset"
complete_words framira-batch --preset SX | grep -x SXGA >/dev/null || fail "completion misses the preset SXGA"
complete_words framira-batch --preset = 1920 | grep -x 1920x1080 >/dev/null || fail "completion misses --preset=1920x1080"

if [ $has_window = yes ]; then
  desktop-file-validate "$prefix/share/applications/framira.desktop" || fail "the desktop entry is not valid"
  grep -qx 'Exec=Framira %F' "$prefix/share/applications/framira.desktop" || fail "the desktop entry does not pass files"
fi
echo "install-check: the installation in a temporary prefix works"

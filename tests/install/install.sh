#!/usr/bin/env bash
# The installed tree as a host's build sees it.
#   install.sh tree|pkg-config|find_package|examples BUILD_DIR PREFIX WORK_DIR
# Environment: CC, CMAKE, PKG_CONFIG, GENERATOR, LIBDIR, VERSION, SAN_FLAGS, SAN_LIBS, PYTHON3 (may be empty).
set -euo pipefail
step=$1 build=$2 prefix=$3 work=$4
sources=$(cd "$(dirname "$0")" && pwd)

fail() { echo "FAIL: $*" >&2; exit 1; }

tree() {
  rm -rf "$prefix"
  "$CMAKE" --install "$build" --prefix "$prefix" >/dev/null
  local f
  for f in $LIBDIR/librv_zr6180.so $LIBDIR/librv_zr6180.so.3 include/rv_zr6180.h $LIBDIR/pkgconfig/rv_zr6180.pc \
      $LIBDIR/cmake/rv_zr6180/rv_zr6180Config.cmake $LIBDIR/cmake/rv_zr6180/rv_zr6180ConfigVersion.cmake \
      bin/zr6180-sim bin/zr6180-host share/rv_zr6180/examples/zr6180.ini \
      share/rv_zr6180/examples/rostlina.txt share/doc/rv_zr6180/README.md; do
    [ -e "$prefix/$f" ] || fail "$f is not installed"
  done
  [ "$(readlink "$prefix/$LIBDIR/librv_zr6180.so.3")" = "librv_zr6180.so.$VERSION" ] || fail "SONAME link"
  if [ -e "$build/librv_zr6180_gtk.so" ]; then
    [ -e "$prefix/$LIBDIR/rv_zr6180/librv_zr6180_gtk.so" ] || fail "the window module is not installed beside the driver"
  fi
  for f in share/man/man1/zr6180-host.1.gz share/man/man1/zr6180-sim.1.gz share/rv_zr6180/examples/host.c \
      share/rv_zr6180/examples/host.py; do
    [ -e "$prefix/$f" ] || fail "$f is not installed"
  done
  local empty twins
  empty=$(find "$prefix" -type d -empty)
  [ -z "$empty" ] || fail "empty directories: $empty"
  twins=$(find "$prefix" -type f -exec md5sum {} + | sort | uniq -w32 -D)
  [ -z "$twins" ] || fail "files installed twice: $twins"
  # Every relative link of the installed documentation reaches its file.
  local doc link
  while IFS= read -r doc; do
    while IFS= read -r link; do
      [ -e "$(dirname "$doc")/$link" ] || fail "${doc#"$prefix"/} links to $link, which is not installed"
    done < <(grep -o '\]([^)#:]*)' "$doc" | sed 's/^](\(.*\))$/\1/')
  done < <(find "$prefix/share/doc/rv_zr6180" -name '*.md')
  "$prefix/bin/zr6180-sim" --help | grep -q "^usage: zr6180-sim" || fail "zr6180-sim --help"
  [ "$("$prefix/bin/zr6180-sim" --version)" = "zr6180-sim $VERSION" ] || fail "zr6180-sim --version"
  [ "$("$prefix/bin/zr6180-host" --version)" = "zr6180-host $VERSION" ] || fail "zr6180-host --version"

  # The installed host finds the installed driver without --driver.
  mkdir -p "$work"
  printf '[Logovac\xed soubor]\r\nPovolen=0\r\n[Diagnostick\xe9 okno]\r\nPovoleno=0\r\n' >"$work/p.ini"
  printf '[Deklarace rozhran\xed 1]\r\nTyp=ZR-6180\r\nIP adresa=127.0.0.1\r\nUDP port=9\r\nBaud=9600\r\n' >>"$work/p.ini"
  local v
  v=$(RV_ZR6180_WINDOW=none "$prefix/bin/zr6180-host" --tsv -p "$work/p.ini" check) || fail "zr6180-host check: $v"
  printf '%s\n' "$v"
  grep -qx "Driver	$prefix/libexec/rv_zr6180/librv_zr6180.so.3" <<<"$v" || fail "the installed host used another driver"
  grep -qx "Init	OK" <<<"$v" || fail "Init failed"
}

pkg_config() {
  [ -n "$PKG_CONFIG" ] || exit 77
  export PKG_CONFIG_PATH=$prefix/$LIBDIR/pkgconfig
  local flags libdir
  flags=$("$PKG_CONFIG" --cflags --libs rv_zr6180)
  libdir=$("$PKG_CONFIG" --variable=libdir rv_zr6180)
  echo "pkg-config: $flags"
  [ "$(cd "$libdir" && pwd -P)" = "$(cd "$prefix/$LIBDIR" && pwd -P)" ] || fail "libdir $libdir is not in $prefix"
  mkdir -p "$work"
  # shellcheck disable=SC2086
  "$CC" -std=c11 -Wall -Wextra -Werror $SAN_FLAGS "$sources/host.c" -o "$work/host" $flags $SAN_LIBS
  # The run path comes from the pc file: no LD_LIBRARY_PATH needed.
  env -u LD_LIBRARY_PATH "$work/host"
}

find_package() {
  rm -rf "$work"
  "$CMAKE" -S "$sources/project" -B "$work" -G "$GENERATOR" -DCMAKE_C_COMPILER="$CC" \
    -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_C_FLAGS="$SAN_FLAGS" \
    -DCMAKE_EXE_LINKER_FLAGS="$SAN_FLAGS $SAN_LIBS" >/dev/null
  "$CMAKE" --build "$work" >/dev/null
  "$work/host"
}

# The installed Python example, run where it is installed and without -l,
# against the installed simulator and plant; with the web server, when there
# is a web module, which the installed driver must find in its folder.
examples() {
  [ -n "$PYTHON3" ] || exit 77
  local http=""
  [ -e "$build/librv_zr6180_web.so" ] && http=127.0.0.1:0
  env -u LD_LIBRARY_PATH RV_ZR6180_HTTP=$http bash "$sources/../tools/examples.sh" "$prefix/bin/zr6180-sim" \
    "$prefix/share/rv_zr6180" "$work" PY-3 "$PYTHON3" "$prefix/share/rv_zr6180/examples/host.py"
  if [ -n "$http" ]; then
    LC_ALL=C grep -a -q "naslouch. na http://127.0.0.1:" "$work/logs/Rv_zr6180.log" ||
      fail "the installed driver did not start its web module: $(iconv -f CP1250 -t UTF-8 "$work/logs/Rv_zr6180.log")"
  fi
}

case $step in
  tree) tree ;;
  pkg-config) pkg_config ;;
  find_package) find_package ;;
  examples) examples ;;
  *) fail "unknown step $step" ;;
esac

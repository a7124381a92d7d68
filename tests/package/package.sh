#!/usr/bin/env bash
# The Debian packages of a build tree, end to end:
#   package.sh BUILD_DIR WORK_DIR SOURCE_DIR
# Environment: CC, CPACK, VERSION, SOVERSION.
# cpack makes the three packages; their control fields are checked against
# what the files need and against this machine's packages; dpkg unpacks them
# into an empty root (no maintainer script can run there: the postinst only
# refreshes the loader's cache); the installed example host, compiled
# against the root's header through its pkg-config file, runs the root's
# driver and web module against the root's simulator on the loopback; a host
# linked through the dev package runs too; lintian finds no error.
set -euo pipefail
build=$1 work=$2 sources=$3
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in dpkg dpkg-deb dpkg-shlibdeps file lintian pkg-config; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

rm -rf "$work" && mkdir -p "$work"
"$CPACK" --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  fail "cpack: $(cat "$work/cpack.log")"
deb_version=$VERSION-1
runtime=librv-zr6180-$SOVERSION dev=librv-zr6180-dev tools=rv-zr6180-tools
deb() { echo "$work/out/${1}_${deb_version}_$(dpkg --print-architecture).deb"; }
for p in $runtime $dev $tools; do
  [ -f "$(deb "$p")" ] || fail "no package $p: $(ls "$work/out")"
  echo "$p: $(dpkg-deb -f "$(deb "$p")" Depends Recommends | tr '\n' ' ')"
done

# Dependencies: the driver's own libraries as Depends, the modules' as
# Recommends only, the other packages on exactly this runtime package.
field() { dpkg-deb -f "$(deb "$1")" "$2"; }
names() { tr ',' '\n' | sed 's/^ *\([^ ]*\).*/\1/' | grep . | sort; }
needs=$(field "$runtime" Depends | names)
if ! grep -qx libc6 <<<"$needs" || ! grep -qx 'libstdc++6' <<<"$needs"; then
  fail "the runtime package does not depend on the C and C++ run-times: $(field "$runtime" Depends)"
fi
! grep -Eq '^lib(gtk|gdk|glib|gobject|cairo|pango|microhttpd|gnutls)' <<<"$needs" ||
  fail "the runtime package depends on the modules' libraries: $(field "$runtime" Depends)"
if [ -e "$build/librv_zr6180_gtk.so" ]; then
  field "$runtime" Recommends | names | grep -qx libgtk-3-0 || fail "GTK3 is not recommended"
fi
if [ -e "$build/librv_zr6180_web.so" ]; then
  field "$runtime" Recommends | names | grep -qx 'libmicrohttpd[0-9]*' || fail "libmicrohttpd is not recommended"
fi
for p in $dev $tools; do
  field "$p" Depends | tr ',' '\n' | grep -qx " *$runtime (= $deb_version)" || fail "$p does not need $runtime $deb_version"
done
# Every dependency is one this machine satisfies (it built and runs them).
for p in $runtime $dev $tools; do
  while IFS= read -r dep; do
    name=${dep%% *} want=$(sed -n 's/.*(\(.*\))/\1/p' <<<"$dep")
    [ "$name" = "$runtime" ] && continue
    have=$(dpkg-query -W -f='${Version}' "$name" 2>/dev/null) || fail "$p needs $name, which no package here provides"
    [ -z "$want" ] || dpkg --compare-versions "$have" "${want%% *}" "${want#* }" || fail "$p needs $dep, here $have"
  done < <(field "$p" Depends | tr ',' '\n' | sed 's/^ *//' | grep .)
done

# An empty root with a dpkg database of its own.
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
dpkg --root="$root" --unpack "$(deb "$runtime")" "$(deb "$dev")" "$(deb "$tools")" >"$work/dpkg.log" 2>&1 ||
  fail "dpkg: $(cat "$work/dpkg.log")"
dpkg-query --admindir="$root/var/lib/dpkg" -W -f='${Package} ${Version} ${Status}\n' | tee "$work/installed.txt"
[ "$(grep -c " $deb_version install ok unpacked$" "$work/installed.txt")" = 3 ] || fail "not all packages are in the root"
for p in $runtime $dev $tools; do
  for f in copyright changelog.Debian.gz; do
    [ -f "$root/usr/share/doc/$p/$f" ] || fail "$p has no /usr/share/doc/$p/$f"
  done
done
if [ -e "$sources/tools/wireshark/zr6180.lua" ]; then
  dpkg-query --admindir="$root/var/lib/dpkg" -L "$tools" | grep -qx /usr/share/rv_zr6180/wireshark/zr6180.lua ||
    fail "the tools package has no Wireshark dissector"
fi
lib=$(dpkg-query --admindir="$root/var/lib/dpkg" -L "$runtime" | grep "/librv_zr6180.so.$SOVERSION$")
[ -e "$root$lib" ] || fail "the runtime package has no librv_zr6180.so.$SOVERSION"

# The installed example host, built against the root's header found through
# the root's pkg-config file.
pc=$(dpkg-query --admindir="$root/var/lib/dpkg" -L "$dev" | grep '/rv_zr6180\.pc$')
export PKG_CONFIG_SYSROOT_DIR=$root PKG_CONFIG_LIBDIR=$root${pc%/*}
cflags=$(pkg-config --cflags rv_zr6180)
# shellcheck disable=SC2086
"$CC" -std=c99 -Wall -Wextra -Werror $cflags "$root/usr/share/rv_zr6180/examples/host.c" -o "$work/host" -ldl -lpthread
http=""
[ -e "$root${lib%/*}/rv_zr6180/librv_zr6180_web.so" ] && http=127.0.0.1:0
env -u LD_LIBRARY_PATH RV_ZR6180_HTTP=$http bash "$sources/tests/tools/examples.sh" "$root/usr/bin/zr6180-sim" \
  "$root/usr/share/rv_zr6180" "$work/example" C-99 "$work/host" -l "$root$lib"
if [ -n "$http" ]; then
  LC_ALL=C grep -a -q "naslouch. na http://127.0.0.1:" "$work/example/logs/Rv_zr6180.log" ||
    fail "the packaged driver did not start its web module: $(iconv -f CP1250 -t UTF-8 "$work/example/logs/Rv_zr6180.log")"
fi

# A host that links the driver through the dev package's .so link and pc file.
# shellcheck disable=SC2046
"$CC" -std=c11 -Wall -Wextra -Werror "$sources/tests/install/host.c" -o "$work/linked" $(pkg-config --cflags --libs rv_zr6180)
LD_LIBRARY_PATH=$root${lib%/*} "$work/linked"

# The packaged zr6180-host uses the packaged driver.
printf '[Logovac\xed soubor]\r\nPovolen=0\r\n[Diagnostick\xe9 okno]\r\nPovoleno=0\r\n' >"$work/p.ini"
printf '[Deklarace rozhran\xed 1]\r\nTyp=ZR-6180\r\nIP adresa=127.0.0.1\r\nUDP port=9\r\nBaud=9600\r\n' >>"$work/p.ini"
v=$(RV_ZR6180_WINDOW=none "$root/usr/bin/zr6180-host" --tsv -p "$work/p.ini" check) || fail "zr6180-host check: $v"
grep -qx "Driver	$root/usr/libexec/rv_zr6180/librv_zr6180.so.$SOVERSION" <<<"$v" || fail "zr6180-host used another driver: $v"

# lintian: errors fail, warnings are shown.
lintian --fail-on error "$(deb "$runtime")" "$(deb "$dev")" "$(deb "$tools")" 2>&1 | tee "$work/lintian.txt"
echo "ok"

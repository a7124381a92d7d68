#!/usr/bin/env bash
# An example host against zr6180-sim on free ports, with examples/zr6180.ini
# pointed at them:  examples.sh SIM SOURCE_DIR WORK_DIR TEXT COMMAND...
# TEXT is the text the example writes to channel 6000.
set -euo pipefail
sim=$1 sources=$2 work=$3 text=$4
shift 4
rm -rf "$work" && mkdir -p "$work"
sim_pid=""
trap '[ -n "$sim_pid" ] && kill -TERM "$sim_pid" 2>/dev/null; wait 2>/dev/null || true' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$sim" --verbose --plant "$sources/examples/rostlina.txt" 0 0 >"$work/sim.log" 2>&1 &
sim_pid=$!
port() { awk -v n="$1" '$1 == "gateway" && $2 == n && $3 == "listening" { split($5, a, ":"); print a[2] }' "$work/sim.log"; }
for _ in $(seq 100); do [ -n "$(port 2)" ] && break; sleep 0.05; done
[ -n "$(port 2)" ] || fail "the simulator did not start: $(cat "$work/sim.log")"
sed -e "s|^UDP port=47101\r\?\$|UDP port=$(port 1)|" -e "s|^UDP port=47102\r\?\$|UDP port=$(port 2)|" \
    -e "s|^Adresář LOG souborů=.*|Adresář LOG souborů=$work/logs|" -e 's|^Povoleno=1|Povoleno=0|' \
    "$sources/examples/zr6180.ini" >"$work/zr6180.ini"

RV_ZR6180_WINDOW=none "$@" "$work/zr6180.ini" >"$work/out.txt" 2>&1 || fail "exit $?: $(cat "$work/out.txt")"
cat "$work/out.txt"
# Values read back are those written (the plant starts elsewhere); 102 is
# the plant's faulty module with status 5.
diff -u - "$work/out.txt" <<END || fail "unexpected output"
driver: Ovladač ZR-6180 v.3.15 (interface 0x00030000)
write 3000 = 42.5: word 0, status 0
write 4000 = 1234: word 0, status 0
write 5000 = 1: word 0, status 0
write 6000 = "$text": word 0, status 0
read 100 = 42.5: word 0, status 0
read 1000 = 1234: word 0, status 0
read 2000 = 1: word 0, status 0
read 102 = 65.535: word 0, status 5
END
hex=$(printf '%s' "$text" | od -An -tx1 | tr -d ' \n' | tr a-f A-F)
grep -q " id=6000 fn=1 adr=1 per=4 data=$hex " "$work/sim.log" || fail "the text did not reach the gateway"
if grep -q "chybn" "$work/logs/Rv_zr6180.log"; then fail "the driver refused a value: $(iconv -f CP1250 -t UTF-8 "$work/logs/Rv_zr6180.log")"; fi
echo "ok"

# Installs the Debian packages the build and the tests need, only when missing.
# Usage: . scripts/lib/zavislosti.sh; zajisti_balicky pkg...
zajisti_balicky() {
  local chybi=()
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || chybi+=("$p")
  done
  [ ${#chybi[@]} -eq 0 ] && return 0
  echo "installing: ${chybi[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${chybi[@]}" >/dev/null
}

ZAKLADNI_BALICKY=(cmake make g++ pkg-config nlohmann-json3-dev libgtest-dev libgmock-dev libgtk-3-dev)
TESTOVACI_BALICKY=(python3 clang libclang-rt-14-dev libbenchmark-dev xvfb xauth x11-apps x11-utils binutils
  xdotool openbox dbus-daemon at-spi2-core python3-gi gir1.2-atspi-2.0)

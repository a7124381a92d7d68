# Installs the Debian packages the build and the tests need, only when missing.
# Usage: . scripts/lib/packages.sh; ensure_packages pkg...
ensure_packages() {
  local missing=()
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  # No questions: wireshark-common (tshark) would ask whether other users may
  # capture; the tests only read captures they write. Through env, since sudo
  # drops DEBIAN_FRONTEND from the environment.
  echo "wireshark-common wireshark-common/install-setuid boolean false" | $sudo debconf-set-selections
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
}

BUILD_PACKAGES=(cmake make g++ pkg-config nlohmann-json3-dev libgtest-dev libgmock-dev libgtk-3-dev libmicrohttpd-dev)
TEST_PACKAGES=(python3 clang libclang-rt-14-dev libbenchmark-dev xvfb xauth x11-apps x11-utils binutils
  xdotool openbox dbus-daemon at-spi2-core python3-gi gir1.2-atspi-2.0 chromium chromium-driver prometheus
  tshark dpkg-dev file lintian)
# What scripts/package needs beyond the build: cpack's DEB generator runs
# dpkg-shlibdeps (dpkg-dev) and file; lintian checks the packages.
PACKAGING_PACKAGES=(dpkg-dev file lintian)

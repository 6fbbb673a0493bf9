#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the reference service need.
# Idempotent and non-interactive; run as root or with sudo available. With --no-gui it leaves
# out the desktop stack (Qt, GL, X), which a build with -DDOKORA_GUI=OFF does not use.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config git clang-format curl ca-certificates
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev
  # fuzz targets (scripts/fuzz.sh): clang with its libFuzzer and sanitizer runtimes
  clang libclang-rt-dev
  # the web pages' browser test: headless Chromium driven from Node, zip listings
  chromium nodejs unzip
  # engine libraries
  libcurl4-openssl-dev libssl-dev libjsoncpp-dev libpugixml-dev libsimpleini-dev
  # the update's signing key and signatures (scripts/make-update-key.sh, make-installer.sh)
  openssl
  libspdlog-dev libsqlcipher-dev libzip-dev
  # scanning: SANE's library and its test backend, and its command-line tools
  libsane-dev libsane1 sane-utils
  # HTTP server (reference service, fake service in tests) and the service's database
  libcpp-httplib-dev libsqlite3-dev
  # the store several service instances share, and the server its tests start
  libpq-dev postgresql
  # reference conversion service: office headless with its UNO bridge, PDF and image tools,
  # text recognition with Chinese and English
  libreoffice-writer-nogui libreoffice-calc-nogui libreoffice-impress-nogui
  libreoffice-draw-nogui python3-uno poppler-utils ghostscript img2pdf qpdf
  # editable documents rebuilt from a PDF's words, lines and pictures
  libpoppler-cpp-dev
  tesseract-ocr tesseract-ocr-chi-sim tesseract-ocr-eng
  # the texts of the windows and of converted documents
  fonts-noto-cjk
  # the letters on the tile icons
  fonts-dejavu-core
  # the desktop's opener for documents, folders and web pages
  xdg-utils
  # the web PDF tools' watermarks and page numbers, the packages' icons drawn from SVG;
  # .deb building and checks
  librsvg2-bin dpkg-dev fakeroot lintian desktop-file-utils appstream
  # the round-robin balancer scripts/cluster.sh puts in front of the service's instances
  haproxy
)
desktop_packages=(
  # Qt user interface and plug-ins, and an X server for the window tests; a session bus for
  # the tests of the desktop notification
  qt6-base-dev qt6-svg-dev libqt6svg6 libpoppler-qt6-dev libgl-dev xvfb xauth dbus-daemon
  # Qt's own dialogs (print, files) in Chinese
  qt6-translations-l10n
)
# Debian ships npm apart from Node; other builds of Node bring their own.
command -v npm >/dev/null || packages+=(npm)
case "${1:-}" in
  --no-gui) ;;
  "") packages+=("${desktop_packages[@]}") ;;
  *) echo "usage: install-deps.sh [--no-gui]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"

#!/usr/bin/env bash
# Builds the Debian packages (dokora, dokora-server) in BUILD_DIR (default build-package),
# checks the desktop entry, the AppStream metadata and the packages (lintian: no error), and
# that the host can satisfy their dependencies; then installs both into an empty root with
# dpkg and, from that root, runs dokora-convert --help and converts the sample document with
# the installed converter against the installed service.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/service-address.sh
build=${BUILD_DIR:-build-package}
generator=()
[ -f "$build/CMakeCache.txt" ] || generator=(-G Ninja)
cmake -S . -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    "-DCMAKE_CXX_FLAGS=-O2 -g -fstack-protector-strong -D_FORTIFY_SOURCE=2" \
    -DDOKORA_BUILD_TESTS=OFF -DDOKORA_STRIP=ON -DDOKORA_WERROR=ON "$@"
cmake --build "$build" --parallel "$(nproc)"
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB)
debs=("$PWD/$build"/dokora_*.deb "$PWD/$build"/dokora-server_*.deb)

desktop-file-validate packaging/dokora.desktop
appstreamcli validate --no-net packaging/org.dokora.Dokora.metainfo.xml
lintian_log=$(mktemp)
lintian --tag-display-limit 0 "${debs[@]}" | tee "$lintian_log" || true
if grep -q '^E: ' "$lintian_log"; then
    echo "check-packages: lintian reports errors" >&2
    exit 1
fi
rm -f "$lintian_log"
# Every dependency must be one the archive can satisfy.
apt-get install --simulate --no-install-recommends "${debs[@]}" > /dev/null

scratch=$(mktemp -d "${TMPDIR:-/tmp}/dokora-packages.XXXXXX")
server=""
cleanup() {
    [ -z "$server" ] || { kill "$server" 2>/dev/null; wait "$server" 2>/dev/null || true; }
    rm -rf "$scratch"
}
trap cleanup EXIT
root=$scratch/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
# The empty root has none of the libraries; the checks above made sure the archive has them,
# and the programs run with the host's.
dpkg --root="$root" --force-depends --force-not-root -i "${debs[@]}" > "$scratch/dpkg.log" 2>&1 ||
    { cat "$scratch/dpkg.log"; exit 1; }

export HOME=$scratch/home XDG_DATA_HOME=$scratch/data XDG_CONFIG_HOME=$scratch/config
export XDG_CACHE_HOME=$scratch/cache XDG_STATE_HOME=$scratch/state LC_ALL=C.UTF-8
mkdir -p "$HOME" "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_STATE_HOME"
"$root/usr/bin/dokora-convert" --help | grep -q '^Usage: dokora-convert'

data=$XDG_STATE_HOME/dokora-server
printf 'secret-%s\n' "$$" > "$scratch/password"
"$root/usr/bin/dokora-server" --data "$data" --add-user demo < "$scratch/password"
"$root/usr/bin/dokora-server" --data "$data" --port 0 > "$scratch/server.log" 2>&1 &
server=$!
base=$(service_address "$scratch/server.log" "$server") ||
    { echo "the installed service did not start" >&2; exit 1; }
export DOKORA_API_URL="$base" DOKORA_WEB_URL="$base" DOKORA_FILES_URL="$base"
export DOKORA_SSO_URL="$base/shiro-cas" DOKORA_POLL_INTERVAL_MS=300
mkdir -p "$scratch/out"
"$root/usr/bin/dokora-convert" --user demo --password-file "$scratch/password" \
    --out "$scratch/out" Word2PDF samples/sample.docx
head -c 5 "$scratch/out/sample.pdf" | grep -q '%PDF-'
echo "check-packages: ${debs[*]##*/} install and convert"

#!/usr/bin/env bash
# Sets up a machine (packages), builds, starts the reference conversion service on loopback
# with a demo account, and converts the sample document with the command-line converter; with a
# display, then opens the desktop client against the same service.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/service-address.sh
scripts/install-deps.sh
scripts/build.sh

build=${BUILD_DIR:-build}
data=${DOKORA_SERVER_DATA:-${XDG_DATA_HOME:-$HOME/.local/share}/dokora-server}
out=${DOKORA_OUT:-$PWD/out}
mkdir -p "$data" "$out"

# The demo account is made once; its password is printed then and kept for this script.
password_file="$data/demo-password"
if [ ! -s "$password_file" ]; then
    password=$(head -c 18 /dev/urandom | base64 | tr -d '/+=')
    (umask 077 && printf '%s\n' "$password" > "$password_file")
    printf '%s\n' "$password" | "$build/server/dokora-server" --data "$data" --add-user demo
    echo "Demo account created: user 'demo', password '$password' (kept in $password_file)"
fi

log=$(mktemp)
"$build/server/dokora-server" --data "$data" --port 0 > "$log" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -f "$log"' EXIT
base=$(service_address "$log" "$server") || { echo "the conversion service did not start"; exit 1; }
echo "Reference conversion service at $base"

export DOKORA_API_URL="$base" DOKORA_WEB_URL="$base" DOKORA_FILES_URL="$base"
export DOKORA_SSO_URL="$base/shiro-cas" DOKORA_POLL_INTERVAL_MS=${DOKORA_POLL_INTERVAL_MS:-500}
"$build/src/app/dokora-convert" --user demo --password-file "$password_file" --out "$out" \
    Word2PDF samples/sample.docx
echo "The converted sample is in $out"

# The client shares the converter's data directory, so the account plug-in usually still
# holds the demo sign-in; otherwise its login window asks for it.
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "Opening the client (user 'demo', password in $password_file); end it with Ctrl+C"
    "$build/src/app/dokora" || true
fi

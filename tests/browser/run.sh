#!/usr/bin/env bash
# Runs the web pages' browser test against the built service; installs its Node packages
# (locked in package-lock.json) on first use. Exit 77 (skipped) without Chromium or Node.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
server=$1
shift
if ! command -v node >/dev/null || ! command -v "${CHROMIUM:-chromium}" >/dev/null; then
  echo "browser test skipped: chromium or node missing" >&2
  exit 77
fi
if [ ! -d "$here/node_modules/puppeteer-core" ]; then
  (cd "$here" && npm ci --no-audit --no-fund --loglevel=error)
fi
exec node "$here/webtools.mjs" "$server" "$@"

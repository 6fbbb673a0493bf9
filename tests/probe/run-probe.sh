#!/usr/bin/env bash
# Tries hostile cases against a real dokora-server and prints how many hold.
#
#   run-probe.sh [CASE...]      (default: every executable file in cases/)
#
# The runner starts DOKORA_SERVER (a built dokora-server) on a free loopback port with a
# temporary data directory and one account, then runs each case with these variables set:
#   DOKORA_URL        the running service, e.g. http://127.0.0.1:41234
#   DOKORA_USER, DOKORA_PASSWORD   the account to sign in with
#   DOKORA_DATA       the service's data directory
#   DOKORA_SERVER, DOKORA_CONVERT  the built binaries (DOKORA_CONVERT may be empty)
#   DOKORA_PROBE_SCRATCH           an empty directory of the case's own
#   PYTHONPATH        includes lib/, for the shared helpers of the Python cases
# A case is any executable file; it prints one line saying what it tried and exits 0 when
# the service held, non-zero when it did not. Each case gets 60 s. Cases must not depend on
# one another and must not stop the service. The runner ends with "N of M cases hold" and
# fails unless all hold.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/service-address.sh"
: "${DOKORA_SERVER:?DOKORA_SERVER must name a built dokora-server}"
export DOKORA_CONVERT="${DOKORA_CONVERT:-}"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/dokora-probe.XXXXXX")
server_pid=
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT

export DOKORA_DATA="$scratch/data" DOKORA_USER=prober DOKORA_PASSWORD=probe-secret
printf '%s\n' "$DOKORA_PASSWORD" |
    "$DOKORA_SERVER" --data "$DOKORA_DATA" --add-user "$DOKORA_USER" >/dev/null || exit 1
"$DOKORA_SERVER" --data "$DOKORA_DATA" --port 0 --workers 1 --time-limit 60 \
    >"$scratch/server.out" 2>"$scratch/server.log" &
server_pid=$!
if ! DOKORA_URL=$(service_address "$scratch/server.out" "$server_pid"); then
    echo "the service did not start:" && cat "$scratch/server.log"
    exit 1
fi
export DOKORA_URL PYTHONPATH="$here/lib${PYTHONPATH:+:$PYTHONPATH}"

if [ $# -gt 0 ]; then cases=("$@"); else cases=("$here"/cases/*); fi
held=0
total=0
for case in "${cases[@]}"; do
    [ -f "$case" ] && [ -x "$case" ] || continue
    total=$((total + 1))
    export DOKORA_PROBE_SCRATCH="$scratch/case-$total"
    mkdir -p "$DOKORA_PROBE_SCRATCH"
    if line=$(timeout 60 "$case" 2>"$scratch/case-$total.err"); then
        held=$((held + 1))
        echo "holds:  $(basename "$case"): $line"
    else
        echo "FAILS:  $(basename "$case"): ${line:-no answer}"
        sed 's/^/        /' "$scratch/case-$total.err" | tail -5
    fi
done
echo "$held of $total cases hold"
[ "$total" -gt 0 ] && [ "$held" -eq "$total" ]

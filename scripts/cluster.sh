#!/usr/bin/env bash
# Runs the reference conversion service on this machine the way several machines would: a
# private PostgreSQL (Unix socket only), two dokora-server instances sharing it and one
# directory of uploads and results, and haproxy in front sharing requests between them round
# robin. Ends them all with Ctrl+C. With --check it converts documents through the balancer
# with the command-line converter, kills the instance that converts a long one and sees the
# other finish it, prints where each instance stands and stops.
#
# DOKORA_CLUSTER_DIR (a directory of its own under the temporary directory by default),
# DOKORA_CLUSTER_PORT (8780, where clients connect; the instances take the ports after it),
# DOKORA_CLUSTER_WORKERS (1 per instance) and DOKORA_CLUSTER_LEASE (seconds an instance holds
# a task without renewing it: 30, 5 with --check) change where and how it runs.
set -euo pipefail
cd "$(dirname "$0")/.."

check=false
case "${1:-}" in
  --check) check=true ;;
  "") ;;
  *) echo "usage: cluster.sh [--check]" >&2; exit 2 ;;
esac

build=${BUILD_DIR:-build}
server="$build/server/dokora-server"
root=${DOKORA_CLUSTER_DIR:-${TMPDIR:-/tmp}/dokora-cluster-$(id -u)}
port=${DOKORA_CLUSTER_PORT:-8780}
workers=${DOKORA_CLUSTER_WORKERS:-1}
lease=${DOKORA_CLUSTER_LEASE:-$($check && echo 5 || echo 30)}
instances=2
[ -x "$server" ] || { echo "cluster.sh: build first (scripts/build.sh)" >&2; exit 1; }

pgbin=$(find /usr/lib/postgresql -maxdepth 2 -name bin -type d 2>/dev/null | sort -V | tail -n 1)
[ -n "$pgbin" ] || { echo "cluster.sh: PostgreSQL is missing (scripts/install-deps.sh)" >&2; exit 1; }
command -v haproxy >/dev/null || { echo "cluster.sh: haproxy is missing (scripts/install-deps.sh)" >&2; exit 1; }

# PostgreSQL refuses to run as root: then it runs as the unprivileged account the package made.
as_db=()
mkdir -p "$root"
if [ "$(id -u)" -eq 0 ]; then
    db_user=postgres
    id "$db_user" >/dev/null 2>&1 || db_user=nobody
    as_db=(runuser -u "$db_user" --)
    chmod 755 "$root"
fi
pgdata="$root/postgres"
socket="$root/socket"
mkdir -p "$pgdata" "$socket" "$root/shared" "$root/logs"
if [ ${#as_db[@]} -gt 0 ]; then
    chown "$db_user" "$pgdata" "$socket"
fi
chmod 700 "$pgdata" "$socket"

pids=()
stop() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${pids[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    "${as_db[@]}" "$pgbin/pg_ctl" -D "$pgdata" -m fast -w stop >/dev/null 2>&1 || true
}
trap stop EXIT

# The socket directory (mode 0700) is the only way in: trust within it is private.
if [ ! -s "$pgdata/PG_VERSION" ]; then
    "${as_db[@]}" "$pgbin/initdb" -D "$pgdata" -U dokora --auth=trust -E UTF8 >"$root/logs/initdb.log"
fi
"${as_db[@]}" "$pgbin/pg_ctl" -D "$pgdata" -l "$pgdata/server.log" -w \
    -o "-c listen_addresses='' -k $socket" start >/dev/null
"${as_db[@]}" "$pgbin/psql" -h "$socket" -U dokora -d postgres -tAc \
    "SELECT 1 FROM pg_database WHERE datname = 'dokora'" | grep -q 1 ||
    "${as_db[@]}" "$pgbin/createdb" -h "$socket" -U dokora dokora
database="postgresql:///dokora?host=$socket&user=dokora"

# The demo account, made once in the shared store; its password is kept for this script.
password_file="$root/demo-password"
if [ ! -s "$password_file" ]; then
    password=$(head -c 18 /dev/urandom | base64 | tr -d '/+=')
    printf '%s\n' "$password" |
        "$server" --data "$root/instance-1" --database "$database" --add-user demo >/dev/null
    (umask 077 && printf '%s\n' "$password" >"$password_file")
    echo "Demo account created: user 'demo', password '$password' (kept in $password_file)"
fi

# Every instance sees the balancer's address only: the per-address connection cap must let
# all of the balancer's connections through.
public="http://127.0.0.1:$port"
backends=""
for i in $(seq 1 "$instances"); do
    instance_port=$((port + i))
    "$server" --data "$root/instance-$i" --shared "$root/shared" --database "$database" \
        --listen 127.0.0.1 --port "$instance_port" --public-url "$public" --workers "$workers" \
        --lease "$lease" --connections-per-address 4096 >"$root/logs/instance-$i.log" 2>&1 &
    pids+=($!)
    backends+="    server instance-$i 127.0.0.1:$instance_port check"$'\n'
done

cat >"$root/haproxy.cfg" <<EOF
global
    maxconn 1024
defaults
    mode http
    timeout connect 5s
    timeout client 16m
    timeout server 16m
frontend dokora
    bind 127.0.0.1:$port
    default_backend instances
backend instances
    balance roundrobin
    option httpchk GET /healthz
    # A request to an instance that went away is tried on another.
    option redispatch
    retries 3
    default-server inter 1s fall 2 rise 1
$backends
EOF
haproxy -f "$root/haproxy.cfg" -db >"$root/logs/haproxy.log" 2>&1 &
pids+=($!)

up=false
for _ in $(seq 1 150); do
    if [ "$(curl -s -o /dev/null -w '%{http_code}' "$public/healthz")" = 200 ]; then
        up=true
        break
    fi
    sleep 0.2
done
$up || { echo "cluster.sh: the cluster did not come up; see $root/logs and $pgdata/server.log" >&2; exit 1; }
for i in $(seq 1 "$instances"); do
    for _ in $(seq 1 150); do
        curl -sf -o /dev/null "http://127.0.0.1:$((port + i))/healthz" && break
        sleep 0.2
    done
done
echo "Service at $public: $instances instances (ports $((port + 1))-$((port + instances))) over PostgreSQL in $pgdata, files in $root/shared"

metrics() {
    curl -s "http://127.0.0.1:$((port + $1))/metrics" | grep -E "^dokora_$2 " | cut -d' ' -f2
}

if $check; then
    export DOKORA_API_URL="$public" DOKORA_WEB_URL="$public" DOKORA_FILES_URL="$public"
    export DOKORA_SSO_URL="$public/shiro-cas" DOKORA_POLL_INTERVAL_MS=200
    convert=("$build/src/app/dokora-convert" --user demo --password-file "$password_file"
             --out "$root/out")
    rm -rf "$root/out" "$root/input"
    mkdir -p "$root/input"
    for i in 1 2 3 4; do
        cp samples/sample.docx "$root/input/sample-$i.docx"
    done
    "${convert[@]}" Word2PDF "$root/input"/sample-*.docx

    # A document long enough to be caught converting; the instance that converts it is killed.
    for _ in $(seq 1 40000); do
        echo "A line of a long plain text document, converted while its instance is killed."
    done >"$root/input/long.txt"
    "${convert[@]}" TXT2PDF "$root/input/long.txt" &
    converter=$!
    victim=""
    for _ in $(seq 1 300); do
        for i in $(seq 1 "$instances"); do
            [ "$(metrics "$i" running_conversions)" = 1 ] && victim=$i && break 2
        done
        sleep 0.1
    done
    [ -n "$victim" ] || { echo "cluster.sh: no instance took the long document" >&2; exit 1; }
    kill -KILL "${pids[victim - 1]}"
    wait "${pids[victim - 1]}" 2>/dev/null || true
    killed=$(date +%s)
    echo "instance-$victim killed while converting long.txt"
    wait "$converter" || { echo "cluster.sh: long.txt was not converted after the kill" >&2; exit 1; }
    echo "long.txt finished $(($(date +%s) - killed)) s after the kill (lease $lease s)"
    sleep 1
    if pgrep -f "$root/instance-$victim/" >/dev/null; then
        echo "cluster.sh: processes of the killed instance are still running:" >&2
        pgrep -af "$root/instance-$victim/" >&2
        exit 1
    fi
    for i in $(seq 1 "$instances"); do
        [ "$i" = "$victim" ] && continue
        echo "instance-$i: finished $(metrics "$i" finished_total), failed $(metrics "$i" failed_total)"
    done
    exit 0
fi
echo "Stop with Ctrl+C; logs in $root/logs"
wait "${pids[0]}"

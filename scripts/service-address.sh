# Sourced by the scripts that start dokora-server in the background.
# service_address LOG PID: waits (up to 10 s) for the service whose output goes to LOG to say
# where it listens and prints that address; fails, showing LOG, when it ends or never says.
service_address() {
    local log=$1 pid=$2 base
    for _ in $(seq 1 100); do
        grep -q '^listening on ' "$log" 2>/dev/null && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    base=$(sed -n 's/^listening on //p' "$log" 2>/dev/null | head -n 1)
    if [ -z "$base" ]; then
        cat "$log" >&2
        return 1
    fi
    printf '%s\n' "$base"
}

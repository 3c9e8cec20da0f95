#!/usr/bin/env bash
# Starts or stops a throw-away PostgreSQL server for the tests.
#
#   pg-server.sh start DIR   initdb into DIR/data, listen on 127.0.0.1 at a free
#                            port (written to DIR/port), socket in DIR
#   pg-server.sh stop DIR    stop the server and remove DIR
#
# initdb and postgres refuse to run as root, so as root they run as the
# postgres system user on a folder that user owns. Without the server binaries
# the start reports it and exits 0 outside CI, so the tests can skip; in CI
# (CI=true) that is a failure.
set -uo pipefail

action=${1:?start or stop}
dir=${2:?state folder}

bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)

as_owner() {
    if [ "$(id -u)" -eq 0 ]; then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}

case "$action" in
start)
    if [ -z "$bindir" ] || [ ! -x "$bindir/initdb" ]; then
        echo "PostgreSQL server binaries not found"
        rm -rf "$dir"
        if [ "${CI:-}" = "true" ]; then exit 1; fi
        exit 0
    fi
    if [ -f "$dir/port" ]; then
        as_owner "$bindir/pg_ctl" -D "$dir/data" stop -m immediate >/dev/null 2>&1
    fi
    rm -rf "$dir"
    mkdir -p "$dir"
    if [ "$(id -u)" -eq 0 ]; then chown postgres: "$dir"; fi
    as_owner "$bindir/initdb" -D "$dir/data" -U postgres --auth=trust -E UTF8 \
        --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log"; exit 1; }
    for attempt in $(seq 1 20); do
        port=$((20000 + (RANDOM % 20000)))
        if as_owner "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 \
            -o "-p $port -k $dir -c listen_addresses=127.0.0.1 -c fsync=off -c max_connections=200" \
            start >/dev/null 2>&1; then
            echo "$port" >"$dir/port"
            echo "PostgreSQL listening on 127.0.0.1:$port"
            exit 0
        fi
    done
    cat "$dir/server.log" 2>/dev/null
    exit 1
    ;;
stop)
    if [ -n "$bindir" ] && [ -d "$dir/data" ]; then
        as_owner "$bindir/pg_ctl" -D "$dir/data" stop -m fast -w >/dev/null 2>&1
    fi
    rm -rf "$dir"
    exit 0
    ;;
*)
    echo "usage: $0 start|stop DIR" >&2
    exit 2
    ;;
esac

#!/usr/bin/env bash
# Starts or stops a throw-away PostgreSQL server for the tests.
#
#   pg-server.sh start DIR [TLSDIR]
#                            initdb into a new temporary folder, listen on
#                            127.0.0.1 at a free port, socket in that folder;
#                            DIR/port gets the port, DIR/server the folder.
#                            With TLSDIR the server also speaks TLS, with the
#                            certificate TLSDIR/server.crt and its key
#                            TLSDIR/server.key
#   pg-server.sh restart DIR restart it on the same port (every session ends)
#   pg-server.sh stop DIR    stop the server and remove both folders
#
# Every connection gives up on a lock after 5 seconds and on a statement after
# 30, the library's as well as the tests' own: a transaction left open by a
# fault then fails its test in seconds instead of blocking it (or the next
# test of the same program) until CTest's timeout.
#
# initdb and postgres refuse to run as root, so as root they run as the
# postgres system user. Its folder lives under the system's temporary folder,
# not in the build tree, because the checkout may sit below a folder that user
# cannot enter (such as /root). Without the server binaries the start reports
# it and exits 0 outside CI, so the tests can skip; in CI (CI=true) that is a
# failure.
set -uo pipefail

action=${1:?start or stop}
dir=${2:?state folder}
tlsdir=${3:-}

bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)

as_owner() {
    if [ "$(id -u)" -eq 0 ]; then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}

stop_server() {
    if [ -f "$dir/server" ]; then
        server=$(cat "$dir/server")
        if [ -n "$bindir" ] && [ -d "$server/data" ]; then
            as_owner "$bindir/pg_ctl" -D "$server/data" stop -m fast -w >/dev/null 2>&1
        fi
        case "$server" in
        */qrt-pg.*) rm -rf "$server" ;;
        esac
    fi
    rm -rf "$dir"
}

case "$action" in
start)
    stop_server # a server left over from an interrupted run
    if [ -z "$bindir" ] || [ ! -x "$bindir/initdb" ]; then
        echo "PostgreSQL server binaries not found"
        if [ "${CI:-}" = "true" ]; then exit 1; fi
        exit 0
    fi
    mkdir -p "$dir"
    server=$(mktemp -d "${TMPDIR:-/tmp}/qrt-pg.XXXXXX")
    echo "$server" >"$dir/server"
    if [ "$(id -u)" -eq 0 ]; then chown postgres: "$server"; fi
    as_owner "$bindir/initdb" -D "$server/data" -U postgres --auth=trust -E UTF8 \
        --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log"; exit 1; }
    settings="-c listen_addresses=127.0.0.1 -c fsync=off -c max_connections=200"
    settings+=" -c lock_timeout=5s -c statement_timeout=30s"
    if [ -n "$tlsdir" ]; then
        # The server reads its key only when the key is its own and private.
        cp "$tlsdir/server.crt" "$tlsdir/server.key" "$server/data/" || exit 1
        if [ "$(id -u)" -eq 0 ]; then chown postgres: "$server/data/server.crt" "$server/data/server.key"; fi
        chmod 600 "$server/data/server.key"
        # Each session says in the log whether it is encrypted.
        settings+=" -c ssl=on -c log_connections=on"
    fi
    for attempt in $(seq 1 20); do
        port=$((20000 + (RANDOM % 20000)))
        if as_owner "$bindir/pg_ctl" -D "$server/data" -l "$server/server.log" -w -t 30 \
            -o "-p $port -k $server $settings" start >/dev/null 2>&1; then
            echo "$port" >"$dir/port"
            echo "PostgreSQL listening on 127.0.0.1:$port"
            exit 0
        fi
    done
    cat "$server/server.log" 2>/dev/null
    exit 1
    ;;
restart)
    # The same server on the same port, as after an administrator's restart:
    # every session ends, the data stays.
    server=$(cat "$dir/server")
    as_owner "$bindir/pg_ctl" -D "$server/data" -l "$server/server.log" -w -t 30 -m fast \
        restart >/dev/null 2>&1 || { cat "$server/server.log"; exit 1; }
    exit 0
    ;;
stop)
    stop_server
    exit 0
    ;;
*)
    echo "usage: $0 start|restart|stop DIR" >&2
    exit 2
    ;;
esac

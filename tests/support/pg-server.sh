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
#   pg-server.sh restart DIR restart it on the same port (every session ends);
#                            also starts it again after halt or kill
#   pg-server.sh stop DIR    stop the server and remove both folders
#   pg-server.sh standby DIR PRIMARYDIR
#                            a hot standby of the server in PRIMARYDIR,
#                            streaming from it (pg_basebackup), on a port of
#                            its own; DIR as with start
#   pg-server.sh promote DIR the standby in DIR becomes a primary, as in a
#                            failover (its PgBouncer, if any, starts anew)
#
# Where PgBouncer is installed, start also puts it in front of the server in
# transaction pooling mode with four server sessions per database (or
# $QRT_POOL_SIZE), as many installations run it; DIR/pooler-port gets its port (absent without it).
# A test program reaches it with QRT_PG_POOLED=1 (see TestDatabase).
#
# What can happen to a server under a running program, for the tests of how
# the program copes (each keeps the data; restart brings the server back):
#   pg-server.sh halt DIR    an administrator's fast shutdown
#   pg-server.sh kill DIR    a crash: the postmaster and every child get SIGKILL
#   pg-server.sh pooler-down DIR  the server's PgBouncer ends (with kill: the machine is down)
#   pg-server.sh pause DIR   every server process stops (SIGSTOP) and answers
#                            nothing, as a frozen machine or a cut network
#   pg-server.sh resume DIR  they go on (SIGCONT)
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

pgbouncer=$(command -v pgbouncer || ls /usr/sbin/pgbouncer 2>/dev/null)
common_settings="-c listen_addresses=127.0.0.1 -c fsync=off -c max_connections=200"
common_settings+=" -c lock_timeout=5s -c statement_timeout=30s"

# Starts the server in the folder on a free port; DIR/port gets it.
launch() {
    local server=$1 settings=$2 port
    for attempt in $(seq 1 20); do
        port=$((20000 + (RANDOM % 20000)))
        if as_owner "$bindir/pg_ctl" -D "$server/data" -l "$server/server.log" -w -t 30 \
            -o "-p $port -k $server $settings" start >/dev/null 2>&1; then
            echo "$port" >"$dir/port"
            echo "PostgreSQL listening on 127.0.0.1:$port"
            return 0
        fi
    done
    cat "$server/server.log" 2>/dev/null
    return 1
}

# PgBouncer on its own free port, forwarding every database to the server,
# each client's transactions on whichever of the pool's sessions is free.
start_pooler() {
    local server=$1 server_port=$2 port
    [ -n "$pgbouncer" ] || return 0
    mkdir -p "$server/pooler"
    echo '"postgres" ""' >"$server/pooler/users.txt"
    for attempt in $(seq 1 20); do
        port=$((20000 + (RANDOM % 20000)))
        cat >"$server/pooler/pgbouncer.ini" <<INI
[databases]
* = host=127.0.0.1 port=$server_port
[pgbouncer]
listen_addr = 127.0.0.1
listen_port = $port
unix_socket_dir =
auth_type = trust
auth_file = $server/pooler/users.txt
pool_mode = transaction
default_pool_size = ${QRT_POOL_SIZE:-4}
# Each transaction on the next session in turn, so that a statement which
# relies on running where the one before it ran fails every time, not only
# when several clients happen to be busy.
server_round_robin = 1
max_client_conn = 500
max_db_connections = 0
server_reset_query =
ignore_startup_parameters = extra_float_digits,options
logfile = $server/pooler/pgbouncer.log
pidfile = $server/pooler/pgbouncer.pid
INI
        if [ "$(id -u)" -eq 0 ]; then chown -R postgres: "$server/pooler"; fi
        if as_owner "$pgbouncer" -d "$server/pooler/pgbouncer.ini" >/dev/null 2>&1; then
            for wait in $(seq 1 50); do
                if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
                    echo "$port" >"$dir/pooler-port"
                    echo "PgBouncer (transaction pooling) listening on 127.0.0.1:$port"
                    return 0
                fi
                sleep 0.1
            done
            stop_pooler "$server"
        fi
    done
    cat "$server/pooler/pgbouncer.log" 2>/dev/null
    return 1
}

# PgBouncer hands new clients what the server announced when the pool was
# made; a promoted standby's pooler would go on announcing in_hot_standby=on,
# and clients that want a server taking changes would refuse it. Started
# anew on its port, it asks the server again.
restart_pooler() {
    local server=$1 port
    [ -f "$server/pooler/pgbouncer.ini" ] || return 0
    stop_pooler "$server"
    port=$(sed -n 's/^listen_port = //p' "$server/pooler/pgbouncer.ini")
    as_owner "$pgbouncer" -d "$server/pooler/pgbouncer.ini" >/dev/null 2>&1 || return 1
    for wait in $(seq 1 50); do
        if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then return 0; fi
        sleep 0.1
    done
    return 1
}

stop_pooler() {
    local pid
    pid=$(cat "$1/pooler/pgbouncer.pid" 2>/dev/null) || return 0
    kill "$pid" 2>/dev/null
    for wait in $(seq 1 50); do
        running "$pid" || return 0
        sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null
}

stop_server() {
    if [ -f "$dir/server" ]; then
        stop_pooler "$(cat "$dir/server")"
        # A test that failed while the server was paused leaves it paused.
        processes=$(server_processes 2>/dev/null) && kill -CONT $processes 2>/dev/null
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

# The postmaster and its children, the postmaster first.
server_processes() {
    local server postmaster
    server=$(cat "$dir/server")
    postmaster=$(head -n 1 "$server/data/postmaster.pid" 2>/dev/null)
    [ -n "$postmaster" ] || return 1
    echo "$postmaster"
    pgrep -P "$postmaster"
    return 0
}

# Sends a signal to every server process, listed before the first one gets it:
# a postmaster killed first would leave its children to init. Prints them.
signal_server() {
    local processes
    processes=$(server_processes) || { echo "no server running in $dir" >&2; exit 1; }
    # shellcheck disable=SC2086 # one process id per word
    kill "-$1" $processes
    echo $processes
}

# Whether a process still runs (a zombie has ended, only its parent has not
# looked yet).
running() {
    local state
    state=$(awk '/^State:/ { print $2 }' "/proc/$1/status" 2>/dev/null)
    [ -n "$state" ] && [ "$state" != "Z" ]
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
    settings=$common_settings
    if [ -n "$tlsdir" ]; then
        # The server reads its key only when the key is its own and private.
        cp "$tlsdir/server.crt" "$tlsdir/server.key" "$server/data/" || exit 1
        if [ "$(id -u)" -eq 0 ]; then chown postgres: "$server/data/server.crt" "$server/data/server.key"; fi
        chmod 600 "$server/data/server.key"
        # Each session says in the log whether it is encrypted.
        settings+=" -c ssl=on -c log_connections=on"
    fi
    launch "$server" "$settings" || exit 1
    start_pooler "$server" "$(cat "$dir/port")" || exit 1
    exit 0
    ;;
standby)
    primary=${3:?state folder of the primary}
    stop_server
    mkdir -p "$dir"
    server=$(mktemp -d "${TMPDIR:-/tmp}/qrt-pg.XXXXXX")
    echo "$server" >"$dir/server"
    if [ "$(id -u)" -eq 0 ]; then chown postgres: "$server"; fi
    # -R: it starts as a standby that streams from the primary.
    as_owner "$bindir/pg_basebackup" -h 127.0.0.1 -p "$(cat "$primary/port")" -U postgres \
        -D "$server/data" -R -X stream -c fast >"$dir/basebackup.log" 2>&1 ||
        { cat "$dir/basebackup.log"; exit 1; }
    launch "$server" "$common_settings" || exit 1
    # Its own pooler, as on the primary's machine: clients that list both
    # poolers find the one whose server takes changes.
    start_pooler "$server" "$(cat "$dir/port")" || exit 1
    exit 0
    ;;
promote)
    server=$(cat "$dir/server")
    as_owner "$bindir/pg_ctl" -D "$server/data" -w -t 30 promote >/dev/null 2>&1 ||
        { cat "$server/server.log"; exit 1; }
    restart_pooler "$server" || { cat "$server/pooler/pgbouncer.log"; exit 1; }
    exit 0
    ;;
restart)
    # The same server on the same port, as after an administrator's restart:
    # every session ends, the data stays.
    server=$(cat "$dir/server")
    # After a crash the lock file names a postmaster that has ended; where
    # nobody reaps it (a container's init may not) it stays a zombie, which
    # pg_ctl and the new postmaster both take for a running server.
    postmaster=$(head -n 1 "$server/data/postmaster.pid" 2>/dev/null)
    if [ -n "$postmaster" ] && ! running "$postmaster"; then
        rm -f "$server/data/postmaster.pid" "$server"/.s.PGSQL.*.lock
    fi
    as_owner "$bindir/pg_ctl" -D "$server/data" -l "$server/server.log" -w -t 30 -m fast \
        restart >/dev/null 2>&1 || { cat "$server/server.log"; exit 1; }
    exit 0
    ;;
halt)
    server=$(cat "$dir/server")
    as_owner "$bindir/pg_ctl" -D "$server/data" -w -t 30 -m fast stop >/dev/null 2>&1 ||
        { cat "$server/server.log"; exit 1; }
    exit 0
    ;;
pooler-down)
    # The pooler goes down with its server's machine: its port takes no
    # connection any more, so clients try the next host they know.
    stop_pooler "$(cat "$dir/server")"
    rm -f "$dir/pooler-port"
    exit 0
    ;;
kill)
    processes=$(signal_server KILL) || exit 1
    # Gone once none of them runs any more: then the port takes no
    # connection, and the postmaster's lock file is stale.
    for attempt in $(seq 1 100); do
        alive=0
        for process in $processes; do
            if running "$process"; then alive=1; fi
        done
        [ "$alive" -eq 0 ] && exit 0
        sleep 0.05
    done
    echo "server processes still running after SIGKILL" >&2
    exit 1
    ;;
pause)
    signal_server STOP >/dev/null
    exit 0
    ;;
resume)
    signal_server CONT >/dev/null
    exit 0
    ;;
stop)
    stop_server
    exit 0
    ;;
*)
    echo "usage: $0 start|restart|halt|kill|pause|resume|stop|promote|pooler-down DIR | standby DIR PRIMARYDIR" >&2
    exit 2
    ;;
esac

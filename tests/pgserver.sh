#!/usr/bin/env bash
# A throwaway PostgreSQL 15 server for the tests, on 127.0.0.1 and a free port, TLS with
# certificates made for the test, SCRAM passwords kept in a password file of the test's own.
# The server refuses to run as root: then it runs as the postgres account the package makes.
#
#   pgserver.sh start DIR     makes and starts it; prints its port
#   pgserver.sh plain DIR     starts it again without TLS
#   pgserver.sh tls DIR       starts it again with TLS
#   pgserver.sh stop DIR      stops it and removes DIR
#   pgserver.sh standby DIR PRIMARY_DIR
#                             a standby of the server in PRIMARY_DIR, by streaming replication
#                             (pg_basebackup -R), on a port of its own; prints its port
#   pgserver.sh promote DIR   the standby becomes a primary
#   pgserver.sh halt DIR      stops it, keeping DIR; resume DIR starts it again (with TLS)
#   pgserver.sh dump DIR DB FILE      pg_dump of DB into FILE
#   pgserver.sh restore DIR DB FILE   DB dropped (connections ended) and made again from FILE
#
# In DIR: port, pgpass (admin "atelier_admin", station "poste", "autre"), ca.crt (the authority
# that signed the server's certificate for localhost and 127.0.0.1), other-ca.crt (another one).
set -euo pipefail
command=$1
dir=$2
bin=/usr/lib/postgresql/15/bin
as_server() {
    if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}
pg_start() { # pg_start on|off
    as_server "$bin/pg_ctl" -D "$dir/db" -l "$dir/log" -w -t 60 -o "-p $(cat "$dir/port") -k $dir \
        -c listen_addresses=127.0.0.1 -c ssl=$1 -c ssl_cert_file=$dir/server.crt \
        -c ssl_key_file=$dir/server.key -c fsync=off -c max_connections=60" start >/dev/null
}
# A test may leave the server stopped by SIGSTOP: it is woken first, and killed if it will not end.
pg_stop() {
    local pid
    pid=$(head -1 "$dir/db/postmaster.pid" 2>/dev/null || true)
    if [ -n "$pid" ]; then
        kill -CONT "$pid" 2>/dev/null || true
        pkill -CONT -P "$pid" 2>/dev/null || true
    fi
    as_server "$bin/pg_ctl" -D "$dir/db" -m immediate -w -t 20 stop >/dev/null 2>&1 || true
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        pkill -KILL -P "$pid" 2>/dev/null || true
        kill -KILL "$pid" 2>/dev/null || true
    fi
}
certificate() { # certificate NAME SUBJECT: a certificate signed by the authority NAME-ca
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=$1 test authority" \
        -keyout "$dir/$1-ca.key" -out "$dir/$1-ca.crt" 2>/dev/null
    openssl req -newkey rsa:2048 -nodes -subj "/CN=$2" -keyout "$dir/$1.key" -out "$dir/$1.csr" 2>/dev/null
    openssl x509 -req -in "$dir/$1.csr" -CA "$dir/$1-ca.crt" -CAkey "$dir/$1-ca.key" \
        -CAcreateserial -days 2 -out "$dir/$1.crt" \
        -extfile <(printf 'subjectAltName=%s' "$3") 2>/dev/null
}

case "$command" in
start)
    mkdir -p "$dir"
    chmod 755 "$dir"
    certificate server localhost DNS:localhost,IP:127.0.0.1
    certificate other autre.example DNS:autre.example
    cp "$dir/server-ca.crt" "$dir/ca.crt"
    cp "$dir/other-ca.crt" "$dir/wrong-ca.crt"
    chmod 600 "$dir/server.key"
    printf 'admin-secret' >"$dir/pwfile"
    [ "$(id -u)" = 0 ] && chown -R postgres: "$dir"
    as_server "$bin/initdb" -D "$dir/db" -A scram-sha-256 --pwfile="$dir/pwfile" -U atelier_admin \
        -E UTF8 --locale=C.UTF-8 >/dev/null
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])' >"$dir/port"
    pg_start on
    port=$(cat "$dir/port")
    {
        echo "*:*:*:atelier_admin:admin-secret"
        echo "*:*:*:poste:poste-secret"
        echo "*:*:*:autre:autre-secret"
    } >"$dir/pgpass"
    chmod 600 "$dir/pgpass"
    PGPASSFILE="$dir/pgpass" "$bin/psql" -q -h 127.0.0.1 -p "$port" -U atelier_admin -d postgres \
        -v ON_ERROR_STOP=1 >/dev/null <<'SQL'
CREATE DATABASE atelier;
CREATE ROLE poste LOGIN PASSWORD 'poste-secret';
CREATE ROLE autre LOGIN PASSWORD 'autre-secret';
SQL
    echo "$port"
    ;;
standby)
    primary=$3
    mkdir -p "$dir"
    chmod 755 "$dir"
    cp "$primary"/{server.crt,server.key,ca.crt,wrong-ca.crt,pgpass} "$dir/"
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])' >"$dir/port"
    [ "$(id -u)" = 0 ] && chown -R postgres: "$dir" && chown root: "$dir/pgpass"
    as_server env PGPASSWORD=admin-secret "$bin/pg_basebackup" -h 127.0.0.1 -p "$(cat "$primary/port")" \
        -U atelier_admin -D "$dir/db" -R -X stream >/dev/null
    pg_start on
    cat "$dir/port"
    ;;
promote) as_server "$bin/pg_ctl" -D "$dir/db" -w -t 60 promote >/dev/null ;;
halt) pg_stop ;;
resume) pg_start on ;;
dump)
    PGPASSFILE="$dir/pgpass" "$bin/pg_dump" -Fc -h 127.0.0.1 -p "$(cat "$dir/port")" \
        -U atelier_admin -f "$4" "$3"
    ;;
restore)
    export PGPASSFILE="$dir/pgpass"
    connect=(-h 127.0.0.1 -p "$(cat "$dir/port")" -U atelier_admin)
    "$bin/dropdb" "${connect[@]}" --force "$3"
    "$bin/createdb" "${connect[@]}" "$3"
    "$bin/pg_restore" "${connect[@]}" -d "$3" "$4"
    ;;
plain) pg_stop; pg_start off ;;
tls) pg_stop; pg_start on ;;
stop)
    pg_stop
    rm -rf "$dir"
    ;;
*) echo "usage: $0 start|plain|tls|stop|standby|promote|halt|resume|dump|restore DIR ..." >&2; exit 2 ;;
esac

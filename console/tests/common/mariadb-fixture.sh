#!/usr/bin/env bash
# Starts or stops a private MariaDB server for the tests: its own data directory and socket
# under the given folder, no TCP port, no system service.
#   mariadb-fixture.sh start DIR   |   mariadb-fixture.sh stop DIR
set -euo pipefail
action=$1
dir=$2
sock="$dir/mysqld.sock"
pidfile="$dir/mysqld.pid"
user=$(id -un)

find_bin() {
  for name in "$@"; do
    for d in /usr/sbin /usr/bin /usr/local/bin /usr/local/sbin; do
      if [ -x "$d/$name" ]; then echo "$d/$name"; return 0; fi
    done
  done
  return 1
}

stop_server() {
  if [ -f "$pidfile" ]; then
    pid=$(cat "$pidfile" 2>/dev/null || true)
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
      kill "$pid" 2>/dev/null || true
      for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
      kill -9 "$pid" 2>/dev/null || true
    fi
    rm -f "$pidfile"
  fi
}

case "$action" in
  start)
    server=$(find_bin mariadbd mysqld) || { echo "MariaDB server not installed (scripts/deps)"; exit 1; }
    installdb=$(find_bin mariadb-install-db mysql_install_db) || { echo "mariadb-install-db missing"; exit 1; }
    admin=$(find_bin mariadb-admin mysqladmin)
    client=$(find_bin mariadb mysql)
    stop_server
    rm -rf "$dir"
    mkdir -p "$dir/data" "$dir/tmp"
    "$installdb" --no-defaults --datadir="$dir/data" --user="$user" \
      --auth-root-authentication-method=normal --skip-test-db > "$dir/install.log" 2>&1 \
      || { cat "$dir/install.log"; exit 1; }
    "$server" --no-defaults --datadir="$dir/data" --socket="$sock" --pid-file="$pidfile" \
      --skip-networking --user="$user" --tmpdir="$dir/tmp" --log-error="$dir/error.log" \
      --innodb-buffer-pool-size=64M --innodb-log-file-size=16M \
      --character-set-server=utf8mb4 --collation-server=utf8mb4_general_ci \
      > /dev/null 2>&1 &
    for _ in $(seq 1 300); do
      if "$admin" --no-defaults --socket="$sock" -uroot ping > /dev/null 2>&1; then
        "$client" --no-defaults --socket="$sock" -uroot -e "CREATE DATABASE IF NOT EXISTS CVBIO"
        echo "MariaDB ready on $sock"
        exit 0
      fi
      sleep 0.1
    done
    echo "MariaDB did not start:"; cat "$dir/error.log" || true
    exit 1
    ;;
  stop)
    stop_server
    ;;
  *)
    echo "usage: $0 start|stop DIR"; exit 2;;
esac

# Throwaway database servers on loopback for the tests, the demo and the
# benchmark. Source this file; it works as root without systemd.
# After pg_start: ZEL_PG_HOST, ZEL_PG_PORT, ZEL_PG_USER, ZEL_PG_PASSWORD.

PG_BIN=/usr/lib/postgresql/15/bin

pg_start() {
  local port=${1:-54329}
  ZEL_PG_DIR=$(mktemp -d /tmp/zelmora-pg.XXXXXX)
  chmod 755 "$ZEL_PG_DIR"
  local run_as=()
  if [ "$(id -u)" -eq 0 ]; then
    chown postgres:postgres "$ZEL_PG_DIR"
    run_as=(runuser -u postgres --)
  fi
  "${run_as[@]}" "$PG_BIN/initdb" -D "$ZEL_PG_DIR/data" -U postgres --auth-local=trust \
    --auth-host=scram-sha-256 -E UTF8 --locale=C.UTF-8 >"$ZEL_PG_DIR/initdb.log" 2>&1 ||
    { cat "$ZEL_PG_DIR/initdb.log"; return 1; }
  # ZEL_PG_SERVER_ENV: NAME=VALUE words for the server's environment (benchmarks).
  # shellcheck disable=SC2086
  "${run_as[@]}" env ${ZEL_PG_SERVER_ENV:-} "$PG_BIN/pg_ctl" -D "$ZEL_PG_DIR/data" \
    -l "$ZEL_PG_DIR/server.log" -w \
    -o "-c listen_addresses=127.0.0.1 -p $port -k $ZEL_PG_DIR -c fsync=off -c max_connections=200" \
    start >/dev/null || { cat "$ZEL_PG_DIR/server.log"; return 1; }
  export ZEL_PG_HOST=127.0.0.1 ZEL_PG_PORT=$port ZEL_PG_USER=zeltest ZEL_PG_PASSWORD='zel pw;1'
  export ZEL_PG_SOCKET_DIR=$ZEL_PG_DIR
  "${run_as[@]}" "$PG_BIN/../bin/psql" -h "$ZEL_PG_DIR" -p "$port" -U postgres -d postgres -q \
    -v ON_ERROR_STOP=1 -c "CREATE ROLE zeltest LOGIN SUPERUSER PASSWORD 'zel pw;1'" >/dev/null
}

pg_stop() {
  [ -n "${ZEL_PG_DIR:-}" ] || return 0
  local run_as=()
  if [ "$(id -u)" -eq 0 ]; then run_as=(runuser -u postgres --); fi
  "${run_as[@]}" "$PG_BIN/pg_ctl" -D "$ZEL_PG_DIR/data" -m immediate -w stop >/dev/null 2>&1 || true
  rm -rf "$ZEL_PG_DIR"
  unset ZEL_PG_DIR
}

# MariaDB on loopback: a fresh data folder, mariadbd started directly (no
# systemd), every statement in a general log the tests read.
# ZEL_MARIA_SERVER_ARGS: further server options (benchmarks).
# After maria_start: ZEL_MARIA_HOST, ZEL_MARIA_PORT, ZEL_MARIA_USER,
# ZEL_MARIA_PASSWORD, ZEL_MARIA_GENERAL_LOG, and ZEL_MARIA_START (a script
# that starts the same server again after a test has shut it down).
maria_start() {
  local port=${1:-33069}
  # Memory-backed when possible: the catalog fixtures create hundreds of
  # tables, and each one costs a disk flush otherwise.
  ZEL_MARIA_DIR=$(mktemp -d /dev/shm/zelmora-maria.XXXXXX 2>/dev/null) ||
    ZEL_MARIA_DIR=$(mktemp -d /tmp/zelmora-maria.XXXXXX)
  chmod 755 "$ZEL_MARIA_DIR"
  local user=$(id -un)
  mariadb-install-db --no-defaults --datadir="$ZEL_MARIA_DIR/data" --user="$user" \
    --auth-root-authentication-method=socket --skip-test-db >"$ZEL_MARIA_DIR/install.log" 2>&1 ||
    { cat "$ZEL_MARIA_DIR/install.log"; return 1; }
  cat >"$ZEL_MARIA_DIR/start.sh" <<START
#!/bin/sh
# Starts the test server and waits until it answers.
/usr/sbin/mariadbd --no-defaults --user=$user --datadir=$ZEL_MARIA_DIR/data \\
  --socket=$ZEL_MARIA_DIR/mysqld.sock --pid-file=$ZEL_MARIA_DIR/mysqld.pid \\
  --port=$port --bind-address=127.0.0.1 --skip-name-resolve \\
  --log-error=$ZEL_MARIA_DIR/error.log \\
  --general-log=1 --general-log-file=$ZEL_MARIA_DIR/general.log \\
  --max-connections=400 --innodb-buffer-pool-size=64M --innodb-log-file-size=16M \\
  --innodb-flush-log-at-trx-commit=0 --innodb-use-native-aio=0 --innodb-flush-method=fsync \\
  --character-set-server=utf8mb4 \\
  --collation-server=utf8mb4_general_ci ${ZEL_MARIA_SERVER_ARGS:-} >/dev/null 2>&1 &
for i in \$(seq 1 300); do
  mariadb-admin --no-defaults --socket=$ZEL_MARIA_DIR/mysqld.sock -u root ping >/dev/null 2>&1 && exit 0
  sleep 0.1
done
cat $ZEL_MARIA_DIR/error.log
exit 1
START
  chmod 755 "$ZEL_MARIA_DIR/start.sh"
  "$ZEL_MARIA_DIR/start.sh" || return 1
  export ZEL_MARIA_HOST=127.0.0.1 ZEL_MARIA_PORT=$port ZEL_MARIA_USER=zeltest
  export ZEL_MARIA_PASSWORD='zel pw;1' ZEL_MARIA_SOCKET=$ZEL_MARIA_DIR/mysqld.sock
  export ZEL_MARIA_GENERAL_LOG=$ZEL_MARIA_DIR/general.log ZEL_MARIA_START=$ZEL_MARIA_DIR/start.sh
  mariadb --no-defaults --socket="$ZEL_MARIA_SOCKET" -u root -e "
    CREATE USER 'zeltest'@'127.0.0.1' IDENTIFIED BY 'zel pw;1';
    GRANT ALL PRIVILEGES ON *.* TO 'zeltest'@'127.0.0.1' WITH GRANT OPTION;
    CREATE USER 'zeltest'@'localhost' IDENTIFIED BY 'zel pw;1';
    GRANT ALL PRIVILEGES ON *.* TO 'zeltest'@'localhost' WITH GRANT OPTION;"
}

maria_stop() {
  [ -n "${ZEL_MARIA_DIR:-}" ] || return 0
  if [ -f "$ZEL_MARIA_DIR/mysqld.pid" ]; then
    local pid
    pid=$(cat "$ZEL_MARIA_DIR/mysqld.pid")
    kill "$pid" 2>/dev/null || true
    for i in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  fi
  rm -rf "$ZEL_MARIA_DIR"
  unset ZEL_MARIA_DIR
}

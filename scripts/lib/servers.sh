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
  "${run_as[@]}" "$PG_BIN/pg_ctl" -D "$ZEL_PG_DIR/data" -l "$ZEL_PG_DIR/server.log" -w \
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

#!/bin/sh
# A throw-away PostgreSQL server in one folder, for tests and for trying several seo-site
# instances on one machine: its data, log and Unix socket in DIR, no TCP port, local
# connections trusted.
#   tools/scratch-postgres.sh start DIR    made on first start; prints the server's address
#   tools/scratch-postgres.sh stop DIR     stopped, data kept (start again to go on)
#   tools/scratch-postgres.sh remove DIR   stopped and deleted
# PostgreSQL refuses to run as root: as root (CI), the server runs as the postgres user.
set -eu
command=$1
dir=$(realpath -m "$2")
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [ -z "$bin" ]; then
  echo "PostgreSQL is not installed: apt-get install postgresql" >&2
  exit 1
fi
as_owner() {
  if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}
case $command in
start)
  if [ ! -d "$dir/data" ]; then
    mkdir -p "$dir"
    if [ "$(id -u)" = 0 ]; then chown postgres: "$dir"; fi
    # C collation: text sorts by bytes, as in the SQLite store.
    as_owner "$bin/initdb" -D "$dir/data" -U seo -A trust -E UTF8 --no-locale >"$dir/initdb.log"
  fi
  as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -s \
    -o "-c listen_addresses= -k $dir -c max_connections=200" start
  echo "postgresql:///postgres?host=$dir&user=seo"
  ;;
stop)
  as_owner "$bin/pg_ctl" -D "$dir/data" -w -s -m fast stop
  ;;
remove)
  as_owner "$bin/pg_ctl" -D "$dir/data" -w -s -m immediate stop 2>/dev/null || true
  rm -rf "$dir"
  ;;
*)
  echo "usage: $0 start|stop|remove DIR" >&2
  exit 2
  ;;
esac

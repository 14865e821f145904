#!/usr/bin/env bash
# Several seo-site instances sharing their crawls in a throw-away PostgreSQL, behind nginx,
# all on this machine and without root: for trying the set-up of several machines on one,
# and for tests. Everything lives in one temporary folder that goes when the script ends.
#
#   tools/cluster-up.sh [--instances N] [--port P] [--seo-site BIN] [COMMAND ...]
#
# nginx listens on 127.0.0.1:P (8088), the instances on P+1 … P+N (3 of them). With a
# COMMAND, it runs with SEO_SITE_CLUSTER (nginx's address), SEO_SITE_STORE (the database),
# SEO_SITE_CLUSTER_DIR (the folder: instance-K.pid, postgres/) set, and the cluster goes
# when it ends, with its status; without one, the cluster runs until Ctrl-C.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
instances=3 port=8088 seo_site=$here/../build/bin/seo-site
while (($#)); do
  case $1 in
    --instances) instances=$2; shift 2 ;;
    --port) port=$2; shift 2 ;;
    --seo-site) seo_site=$2; shift 2 ;;
    *) break ;;
  esac
done
[[ -x $seo_site ]] || { echo "no seo-site at $seo_site: build it first, or give --seo-site" >&2; exit 1; }
command -v nginx >/dev/null || PATH=$PATH:/usr/sbin
command -v nginx >/dev/null || { echo "nginx is not installed: apt-get install nginx-light" >&2; exit 1; }

dir=$(mktemp -d /tmp/seo-cluster-XXXXXX)
chmod 711 "$dir" # the database server's own user (when run as root) goes through it
pids=()
down() {
  trap - EXIT INT TERM
  [[ -f $dir/nginx.pid ]] && kill "$(cat "$dir/nginx.pid")" 2>/dev/null || true
  # TERM: each instance gives back the pages it holds before it goes.
  ((${#pids[@]})) && kill "${pids[@]}" 2>/dev/null || true
  ((${#pids[@]})) && wait "${pids[@]}" 2>/dev/null || true
  "$here/scratch-postgres.sh" remove "$dir/postgres" >/dev/null 2>&1 || true
  rm -rf "$dir"
}
trap down EXIT
trap 'exit 130' INT TERM

store=$("$here/scratch-postgres.sh" start "$dir/postgres")
upstream=""
for ((k = 1; k <= instances; ++k)); do
  "$seo_site" --listen 127.0.0.1 --port $((port + k)) --store "$store" --data "$dir/instance-$k" \
    >"$dir/instance-$k.log" 2>&1 &
  pids+=($!)
  echo $! >"$dir/instance-$k.pid"
  upstream+="    server 127.0.0.1:$((port + k)) max_fails=2 fail_timeout=10s;\n"
done

# deploy/'s configuration with these instances and this port, in a server of its own.
mkdir -p "$dir/nginx-temp"
awk -v upstream="$upstream" -v listen="127.0.0.1:$port" '
  /^ *server 127\.0\.0\.1:/ { if (!listed) printf "%s", upstream; listed = 1; next }
  /^}/ { listed = 0 }
  /^ *listen 80;/ { sub(/80/, listen) }
  { print }' "$here/../deploy/nginx-seo-site.conf" >"$dir/seo-site.conf"
{
  [[ $(id -u) == 0 ]] && echo "user root;"
  cat <<CONF
worker_processes 1;
pid $dir/nginx.pid;
error_log $dir/nginx-error.log;
events { worker_connections 512; }
http {
    access_log $dir/nginx-access.log;
    client_body_temp_path $dir/nginx-temp/body;
    proxy_temp_path $dir/nginx-temp/proxy;
    fastcgi_temp_path $dir/nginx-temp/fastcgi;
    uwsgi_temp_path $dir/nginx-temp/uwsgi;
    scgi_temp_path $dir/nginx-temp/scgi;
    include $dir/seo-site.conf;
}
CONF
} >"$dir/nginx.conf"
nginx -p "$dir" -e "$dir/nginx-error.log" -c "$dir/nginx.conf"

for ((k = 0; k <= instances; ++k)); do
  for ((tries = 0; ; ++tries)); do
    curl -s -o /dev/null --max-time 2 "http://127.0.0.1:$((port + k))/" && break
    ((tries < 100)) || { echo "127.0.0.1:$((port + k)) did not answer; see $dir" >&2; exit 1; }
    sleep 0.2
  done
done

export SEO_SITE_CLUSTER=http://127.0.0.1:$port SEO_SITE_STORE=$store SEO_SITE_CLUSTER_DIR=$dir
echo "seo-site: $instances instances behind $SEO_SITE_CLUSTER/, crawls in $store"
if (($#)); then
  status=0
  "$@" || status=$?
  exit $status
fi
echo "Ctrl-C takes it all down."
wait

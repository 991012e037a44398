#!/usr/bin/env bash
# Load benchmark of the rendering service on loopback, with wrk, for a bounded time:
#   1. nginx serves a typical 2 KB WML deck as a static origin;
#   2. tovarin-gateway transcodes it for every request (GET of the viewer's own address form);
#   3. nginx proxies the same deck untransformed: the cost of a bare proxy, our floor.
# Prints requests per second and latency percentiles of 2 and 3 side by side from the same run.
# It judges nothing: run it on a quiet machine.
#
#   bench/gateway_load.sh [BUILD_DIR] [SECONDS] [CONNECTIONS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
seconds=${2:-10}
connections=${3:-32}
gateway="$build/gateway/standalone/tovarin-gateway"
[ -x "$gateway" ] || { echo "gateway_load: no $gateway (build the tovarin-gateway target)" >&2; exit 2; }
command -v nginx >/dev/null && command -v wrk >/dev/null || { echo "gateway_load: needs nginx and wrk" >&2; exit 2; }

work=$(mktemp -d /tmp/tovarin-load-XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A free loopback port.
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

origin_port=$(free_port)
proxy_port=$(free_port)
mkdir -p "$work/html" "$work/logs"
cp bench/data/typical.wml "$work/html/typical.wml"
# nginx's workers run as an unprivileged user when started by root.
chmod 755 "$work" "$work/html" && chmod 644 "$work/html/typical.wml"
cat >"$work/nginx.conf" <<CONF
worker_processes 1;
error_log $work/logs/error.log warn;
pid $work/nginx.pid;
events { worker_connections 1024; }
http {
  access_log off;
  types { text/vnd.wap.wml wml; }
  client_body_temp_path $work/tmp; proxy_temp_path $work/tmp; fastcgi_temp_path $work/tmp;
  uwsgi_temp_path $work/tmp; scgi_temp_path $work/tmp;
  upstream origin { server 127.0.0.1:$origin_port; keepalive 64; }
  server { listen 127.0.0.1:$origin_port; root $work/html; }
  server {
    listen 127.0.0.1:$proxy_port;
    location / { proxy_pass http://origin; proxy_http_version 1.1; proxy_set_header Connection ""; }
  }
}
CONF
mkdir -p "$work/tmp"
nginx -p "$work" -c "$work/nginx.conf" -g 'daemon off;' &
pids+=($!)

"$gateway" --listen 127.0.0.1:0 --quiet >"$work/gateway.out" 2>"$work/gateway.err" &
pids+=($!)
gateway_url=""
for _ in $(seq 1 100); do
  gateway_url=$(sed -n 's/^listening on \(http[^ ]*\).*/\1/p' "$work/gateway.out" | head -n 1)
  [ -n "$gateway_url" ] && curl -s -o /dev/null "http://127.0.0.1:$origin_port/typical.wml" && break
  sleep 0.1
done
[ -n "$gateway_url" ] || { echo "gateway_load: the gateway did not start" >&2; cat "$work/gateway.err" >&2; exit 1; }

through_gateway="$gateway_url/tovarin/Client/Tovarin.aspx?url=127.0.0.1:$origin_port/typical.wml"
through_proxy="http://127.0.0.1:$proxy_port/typical.wml"
# The gateway must answer the transcoded card, not an error page, or the figures mean nothing.
curl -s "$through_gateway" | grep -q 'wml-title' || { echo "gateway_load: the gateway did not transcode the deck" >&2; exit 1; }

run_wrk() {  # name url
  wrk -t2 -c"$connections" -d"${seconds}s" --latency "$2" >"$work/$1.wrk"
  local rps p50 p90 p99
  rps=$(awk '/^Requests\/sec:/ {print $2}' "$work/$1.wrk")
  p50=$(awk '$1=="50%" {print $2}' "$work/$1.wrk")
  p90=$(awk '$1=="90%" {print $2}' "$work/$1.wrk")
  p99=$(awk '$1=="99%" {print $2}' "$work/$1.wrk")
  printf '%-36s %12s %10s %10s %10s\n' "$1" "$rps" "$p50" "$p90" "$p99"
  grep -E 'Non-2xx|Socket errors' "$work/$1.wrk" || true
}

printf '%-36s %12s %10s %10s %10s\n' "typical deck, ${seconds}s, $connections conns" "requests/s" "p50" "p90" "p99"
run_wrk "tovarin-gateway (transcoding)" "$through_gateway"
run_wrk "nginx proxy (untransformed)" "$through_proxy"

#!/usr/bin/env bash
# Starts tovarin and Debian's surf (the same WebKit engine in a minimal browser) alternately
# under a private Xvfb on the same local page, and reports side by side:
#   - the time from start to the page on screen (a screenshot shows the page's colour);
#   - the total PSS of the program's processes (UI, web and network) once the page is shown.
# Usage: bench/startup_vs_surf.sh [BUILD_DIR] [RUNS]     (defaults: build, 5)
# Runs as root in a private network namespace, so the service port is always free. Not a
# test: it prints numbers and judges nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-5}
program="$build/shell/tovarin"
[ -x "$program" ] || { echo "no $program; build the tovarin target first" >&2; exit 1; }
command -v surf >/dev/null || { echo "surf is not installed (scripts/setup installs it)" >&2; exit 1; }

if [ -z "${TOVARIN_BENCH_INSIDE:-}" ]; then
  export TOVARIN_BENCH_INSIDE=1
  exec unshare -n -- bash -c 'ip link set lo up && exec "$0" "$@"' "$0" "$build" "$runs"
fi

work=$(mktemp -d /tmp/tovarin-bench-XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

prefix=$(sed -n 's/^TOVARIN_SERVICE_PREFIX:STRING=//p' "$build/CMakeCache.txt")
start=$(sed -n 's/^TOVARIN_START_ADDRESS:STRING=//p' "$build/CMakeCache.txt")
hostport=$(sed -E 's#^[a-z]+://([^/]+)/.*#\1#' <<<"$prefix")
page_url="$prefix$start"

# The page: a full window of magenta with some text, the same for both programs.
python3 - "${hostport%:*}" "${hostport##*:}" <<'PY' >"$work/pages.log" 2>&1 &
import http.server, sys
body = ("<!DOCTYPE html><html><head><meta charset='utf-8'><title>bench</title></head>"
        "<body style='margin:0;background:#ff00ff;height:3000px;font:14px sans-serif'>"
        + "<p>Tovarin start-up benchmark page.</p>" * 20 + "</body></html>").encode()
class Page(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
    def log_message(self, *args):
        pass
http.server.HTTPServer((sys.argv[1], int(sys.argv[2])), Page).serve_forever()
PY
pids+=($!)

exec 4>"$work/display"
Xvfb -displayfd 4 -screen 0 1024x768x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$work/display")"
sleep 1

# Number of magenta pixels on the screen.
magenta_pixels() {
  import -silent -window root -depth 8 rgb:- 2>/dev/null |
    python3 -c 'import sys; print(sys.stdin.buffer.read().count(b"\xff\x00\xff"))'
}

# Total PSS in kB of a process and all its descendants.
total_pss() {
  local root=$1 total=0 pid
  local all
  all=$(ps -e -o pid=,ppid= | awk -v root="$root" '
    { parent[$1] = $2 }
    END { for (p in parent) { q = p; while (q > 1) { if (q == root) { print p; break } q = parent[q] } } }')
  for pid in $all; do
    local pss
    pss=$(awk '/^Pss:/ { print $2 }' "/proc/$pid/smaps_rollup" 2>/dev/null || echo 0)
    total=$((total + ${pss:-0}))
  done
  echo "$total"
}

# run NAME COMMAND...: prints "milliseconds kilobytes"
run_once() {
  local home="$work/home-$1-$RANDOM"
  mkdir -p "$home/runtime" && chmod 700 "$home/runtime"
  shift
  local begin end pid
  begin=$(date +%s%N)
  HOME="$home" XDG_RUNTIME_DIR="$home/runtime" NO_AT_BRIDGE=1 "$@" >"$home/log" 2>&1 &
  pid=$!
  # "On screen": at least 10000 magenta pixels (tovarin's view alone is 237 x 305).
  while [ "$(magenta_pixels)" -lt 10000 ]; do
    kill -0 "$pid" 2>/dev/null || { echo "failed failed"; return; }
    [ $(( ($(date +%s%N) - begin) / 1000000 )) -gt 120000 ] && { echo "timeout timeout"; kill "$pid"; return; }
  done
  end=$(date +%s%N)
  sleep 2  # let both settle before measuring memory
  local pss
  pss=$(total_pss "$pid")
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  sleep 1
  echo "$(( (end - begin) / 1000000 )) $pss"
}

printf "%-5s %18s %18s %18s %18s\n" run "tovarin ms" "surf ms" "tovarin PSS kB" "surf PSS kB"
tovarin_times=() surf_times=() tovarin_pss=() surf_pss=()
for i in $(seq 1 "$runs"); do
  read -r t_ms t_kb < <(run_once tovarin "$program")
  read -r s_ms s_kb < <(run_once surf surf "$page_url")
  printf "%-5s %18s %18s %18s %18s\n" "$i" "$t_ms" "$s_ms" "$t_kb" "$s_kb"
  tovarin_times+=("$t_ms") surf_times+=("$s_ms") tovarin_pss+=("$t_kb") surf_pss+=("$s_kb")
done
median() { printf "%s\n" "$@" | grep -E '^[0-9]+$' | sort -n | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)]; else print "n/a" }'; }
printf "%-5s %18s %18s %18s %18s\n" median "$(median "${tovarin_times[@]}")" "$(median "${surf_times[@]}")" \
  "$(median "${tovarin_pss[@]}")" "$(median "${surf_pss[@]}")"

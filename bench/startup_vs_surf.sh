#!/usr/bin/env bash
# Starts tovarin and Debian's surf (the same WebKit engine in a minimal browser) alternately
# under a private Xvfb, and reports side by side:
#   - the time from start to the page on screen (a screenshot shows the page's colour), and the
#     total PSS of the program's processes (UI, web and network) once the page is shown; here
#     tovarin is told to use a local page server as its service (TOVARIN_SERVICE_PREFIX), so
#     both programs open the same HTML page;
#   - the time from the Enter key to a local WAP deck's first card on screen in tovarin, the
#     deck going through tovarin's embedded rendering service, beside the time a running surf
#     takes to show the same content written as plain HTML (told to go there through its
#     _SURF_GO property, as its own address prompt does). Both show the card's dark blue title
#     bar (#1d4f91); "on screen" is when a screenshot shows enough of it.
# Usage: bench/startup_vs_surf.sh [BUILD_DIR] [RUNS]     (defaults: build, 5)
# Runs as root in a private network namespace, so the ports are always free and nothing
# leaves the machine. Not a test: it prints numbers and judges nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-5}
program="$build/shell/tovarin"
[ -x "$program" ] || { echo "no $program; build the tovarin target first" >&2; exit 1; }
command -v surf >/dev/null || { echo "surf is not installed (scripts/setup installs it)" >&2; exit 1; }
command -v xprop >/dev/null || { echo "xprop is not installed (Debian's x11-utils)" >&2; exit 1; }

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

port=47811
prefix="http://127.0.0.1:$port/tovarin/Client/Tovarin.aspx?url="
start=$(sed -n 's/^TOVARIN_START_ADDRESS:STRING=//p' "$build/CMakeCache.txt")
page_url="$prefix$start"
deck_address="wap.localhost:$port/deck.wml"  # typed into tovarin; ".localhost" is loopback
html_url="http://127.0.0.1:$port/deck.html"  # the same card as plain HTML, for surf
blank_url="http://127.0.0.1:$port/blank.html"  # where surf waits, on the same site as the card

# The pages: the service's stand-in (a full window of magenta with some text), and a small WAP
# site with its first card as WML and as HTML.
python3 - "$port" <<'PY' >"$work/pages.log" 2>&1 &
import http.server, sys
start = ("<!DOCTYPE html><html><head><meta charset='utf-8'><title>bench</title></head>"
         "<body style='margin:0;background:#ff00ff;height:3000px;font:14px sans-serif'>"
         + "<p>Tovarin start-up benchmark page.</p>" * 20 + "</body></html>").encode()
headlines = ["Headline %d of the local benchmark deck" % i for i in range(1, 11)]
deck = ("<?xml version='1.0' encoding='utf-8'?>\n"
        "<!DOCTYPE wml PUBLIC '-//WAP//DTD WML 1.1//EN' 'http://www.wapforum.org/DTD/wml_1.1.xml'>\n"
        "<wml><card id='news' title='Bench news'><p>Tovarin benchmark deck.</p>"
        + "".join("<p><a href='#more'>%s</a></p>" % h for h in headlines)
        + "</card><card id='more' title='More'><p>More.</p></card></wml>").encode()
html = ("<!DOCTYPE html><html><head><meta charset='utf-8'><title>Bench news</title><style>"
        "body{margin:0;font:14px/1.4 sans-serif}h1{margin:0;padding:3px 6px;background:#1d4f91;"
        "color:#fff;font-size:14px}div{padding:4px 6px}p{margin:0 0 4px}</style></head><body>"
        "<h1>Bench news</h1><div><p>Tovarin benchmark deck.</p>"
        + "".join("<p><a href='#more'>%s</a></p>" % h for h in headlines)
        + "</div></body></html>").encode()
blank = b"<!DOCTYPE html><html><head><title>blank</title></head><body></body></html>"
pages = {"/deck.wml": ("text/vnd.wap.wml", deck), "/deck.html": ("text/html; charset=utf-8", html),
         "/blank.html": ("text/html; charset=utf-8", blank)}
class Page(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        path = self.path.split("?")[0]
        content_type, body = pages.get(path, ("text/html; charset=utf-8", start))
        self.send_response(200)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
    def log_message(self, *args):
        pass
http.server.HTTPServer(("127.0.0.1", int(sys.argv[1])), Page).serve_forever()
PY
pids+=($!)

exec 4>"$work/display"
Xvfb -displayfd 4 -screen 0 1024x768x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$work/display")"
sleep 1

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# Number of pixels of one colour (given as "\xRR\xGG\xBB") on the screen.
screen_pixels() {
  import -silent -window root -depth 8 rgb:- 2>/dev/null |
    python3 -c 'import sys; print(sys.stdin.buffer.read().count(bytes.fromhex(sys.argv[1])))' "$1"
}
magenta_pixels() { screen_pixels ff00ff; }
title_bar_pixels() { screen_pixels 1d4f91; }

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

# A fresh home and runtime folder for one program start; prints the home.
new_home() {
  local home="$work/home-$1-$RANDOM"
  mkdir -p "$home/runtime" && chmod 700 "$home/runtime"
  echo "$home"
}

stop() {
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
  sleep 1
}

# The first visible window of process $1 within 120 s, or nothing.
window_of() {
  local window="" _
  for _ in $(seq 1 1200); do
    window=$(xdotool search --onlyvisible --pid "$1" 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && break
    kill -0 "$1" 2>/dev/null || break
    sleep 0.1
  done
  echo "$window"
}

# Waits until `$2` (a command printing a number) prints at least $3, for process $1, at most
# 120 s from $4 (ms). Prints the time it did (ms), or "failed" / "timeout".
wait_for_pixels() {
  local pid=$1 count=$2 least=$3 begin=$4
  while [ "$($count)" -lt "$least" ]; do
    kill -0 "$pid" 2>/dev/null || { echo failed; return; }
    [ $(( $(now_ms) - begin )) -gt 120000 ] && { echo timeout; return; }
  done
  now_ms
}

# start_once COMMAND...: prints "milliseconds kilobytes" from start to the magenta page.
start_once() {
  local home begin end pid
  home=$(new_home start)
  begin=$(now_ms)
  HOME="$home" XDG_RUNTIME_DIR="$home/runtime" NO_AT_BRIDGE=1 TOVARIN_SERVICE_PREFIX="$prefix" "$@" \
    >"$home/log" 2>&1 &
  pid=$!
  # "On screen": at least 10000 magenta pixels (tovarin's view alone is 237 x 305).
  end=$(wait_for_pixels "$pid" magenta_pixels 10000 "$begin")
  case $end in failed | timeout) echo "$end $end"; stop "$pid"; return ;; esac
  sleep 2  # let both settle before measuring memory
  local pss
  pss=$(total_pss "$pid")
  stop "$pid"
  echo "$(( end - begin )) $pss"
}

# The view of tovarin's window $1 (237 x 305 at (4, 59)) once it has not changed for a second
# and is not blank: the start page has loaded. At most 120 s.
wait_for_settled_view() {
  local last="" state since now deadline=$(( $(now_ms) + 120000 ))
  since=$(now_ms)
  while [ "$(now_ms)" -lt "$deadline" ]; do
    state=$(import -silent -window "$1" -depth 8 ppm:- 2>/dev/null |
      convert ppm:- -crop 237x305+4+59 +repage -format '%k %#' info: 2>/dev/null || true)
    now=$(now_ms)
    if [ -z "$state" ] || [ "${state%% *}" -le 1 ] || [ "$state" != "$last" ]; then
      last=$state since=$now
    elif [ $(( now - since )) -ge 1000 ]; then
      return 0
    fi
    sleep 0.2
  done
  return 1
}

# Milliseconds from the Enter key in tovarin's address box to the deck's first card on screen.
tovarin_enter_once() {
  local home pid window x y begin end
  home=$(new_home enter)
  HOME="$home" XDG_RUNTIME_DIR="$home/runtime" NO_AT_BRIDGE=1 TOVARIN_SERVICE_PREFIX= "$program" \
    >"$home/log" 2>&1 &
  pid=$!
  window=$(window_of "$pid")
  if [ -z "$window" ] || ! wait_for_settled_view "$window"; then echo failed; stop "$pid"; return; fi
  eval "$(xdotool getwindowgeometry --shell "$window")"
  x=$X y=$Y
  # The command menu's "输入网址" (its first item while the window shows) reveals the box.
  xdotool mousemove $((x + 60)) $((y + 12)) click 1
  for _ in $(seq 1 100); do
    [ "$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | wc -l)" -gt 1 ] && break
    sleep 0.1
  done
  xdotool key Down key Return
  sleep 0.5
  xdotool mousemove $((x + 40)) $((y + 40)) click 1
  xdotool key End key shift+Home
  xdotool type --delay 10 "$deck_address"
  sleep 0.3
  begin=$(now_ms)
  xdotool key Return
  end=$(wait_for_pixels "$pid" title_bar_pixels 2000 "$begin")
  stop "$pid"
  case $end in failed | timeout) echo "$end" ;; *) echo $(( end - begin )) ;; esac
}

# Milliseconds from telling a running surf to open the HTML card to the card on screen.
surf_go_once() {
  local home pid window begin end
  home=$(new_home surf-go)
  HOME="$home" XDG_RUNTIME_DIR="$home/runtime" NO_AT_BRIDGE=1 surf "$blank_url" >"$home/log" 2>&1 &
  pid=$!
  window=$(window_of "$pid")
  if [ -z "$window" ]; then echo failed; stop "$pid"; return; fi
  sleep 3  # its web process is up and the blank page of the same site shown (no process swap)
  begin=$(now_ms)
  xprop -id "$window" -f _SURF_GO 8u -set _SURF_GO "$html_url"
  end=$(wait_for_pixels "$pid" title_bar_pixels 2000 "$begin")
  stop "$pid"
  case $end in failed | timeout) echo "$end" ;; *) echo $(( end - begin )) ;; esac
}

median() { printf "%s\n" "$@" | grep -E '^[0-9]+$' | sort -n | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)]; else print "n/a" }'; }

echo "Start to the page on screen, and memory once it is shown:"
printf "%-5s %18s %18s %18s %18s\n" run "tovarin ms" "surf ms" "tovarin PSS kB" "surf PSS kB"
tovarin_times=() surf_times=() tovarin_pss=() surf_pss=()
for i in $(seq 1 "$runs"); do
  read -r t_ms t_kb < <(start_once "$program")
  read -r s_ms s_kb < <(start_once surf "$page_url")
  printf "%-5s %18s %18s %18s %18s\n" "$i" "$t_ms" "$s_ms" "$t_kb" "$s_kb"
  tovarin_times+=("$t_ms") surf_times+=("$s_ms") tovarin_pss+=("$t_kb") surf_pss+=("$s_kb")
done
printf "%-5s %18s %18s %18s %18s\n" median "$(median "${tovarin_times[@]}")" "$(median "${surf_times[@]}")" \
  "$(median "${tovarin_pss[@]}")" "$(median "${surf_pss[@]}")"

echo
echo "Enter to a local deck's first card (tovarin, embedded service) and the same card as HTML (surf):"
printf "%-5s %22s %22s\n" run "tovarin deck ms" "surf HTML ms"
tovarin_enter=() surf_go=()
for i in $(seq 1 "$runs"); do
  t_ms=$(tovarin_enter_once)
  s_ms=$(surf_go_once)
  printf "%-5s %22s %22s\n" "$i" "$t_ms" "$s_ms"
  tovarin_enter+=("$t_ms") surf_go+=("$s_ms")
done
printf "%-5s %22s %22s\n" median "$(median "${tovarin_enter[@]}")" "$(median "${surf_go[@]}")"

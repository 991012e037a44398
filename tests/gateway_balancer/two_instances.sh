#!/usr/bin/env bash
# Runs two tovarin-gateway instances behind Debian's nginx on loopback, the way an operator
# serves many users (README, "Several instances"), and checks that:
#   - requests through nginx are answered by both instances (each logs one line per request);
#   - a user's WML state (a variable set by a card's input) made by one instance is read by the
#     other, because it travels in the user's cookies and no instance keeps it;
#   - a request naming a foreign Host is refused.
# Prints "two_instances: ok" and exits 0, or says what failed and exits 1.
#
#   tests/gateway_balancer/two_instances.sh PATH/TO/tovarin-gateway
set -euo pipefail
gateway=${1:?usage: two_instances.sh PATH/TO/tovarin-gateway}
for tool in nginx curl python3; do
  command -v "$tool" >/dev/null || { echo "two_instances: needs $tool" >&2; exit 1; }
done

work=$(mktemp -d /tmp/tovarin-two-XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "two_instances: $*" >&2; for f in "$work"/*.err; do echo "--- $f" >&2; cat "$f" >&2; done; exit 1; }

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
origin_port=$(free_port)
front_port=$(free_port)

# The WAP site: a card with an input whose value the next card shows.
mkdir -p "$work/html" "$work/tmp"
# nginx's workers run as an unprivileged user when started by root.
chmod 755 "$work" "$work/html"
cat >"$work/html/form.wml" <<'WML'
<?xml version="1.0"?>
<!DOCTYPE wml PUBLIC "-//WAPFORUM//DTD WML 1.1//EN" "http://www.wapforum.org/DTD/wml_1.1.xml">
<wml>
  <card id="ask" title="Ask"><p>Name: <input name="who"/>
    <anchor>Next<go href="#show"/></anchor></p></card>
  <card id="show" title="Show"><p>Hello, $(who)!</p></card>
</wml>
WML
chmod 644 "$work/html/form.wml"

# Starts an instance in this shell (not a subshell, so that cleanup knows its PID) and sets
# $address to the host:port it listens on.
start_instance() {  # name
  "$gateway" --listen 127.0.0.1:0 --name "127.0.0.1:$front_port" >"$work/$1.out" 2>"$work/$1.err" &
  pids+=($!)
  address=""
  for _ in $(seq 1 100); do
    address=$(sed -n 's/^listening on http:\/\/\([^ /]*\).*/\1/p' "$work/$1.out" | head -n 1)
    [ -n "$address" ] && return 0
    sleep 0.1
  done
  fail "instance $1 did not start"
}
start_instance one
one=$address
start_instance two
two=$address

cat >"$work/nginx.conf" <<CONF
worker_processes 1;
error_log $work/nginx.err warn;
pid $work/nginx.pid;
events { worker_connections 256; }
http {
  access_log off;
  types { text/vnd.wap.wml wml; }
  client_body_temp_path $work/tmp; proxy_temp_path $work/tmp; fastcgi_temp_path $work/tmp;
  uwsgi_temp_path $work/tmp; scgi_temp_path $work/tmp;
  server { listen 127.0.0.1:$origin_port; root $work/html; }
  # The operator's front: round robin over the two instances, the Host passed on as it came.
  upstream gateways { server $one; server $two; }
  server {
    listen 127.0.0.1:$front_port;
    location / { proxy_pass http://gateways; proxy_set_header Host \$http_host; }
  }
}
CONF
nginx -p "$work" -c "$work/nginx.conf" -g 'daemon off;' &
pids+=($!)
for _ in $(seq 1 100); do
  curl -s -o /dev/null "http://127.0.0.1:$front_port/" && break
  sleep 0.1
done

front="http://127.0.0.1:$front_port"
jar="$work/cookies.txt"
deck="127.0.0.1:$origin_port/form.wml"

# Ten plain requests: round robin gives each instance some.
for _ in $(seq 1 10); do
  curl -s -o /dev/null -w '%{http_code}\n' "$front/tovarin/Client/Tovarin.aspx?url=$deck" | grep -qx 200 \
    || fail "a request through nginx was not answered with 200"
done
lines_one=$(grep -c ' /tovarin/' "$work/one.err" || true)
lines_two=$(grep -c ' /tovarin/' "$work/two.err" || true)
[ "$lines_one" -gt 0 ] && [ "$lines_two" -gt 0 ] || fail "not both instances answered ($lines_one, $lines_two)"

# One user's state across instances: open the card, submit the input, see the value.
page=$(curl -s -c "$jar" -b "$jar" "$front/tovarin/Client/Tovarin.aspx?url=$deck")
grep -q 'Name:' <<<"$page" || fail "the first card did not show"
action=$(grep -o '<form[^>]*action="[^"]*"' <<<"$page" | sed 's/.*action="\([^"]*\)"/\1/' | sed 's/&amp;/\&/g')
[ -n "$action" ] || fail "the card has no form"
fields=()
while read -r name value; do
  fields+=(--data-urlencode "$name=$value")
done < <(grep -o '<input type="hidden" name="[^"]*" value="[^"]*"' <<<"$page" \
           | sed 's/.*name="\([^"]*\)" value="\([^"]*\)"/\1 \2/' | sed 's/&amp;/\&/g; s/&quot;/"/g')
task=$(grep -o '<button type="submit" class="wml-link" name="wml.task" value="[^"]*"' <<<"$page" \
         | head -n 1 | sed 's/.*value="\([^"]*\)"/\1/' | sed 's/&amp;/\&/g')
[ -n "$task" ] || fail "the card has no Next button"
# The value typed goes in once; the instance answering keeps it only in the user's cookie.
shown=$(curl -s -c "$jar" -b "$jar" "${fields[@]}" --data-urlencode "v.who=Ada" \
          --data-urlencode "wml.task=$task" "$front$action")
grep -q 'Hello, Ada!' <<<"$shown" || fail "the next card did not show the value typed"
# Going on twice more without the field: round robin sends one of these to the other instance,
# which knows the value only from the cookie.
for _ in 1 2; do
  again=$(curl -s -c "$jar" -b "$jar" "${fields[@]}" --data-urlencode "wml.task=$task" "$front$action")
  grep -q 'Hello, Ada!' <<<"$again" || fail "an instance did not read the user's state from the cookie"
done

# A foreign Host is refused.
status=$(curl -s -o /dev/null -w '%{http_code}' -H 'Host: evil.example' "$front/tovarin/Client/Tovarin.aspx?url=$deck")
[ "$status" = 421 ] || [ "$status" = 403 ] || fail "a foreign Host got $status"

echo "two_instances: ok (instance one answered $lines_one, instance two $lines_two of the first 10)"

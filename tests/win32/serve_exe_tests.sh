#!/usr/bin/env bash
# kestrane-check --serve under Wine, in a Wine prefix of its own whose services write the event log's
# traces into a file we read. Everything talks to 127.0.0.1 only.
#   serve_exe_tests.sh EXE USAGE_EXE exporter  - the answers to bad requests, a console exporter ended
#       by Ctrl+C, the Kestrane service installed, started, failing, stopped and removed, and both
#       scraped for about 30 s by a real Prometheus with the multi-target relabelling
#   serve_exe_tests.sh EXE USAGE_EXE load [SCRAPES] - 200 probes at once, SCRAPES (default 300) one
#       after another with the working set and handle count read before and after, 100 clients that
#       send their headers a byte a second, and fuzzed request lines
set -uo pipefail
exe=$1
usage=$2
mode=$3
scrapes=${4:-300}
tools=$(cd "$(dirname "$0")/../../tools" && pwd)
work=$(mktemp -d)
export KESTRANE_WINEPREFIX=$(cd "$(dirname "$exe")" && pwd)/wineprefix-serve
source "$tools/wine-env"
failures=0
pass() { echo "ok $*"; }
fail() { echo "FAILED $*"; failures=$((failures + 1)); }
windows() { echo "Z:${1//\//\\}"; }
cleanup() {
  jobs -p | xargs -r kill 2>/dev/null
  wine "$exe" --uninstall-service >/dev/null 2>&1
  wineserver -k 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

free_port() {
  local port
  while :; do
    port=$((20000 + RANDOM % 20000))
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return; }
  done
}
status() { curl -s -o /dev/null -w '%{http_code}' -m 30 "$@"; }
wait_for() {  # wait_for URL: until it answers, at most 30 s
  for _ in $(seq 1 150); do [ "$(status "$1")" = 200 ] && return 0; sleep 0.2; done
  return 1
}
expect() {  # expect NAME WANTED GOT
  if [ "$2" = "$3" ]; then pass "$1"; else fail "$1: $3 (expected $2)"; fi
}

# The prefix is made once; its services (the event log among them) inherit the first process's
# output and debug channels, so a start and a failure can be read back.
"$tools/wineprefix" || exit 1
wineserver -k 2>/dev/null
wineserver -p
WINEDEBUG=-all,+eventlog,fixme+advapi wine cmd /c exit </dev/null >/dev/null 2>"$work/services.log"
name=$(wine hostname 2>/dev/null | tr -d '\r\n')
printf '%s\r\n' "$name" >"$work/servers.txt"
list=$(windows "$work/servers.txt")

console_port=$(free_port)
console="http://127.0.0.1:$console_port"
wine "$exe" --serve "127.0.0.1:$console_port" --list "$list" --allow-target 'no-such-*' \
  </dev/null >/dev/null 2>"$work/console.log" &
console_pid=$!
wait_for "$console/metrics" || { fail "the console exporter does not answer"; cat "$work/console.log"; exit 1; }

if [ "$mode" = exporter ]; then
  expect "the page" 200 "$(status "$console/")"
  expect "an unknown path" 404 "$(status "$console/nothing")"
  expect "another method" 405 "$(status -X POST "$console/probe?target=$name")"
  curl -s -D - -o /dev/null -X DELETE "$console/metrics" | grep -qi '^Allow: GET' && pass "405 names GET" || fail "405 without Allow: GET"
  expect "no target" 400 "$(status "$console/probe")"
  expect "a repeated target" 400 "$(status "$console/probe?target=$name&target=$name")"
  expect "a target that is no host name" 400 "$(status "$console/probe?target=srv02%20%2Ft%200")"
  expect "a scrape timeout that is no number" 400 "$(status -H 'X-Prometheus-Scrape-Timeout-Seconds: soon' "$console/probe?target=$name")"
  expect "a target not allowed" 403 "$(status "$console/probe?target=evil.example.com")"
  long=$(status "$console/probe?target=$(head -c 20000 /dev/zero | tr '\0' a)")
  case "$long" in 4??) pass "an over-long URL is refused ($long)" ;; *) fail "an over-long URL: $long" ;; esac
  long=$(status -H "X-Padding: $(head -c 20000 /dev/zero | tr '\0' a)" "$console/metrics")
  case "$long" in 4??) pass "an over-long header is refused ($long)" ;; *) fail "an over-long header: $long" ;; esac
  curl -s -m 30 "$console/probe?target=$name" >"$work/probe"
  # The local computer's series are labelled with its name however the target spells it.
  grep -qx 'kestrane_probe_success 1' "$work/probe" && grep -qi "^kestrane_disk_free_bytes{server=\"$name\"" "$work/probe" &&
    promtool check metrics <"$work/probe" >"$work/promtool" 2>&1 && pass "/probe of $name, promtool reads it" ||
    { fail "/probe of $name"; cat "$work/probe" "$work/promtool"; }
  curl -s -m 30 "$console/metrics" >"$work/metrics"
  grep -qx 'kestrane_exporter_probes_total{outcome="refused"} 1' "$work/metrics" &&
    promtool check metrics <"$work/metrics" >"$work/promtool" 2>&1 && pass "/metrics, promtool reads it" ||
    { fail "/metrics"; cat "$work/metrics" "$work/promtool"; }

  # The service: installed as NetworkService with the same options, refused a second time.
  service_port=$(free_port)
  service="http://127.0.0.1:$service_port"
  install=(--install-service --serve "127.0.0.1:$service_port" --list "$list" --allow-target 'no-such-*')
  wine "$exe" "${install[@]}" >"$work/install" 2>&1 && pass "the service installed" || { fail "install"; cat "$work/install"; }
  wine "$exe" "${install[@]}" >"$work/install" 2>&1
  expect "a second installation is refused" 3 "$?"
  wine net start Kestrane >/dev/null 2>&1 && wait_for "$service/metrics" && pass "the service answers" || fail "the service does not start"

  # Prometheus, on the loopback with its data in the temporary folder, scrapes both exporters.
  prometheus_port=$(free_port)
  {
    printf 'global: {scrape_interval: 3s, scrape_timeout: 3s}\nscrape_configs:\n'
    for job in console:$console_port service:$service_port; do
      printf '  - job_name: %s\n    metrics_path: /probe\n' "${job%%:*}"
      printf "    static_configs: [{targets: ['%s', 'no-such-host']}]\n" "$name"
      printf '    relabel_configs:\n      - {source_labels: [__address__], target_label: __param_target}\n'
      printf '      - {source_labels: [__param_target], target_label: instance}\n'
      printf "      - {target_label: __address__, replacement: '127.0.0.1:%s'}\n" "${job#*:}"
    done
    printf "  - job_name: exporters\n    static_configs: [{targets: ['127.0.0.1:%s', '127.0.0.1:%s']}]\n" "$console_port" "$service_port"
  } >"$work/prometheus.yml"
  prometheus --config.file="$work/prometheus.yml" --storage.tsdb.path="$work/data" \
    --web.listen-address="127.0.0.1:$prometheus_port" --log.level=warn >"$work/prometheus.log" 2>&1 &
  prometheus_pid=$!
  sleep 30
  query() {  # query PROMQL: the value of its one result
    curl -s -m 10 "http://127.0.0.1:$prometheus_port/api/v1/query" --data-urlencode "query=$1" |
      sed -n 's/.*"value":\[[^,]*,"\([^"]*\)"\].*/\1/p'
  }
  for job in console service; do
    expect "$job: up for both targets" 1 "$(query "min(up{job=\"$job\"})")"
    expect "$job: kestrane_probe_success of $name" 1 "$(query "kestrane_probe_success{job=\"$job\",instance=\"$name\"}")"
    expect "$job: kestrane_probe_success of no-such-host" 0 "$(query "kestrane_probe_success{job=\"$job\",instance=\"no-such-host\"}")"
    disks=$(query "count(kestrane_disk_free_bytes{job=\"$job\",instance=\"$name\",server=~\"(?i)$name\"})")
    [ "${disks:-0}" -ge 1 ] && pass "$job: $disks disks of $name" || fail "$job: no disk of $name in Prometheus"
  done
  expect "exporters: up" 1 "$(query 'min(up{job="exporters"})')"
  kill "$prometheus_pid"

  # Stop, as the service control manager asks it, within 2 s; the event log has the start and the stop.
  started=$(date +%s%N)
  wine sc stop Kestrane >/dev/null 2>&1
  until wine sc query Kestrane 2>/dev/null | grep -q STOPPED; do
    [ $(( ($(date +%s%N) - started) / 1000000 )) -gt 5000 ] && break
  done
  took=$(( ($(date +%s%N) - started) / 1000000 ))
  [ "$took" -le 2000 ] && pass "the service stopped in $took ms (sc stop and sc query included)" || fail "the service took $took ms to stop"
  grep -q ',0x0004,0x0000,0x00000001,' "$work/services.log" && grep -q ',0x0004,0x0000,0x00000002,' "$work/services.log" &&
    pass "the event log has the start and the stop" || { fail "no start or stop in the event log"; cat "$work/services.log"; }
  # A list that cannot be read: the service does not start and says why in the event log.
  mv "$work/servers.txt" "$work/servers.away"
  wine net start Kestrane >/dev/null 2>&1
  sleep 1
  wine sc query Kestrane 2>/dev/null | grep -q STOPPED && grep -q ',0x0001,0x0000,0x00000003,' "$work/services.log" &&
    pass "a service that cannot start stops and logs the failure" || fail "the failing start"
  mv "$work/servers.away" "$work/servers.txt"
  wine "$exe" --uninstall-service >"$work/uninstall" 2>&1 && ! wine sc query Kestrane >/dev/null 2>&1 &&
    pass "the service removed" || { fail "uninstall"; cat "$work/uninstall"; }
  wine "$exe" --uninstall-service >/dev/null 2>&1
  expect "removing it again is refused" 3 "$?"

  # Ctrl+C in the console: the exporter stops within 2 s.
  started=$(date +%s%N)
  kill -INT "$console_pid"
  until grep -q 'Экспортёр остановлен' "$work/console.log" || [ $(( ($(date +%s%N) - started) / 1000000 )) -gt 5000 ]; do sleep 0.02; done
  took=$(( ($(date +%s%N) - started) / 1000000 ))
  [ "$took" -le 2000 ] && [ "$(status "$console/metrics")" = 000 ] && pass "Ctrl+C stopped the console exporter in $took ms" ||
    { fail "Ctrl+C: $took ms"; cat "$work/console.log"; }
fi

if [ "$mode" = load ]; then
  probe="$console/probe?target=$name"
  export probe
  answered=$(seq 200 | xargs -P 200 -I{} sh -c 'curl -s -m 60 "$probe" | grep -qx "kestrane_probe_success 1" && echo ok' | grep -c ok)
  expect "200 probes at once, all answered with success" 200 "$answered"

  read -r set_before handles_before < <(wine "$usage" kestrane-check.exe | tr -d "\r" | head -1)
  sequential=0
  for _ in $(seq 1 "$scrapes"); do [ "$(status "$probe")" = 200 ] && sequential=$((sequential + 1)); done
  read -r set_after handles_after < <(wine "$usage" kestrane-check.exe | tr -d "\r" | head -1)
  echo "working set ${set_before} -> ${set_after} bytes, handles ${handles_before} -> ${handles_after} over $scrapes scrapes"
  expect "$scrapes scrapes one after another" "$scrapes" "$sequential"
  [ "$set_after" -le $((set_before + set_before / 10 + 4194304)) ] && [ "$handles_after" -le $((handles_before + 20)) ] &&
    pass "working set and handles flat" || fail "working set or handles grew"

  # 100 clients that send their headers a byte a second do not hold up the scrapes.
  for _ in $(seq 1 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$console_port" || exit
     request=$'GET /metrics HTTP/1.1\r\nHost: 127.0.0.1:'"$console_port"$'\r\n'
     for ((i = 0; i < ${#request}; i++)); do printf '%s' "${request:i:1}" >&3; sleep 1; done) 2>/dev/null &
  done
  sleep 2
  slow_ok=0
  for _ in $(seq 1 15); do
    [ "$(curl -s -o /dev/null -w '%{http_code}' -m 5 "$probe")" = 200 ] && slow_ok=$((slow_ok + 1))
    sleep 0.5
  done
  expect "scrapes beside 100 slow clients, each within 5 s" 15 "$slow_ok"
  jobs -p | grep -v "^$console_pid$" | xargs -r kill 2>/dev/null

  # Fuzzed methods and query strings, raw on the socket: never a crash.
  methods=(GET POST HEAD PUT DELETE OPTIONS TRACE PATCH CONNECT G GETT "" BREW)
  fuzz_answered=0
  for i in $(seq 1 300); do
    method=${methods[RANDOM % ${#methods[@]}]}
    if ((i % 2)); then  # printable bytes as they come, blanks and stray '%' included
      query=$(head -c 600 /dev/urandom | tr -dc '[:print:]' | head -c $((RANDOM % 200)))
    else                # escapes of any byte, some of them '=', '&' and '+' as they are
      query=$(head -c $((RANDOM % 200)) /dev/urandom | od -An -tx1 | tr -d ' \n' | sed 's/\(..\)/%\1/g; s/%2[05]/+/g; s/%3d/=/g; s/%26/\&/g')
    fi
    (exec 3<>"/dev/tcp/127.0.0.1/$console_port" || exit
     printf '%s /probe?target=%s&%s HTTP/1.1\r\nHost: 127.0.0.1:%s\r\nX-Prometheus-Scrape-Timeout-Seconds: 0.%s\r\n\r\n' \
       "$method" "${query:0:40}" "$query" "$console_port" "$i" >&3
     timeout 2 head -c 1 <&3) 2>/dev/null | grep -q . && fuzz_answered=$((fuzz_answered + 1))
  done
  kill -0 "$console_pid" 2>/dev/null && [ "$(status "$console/metrics")" = 200 ] &&
    pass "300 fuzzed requests ($fuzz_answered answered), the exporter still serves" ||
    fail "the exporter did not survive the fuzzed requests"
  kill -INT "$console_pid"
fi

echo "failures: $failures"
[ "$failures" = 0 ]

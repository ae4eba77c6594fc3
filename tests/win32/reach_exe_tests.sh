#!/usr/bin/env bash
# The reachability probe end to end under Wine, in a network namespace of the test's own: nothing in
# it but the loopback interface, which carries 192.0.2.10 (nothing listens on TCP 135: refused),
# 192.0.2.20 and 192.0.2.101-120 (packets to TCP 135 dropped by nftables: no answer) and 192.0.2.30
# (a listener of the test accepts on 135, so WMI is asked, and Wine's WMI fails any remote name at
# once). No packet leaves the namespace. Wine makes its sockets in the wineserver, so a wineserver of
# the namespace's own runs the test; the one outside is started again afterwards.
# Usage: reach_exe_tests.sh KESTRANE-CHECK.EXE REACH_WINDOW_TESTS.EXE
set -uo pipefail
exe=$1
window_tests=$2
tools=$(cd "$(dirname "$0")/../../tools" && pwd)

if [ "${KESTRANE_IN_NAMESPACE:-}" != 1 ]; then
  for tool in unshare ip nft python3; do
    command -v "$tool" >/dev/null || { echo "FAILED: $tool is missing (tools/setup installs it)"; exit 1; }
  done
  [ "$(id -u)" = 0 ] || { echo "FAILED: a network namespace of the test's own needs root"; exit 1; }
  source "$tools/wine-env"
  wineserver -k 2>/dev/null
  KESTRANE_IN_NAMESPACE=1 unshare -n bash "$0" "$@"
  code=$?
  # The wineserver the other tests use, outside the namespace, as tools/wine-start made it.
  "$tools/wine-start" </dev/null >/dev/null 2>&1
  exit $code
fi

set -e
ip link set lo up
dropped=()
for a in 10 20 30 $(seq 101 120); do ip addr add "192.0.2.$a/32" dev lo; done
for a in $(seq 101 120); do dropped+=("192.0.2.$a"); done
nft -f - <<'NFT'
table inet kestrane_reach {
  chain out {
    type filter hook output priority 0;
    ip daddr { 192.0.2.20, 192.0.2.101-192.0.2.120 } tcp dport 135 drop
  }
}
NFT
python3 -c "
import socket
s = socket.socket()
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(('192.0.2.30', 135))
s.listen(64)
while True:
    c, _ = s.accept()
    c.close()
" &
listener=$!
work=$(mktemp -d)
trap 'kill $listener 2>/dev/null; wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
"$tools/wine-start" </dev/null >/dev/null 2>&1
set +e
failures=0
now() { date +%s%N; }
ms() { echo $(( ($2 - $1) / 1000000 )); }

start=$(now)
out=$("$tools/wine-run" "$exe" --format nagios 192.0.2.10 192.0.2.20 192.0.2.30 "" 2>"$work/err")
code=$?
took=$(ms "$start" "$(now)")
if [ "$code" != 2 ] || ! grep -q '^DISKFREE CRITICAL - не проверены: 192.0.2.10, 192.0.2.20, 192.0.2.30 |' <<<"$out" ||
   ! grep -q '^192.0.2.10: не удалось проверить (.* (192.0.2.10:135))$' <<<"$out" ||
   ! grep -q '^192.0.2.20: не удалось проверить (No answer from 192.0.2.20:135 within 2 s.)$' <<<"$out" ||
   ! grep -q '^192.0.2.30: не удалось проверить (OLE error 80041015)$' <<<"$out" || [ "$took" -gt 6000 ]; then
  echo "FAILED refused, dropped and accepted: exit $code in $took ms"; echo "$out"; failures=$((failures + 1))
else
  echo "ok refused and dropped are unavailable with their reasons, the listener's WMI fails as Wine's does ($took ms)"
fi

out=$("$tools/wine-run" "$exe" --format prometheus 192.0.2.10 192.0.2.30 2>/dev/null)
if ! grep -qx 'kestrane_server_check_failure{server="192.0.2.10",stage="reach"} 1' <<<"$out" ||
   ! grep -qx 'kestrane_server_check_failure{server="192.0.2.30",stage="wmi"} 1' <<<"$out" ||
   ! grep -qx 'kestrane_server_check_failure{server="192.0.2.30",stage="reach"} 0' <<<"$out"; then
  echo "FAILED the exposition tells the probe's failure from WMI's"; echo "$out"; failures=$((failures + 1))
else
  echo "ok the exposition tells the probe's failure from WMI's"
fi

# The local computer forty times (checked once, as every repeated name) with and without twenty
# dropped addresses spread through it.
local_list=()
mixed=()
for i in $(seq 0 39); do
  local_list+=("")
  mixed+=("")
  [ $((i % 2)) = 1 ] && mixed+=("${dropped[$((i / 2))]}")
done
start=$(now)
"$tools/wine-run" "$exe" "${local_list[@]}" >/dev/null 2>&1
alone=$(ms "$start" "$(now)")
start=$(now)
"$tools/wine-run" "$exe" "${mixed[@]}" >"$work/mixed" 2>/dev/null
took=$(ms "$start" "$(now)")
unavailable=$(grep -c 'Недоступно' "$work/mixed")
if [ "$unavailable" != 20 ] || [ "$took" -gt $((2 * alone + 2000)) ]; then
  echo "FAILED twenty dropped among the local computer: $took ms against $alone ms alone, $unavailable unavailable"
  cat "$work/mixed"; failures=$((failures + 1))
else
  echo "ok twenty dropped among the local computer: $took ms against $alone ms alone"
fi

# The window's run.
dropped_list=$(IFS=,; echo "${dropped[*]}")
if ! KESTRANE_REACH="192.0.2.10,192.0.2.20,192.0.2.30,$dropped_list" "$tools/wine-run" "$window_tests" --gtest_color=no; then
  echo "FAILED the window's run"; failures=$((failures + 1))
fi

[ "$failures" = 0 ] || { echo "$failures failed"; exit 1; }

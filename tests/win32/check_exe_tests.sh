#!/usr/bin/env bash
# kestrane-check.exe under Wine against Wine's WMI: each format, the exit codes, a UTF-16 list
# file, the Prometheus file written whole, and many servers at once giving the same table.
set -uo pipefail
exe=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tools=$(cd "$(dirname "$0")/../../tools" && pwd)
failures=0
check() {  # check NAME EXPECTED-CODE PATTERN ARGS...
  local name=$1 expected=$2 pattern=$3
  shift 3
  local out code
  out=$("$tools/wine-run" "$exe" "$@" 2>"$work/err")
  code=$?
  local matches=yes
  if [ "$pattern" = EMPTY ]; then [ -z "$out" ] || matches=no; else grep -qzP -- "$pattern" <<<"$out" || matches=no; fi
  if [ "$code" != "$expected" ] || [ "$matches" = no ]; then
    echo "FAILED $name: exit $code (expected $expected)"
    echo "$out"
    cat "$work/err"
    failures=$((failures + 1))
  else
    echo "ok $name"
  fi
  printf '%s' "$out" >"$work/last"
}
check "table, local computer" 0 '\t\t\t\tC: [0-9][^\n]* \([0-9]+%\)[^\n]*\nОповещение: нет\n'
check "table, a dead server is critical" 2 '\t\t\tno-such-host\tНедоступно\n' no-such-host
check "nagios OK" 0 "^DISKFREE OK - [^|]* \\| '[^ ]+ C: free'=[0-9]+B;;2147483648:;0;[0-9]+" --format nagios
check "nagios WARNING" 1 "^DISKFREE WARNING - ниже предупреждения: C: " --format nagios --warning 100000
check "nagios CRITICAL" 2 "^DISKFREE CRITICAL - ниже порога: C: " --format nagios --threshold 100000
check "nagios CRITICAL for a dead server" 2 "не проверены: no-such-host[^\n]*\nno-such-host: не удалось проверить" \
  --format nagios "" no-such-host
check "nagios UNKNOWN" 3 '^DISKFREE UNKNOWN - Единица порога' --format nagios --unit TB
check "percent threshold" 0 'Оповещение: нет' --threshold 1%
check "bad combination" 3 EMPTY --threshold 10% --unit GB
prom="$work/kestrane.prom"
check "prometheus into a file" 0 EMPTY --format prometheus --output "Z:${prom//\//\\}" ""
if ! grep -q '^kestrane_server_up{server="[^"]*"} 1$' "$prom" || [ "$(tail -c1 "$prom" | od -An -c | tr -d ' ')" != '\n' ] ||
   [ -n "$(ls "$work" | grep -v -E '^(kestrane.prom|err|last)$')" ]; then
  echo "FAILED prometheus file"; cat "$prom"; ls "$work"; failures=$((failures + 1))
else
  echo "ok prometheus file written whole"
fi
# A list exported by Windows PowerShell: UTF-16 LE with its mark; an empty line is the local computer.
printf '\xff\xfe\r\x00\n\x00n\x00o\x00-\x00s\x00u\x00c\x00h\x00-\x00h\x00o\x00s\x00t\x00\r\x00\n\x00' >"$work/list.txt"
check "UTF-16 list file" 2 '^\t\t\t\tC: [^\n]*\n\t\t\tno-such-host\tНедоступно\n' --list "Z:${work//\//\\}\\list.txt"
names=()
for i in $(seq 1 20); do if [ $((i % 3)) = 0 ]; then names+=("dead$i"); else names+=(""); fi; done
check "twenty, one at a time" 2 'Оповещение' "${names[@]}"
cp "$work/last" "$work/one"
check "twenty, eight at once" 2 'Оповещение' --parallel 8 "${names[@]}"
if ! cmp -s "$work/one" "$work/last"; then
  echo "FAILED --parallel 8 gave another table"; diff "$work/one" "$work/last"; failures=$((failures + 1))
else
  echo "ok --parallel 8 gives the same table"
fi
echo "$failures failed"
[ "$failures" = 0 ]

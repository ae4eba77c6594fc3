#!/usr/bin/env bash
# kestrane-check.exe under Wine against Wine's WMI: each format, the exit codes, a UTF-16 list
# file, the Prometheus file written whole, and many servers at once giving the same table; names,
# disk patterns and volumes; the output read by real consumers (promtool, Monitoring::Plugin).
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
if ! grep -q '^kestrane_server_up{server="[^"]*"} 1$' "$prom" || ! grep -qx 'kestrane_check_success 1' "$prom" ||
   [ "$(tail -c1 "$prom" | od -An -c | tr -d ' ')" != '\n' ] ||
   [ -n "$(ls "$work" | grep -v -E '^(kestrane.prom|err|last)$')" ]; then
  echo "FAILED prometheus file"; cat "$prom"; ls "$work"; failures=$((failures + 1))
else
  echo "ok prometheus file written whole"
fi
# A write that fails leaves the last file as it was and nothing beside it: a file size limit of 0
# stands in for a full disk. The wineserver must be running already, as one started under the
# limit could not work (started here, it ends ten seconds after its last client).
full="$work/full"
mkdir "$full"
printf 'old\n' >"$full/k.prom"
(source "$tools/wine-env" && wineserver -p10) </dev/null >/dev/null 2>&1
out=$( (trap '' XFSZ; ulimit -f 0; "$tools/wine-run" "$exe" --format prometheus --output "Z:${full//\//\\}\\k.prom" "") 2>&1)
code=$?
if [ "$code" != 3 ] || ! grep -q '^Cannot create file ".*k.prom"\. ' <<<"$out" || [ "$(cat "$full/k.prom")" != old ] ||
   [ "$(ls "$full")" != k.prom ]; then
  echo "FAILED a write that fails: exit $code (expected 3)"; echo "$out"; ls -l "$full"; failures=$((failures + 1))
else
  echo "ok a write that fails keeps the last file and leaves no temporary: $(grep '^Cannot' <<<"$out")"
fi
# A list exported by Windows PowerShell: UTF-16 LE with its mark; a blank line is no server (never
# the local computer), and the blanks around a name are no part of it.
printf '\xff\xfe\r\x00\n\x00 \x00n\x00o\x00-\x00s\x00u\x00c\x00h\x00-\x00h\x00o\x00s\x00t\x00\t\x00\r\x00\n\x00' >"$work/list.txt"
check "UTF-16 list file" 2 '^\t\t\tno-such-host\tНедоступно\nОповещение: нет\n$' --list "Z:${work//\//\\}\\list.txt"
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

# Real consumers. The exposition as Prometheus's own linter reads it.
if ! promtool check metrics <"$prom" >"$work/promtool" 2>&1; then
  echo "FAILED promtool check metrics"; cat "$work/promtool"; failures=$((failures + 1))
else
  echo "ok promtool check metrics"
fi
# An UNKNOWN run replaces the last good exposition with one that says only that the check failed.
failed="$work/failed.prom"
cp "$prom" "$failed"
check "prometheus, a name that is not a host name" 3 EMPTY --format prometheus --output "Z:${failed//\//\\}" "srv02 /t 0"
if [ "$(grep -v '^#' "$failed")" != "kestrane_check_success 0" ] || ! promtool check metrics <"$failed" >"$work/promtool" 2>&1; then
  echo "FAILED the UNKNOWN run's exposition"; cat "$failed" "$work/promtool"; failures=$((failures + 1))
else
  echo "ok the UNKNOWN run's exposition replaced the good one and promtool reads it"
fi
# Thresholds a hair below and above C:'s free space, in bytes (MB with nine decimals, within a
# thousandth of a byte) and in percent of its size. Free space moves while other programs write: a
# run must land on its side while the free space it reports is still the one measured, and whatever
# it reports, its exit code must be the state its performance data give, as Monitoring::Plugin
# judges them.
plugin_lines="$work/plugin"
: >"$plugin_lines"
nagios() {  # nagios ARGS...: one run, its exit code and status line kept for the consumer
  local out code
  out=$("$tools/wine-run" "$exe" --format nagios --disk C: "$@" 2>/dev/null)
  code=$?
  printf '%s\t%s\n' "$code" "$(head -n1 <<<"$out")" >>"$plugin_lines"
  printf '%s' "$out"
}
perf=$(nagios) && perf=$(grep -oP "C: free'=\K[0-9]+B;;[0-9]+:;0;[0-9]+" <<<"$perf")
free=${perf%%B*}
size=${perf##*;}
if [ -z "$free" ] || [ -z "$size" ]; then
  echo "FAILED no performance data for C:"; failures=$((failures + 1))
else
  read -r mbBelow mbAbove pctBelow pctAbove < <(perl -Mbigint -e '
    my ($f, $s) = @ARGV; my $e = 10**9;
    my $mb = sub { my $b = shift; my $n = $b * $e / 1048576; my $w = $n / $e; sprintf("%s.%09s", $w, $n - $w * $e) };
    my $pc = sub { my $n = shift; my $w = $n / $e; sprintf("%s.%09s", $w, $n - $w * $e) };
    my $p = $f * 100 * $e / $s;
    print join(" ", $mb->($f), $mb->($f + 2), $pc->($p), $pc->($p + 3)), "\n"' "$free" "$size")
  echo "C: $free bytes free of $size: thresholds $mbBelow / $mbAbove MB, $pctBelow% / $pctAbove%"
  side() {  # side EXPECTED-CODE ARGS...: the code a run must give while C:'s free space stays as measured
    local expected=$1
    shift
    nagios "$@" >/dev/null
    local code status
    IFS=$'\t' read -r code status < <(tail -n1 "$plugin_lines")
    if grep -q "C: free'=${free}B;" <<<"$status" && [ "$code" != "$expected" ]; then
      echo "FAILED $*: exit $code (expected $expected): $status"; failures=$((failures + 1))
    fi
  }
  side 0 --unit MB --threshold "$mbBelow"
  side 2 --unit MB --threshold "$mbAbove"
  side 0 --unit MB --threshold 1 --warning "$mbBelow"
  side 1 --unit MB --threshold 1 --warning "$mbAbove"
  side 0 --threshold "$pctBelow%"
  side 2 --threshold "$pctAbove%"
  side 0 --threshold 1% --warning "$pctBelow%"
  side 1 --threshold 1% --warning "$pctAbove%"
  nagios --threshold 1.5 >/dev/null
  if ! perl "$(dirname "$0")/../cli/plugin_state.pl" <"$plugin_lines" >"$work/consumer"; then
    echo "FAILED the plug-in consumer disagrees"; cat "$work/consumer"; failures=$((failures + 1))
  else
    echo "ok $(cat "$work/consumer")"; cut -f1 "$plugin_lines" | tr '\n' ' '; echo
  fi
fi

# Names, disks and volumes.
check "--disk C:" 0 "^DISKFREE OK - дисков: 1, [^|]*\\| '[^']+ C: free'=[0-9]+B;;[0-9]+:;0;[0-9]+\n\$" --format nagios --disk C:
check "--exclude-disk Z:" 0 "^DISKFREE OK - [^|]*\\| '[^']+ C: free'=[0-9]+B;;[0-9]+:;0;[0-9]+\n\$" --format nagios \
  --exclude-disk Z:
check "--disk 'C:\\' selects the logical disk C:" 0 "^DISKFREE OK - дисков: 1, [^|]*\\| '[^']+ C: free'=" --format nagios \
  --disk 'C:\'
check "--exclude-disk '*' leaves nothing to judge: UNKNOWN" 3 \
  '^DISKFREE UNKNOWN - Ни один диск не выбран \(--exclude-disk "\*"\)\n$' --format nagios --exclude-disk '*'
# Wine's Win32_Volume has no rows: the volume query answers without failing (no server "не проверены"),
# and a run that finds nothing to judge says UNKNOWN, never OK.
check "--volumes, no volume under Wine: UNKNOWN" 3 \
  '^DISKFREE UNKNOWN - Серверы не сообщили ни одного фиксированного тома с путём\n$' --format nagios --volumes
check "a name that is not a host name" 3 EMPTY "srv02 /t 0"
grep -q "«srv02 /t 0» не является именем сервера" "$work/err" || { echo "FAILED the message names it"; failures=$((failures + 1)); }
check "one server under two spellings" 2 '^\t\t\tno-such-host\tНедоступно\nОповещение: нет\n$' no-such-host NO-SUCH-HOST
grep -qx "no-such-host: не удалось проверить (.*)" "$work/err" || { echo "FAILED no reason"; cat "$work/err"; failures=$((failures + 1)); }
check "the decimal point" 0 'Оповещение: нет' --threshold 1.5

echo "$failures failed"
[ "$failures" = 0 ]

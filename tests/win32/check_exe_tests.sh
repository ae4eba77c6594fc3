#!/usr/bin/env bash
# kestrane-check.exe under Wine against Wine's WMI: each format, the exit codes, a UTF-16 list
# file, the Prometheus file written whole (and kept whole when a write fails or the run ends
# UNKNOWN), and many servers at once giving the same table; names, disk patterns and volumes; the
# output read by real consumers (promtool, Monitoring::Plugin).
# Usage: check_exe_tests.sh KESTRANE-CHECK.EXE KESTRANE_DOS_DEVICE.EXE
set -uo pipefail
exe=$1
dos_device=$2
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
check "nagios WARNING" 1 "^DISKFREE WARNING - ниже предупреждения: [^ ]+ C: " --format nagios --warning 100000
check "nagios CRITICAL" 2 "^DISKFREE CRITICAL - ниже порога: [^ ]+ C: " --format nagios --threshold 100000
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
# Thresholds a hair below and above a disk's free space, in bytes (MB with nine decimals, within a
# thousandth of a byte) and in percent of its size: every run must land on its side, and its exit
# code must be the state its performance data give, as Monitoring::Plugin judges them. The free
# space must hold still from the measuring run to the last: as root the test mounts a small tmpfs
# that nothing else writes to and gives it a drive letter of the Wine session for these runs;
# otherwise it measures C: and, when C:'s free space moved under a round, measures again. A round
# that nobody could verify fails the test.
plugin_lines="$work/plugin"
: >"$plugin_lines"
nagios() {  # nagios DISK ARGS...: one run on that disk, its exit code and status line kept for the consumer
  local disk=$1 out code
  shift
  out=$("$tools/wine-run" "$exe" --format nagios --disk "$disk" "$@" 2>/dev/null)
  code=$?
  printf '%s\t%s\n' "$code" "$(head -n1 <<<"$out")" >>"$plugin_lines"
  printf '%s' "$out"
}
moved=0
side() {  # side DISK FREE EXPECTED-CODE ARGS...: one run; counts it in `moved` if DISK's free space moved
  local disk=$1 free=$2 expected=$3 code status
  shift 3
  nagios "$disk" "$@" >/dev/null
  IFS=$'\t' read -r code status < <(tail -n1 "$plugin_lines")
  if ! grep -q "$disk free'=${free}B;" <<<"$status"; then
    moved=$((moved + 1))
  elif [ "$code" != "$expected" ]; then
    echo "FAILED $disk $*: exit $code (expected $expected): $status"; failures=$((failures + 1))
  fi
}
hair_round() {  # hair_round DISK: the eight runs around DISK's free space; 0 verified, 1 failed, 2 it moved
  local disk=$1 perf free size mbBelow mbAbove pctBelow pctAbove before=$failures
  perf=$(nagios "$disk") && perf=$(grep -oP "$disk free'=\K[0-9]+B;;[0-9]+:;0;[0-9]+" <<<"$perf")
  free=${perf%%B*}
  size=${perf##*;}
  if [ -z "$free" ] || [ -z "$size" ]; then
    echo "FAILED no performance data for $disk"; failures=$((failures + 1))
    return 1
  fi
  read -r mbBelow mbAbove pctBelow pctAbove < <(perl -Mbigint -e '
    my ($f, $s) = @ARGV; my $e = 10**9;
    my $mb = sub { my $b = shift; my $n = $b * $e / 1048576; my $w = $n / $e; sprintf("%s.%09s", $w, $n - $w * $e) };
    my $pc = sub { my $n = shift; my $w = $n / $e; sprintf("%s.%09s", $w, $n - $w * $e) };
    my $p = $f * 100 * $e / $s;
    print join(" ", $mb->($f), $mb->($f + 2), $pc->($p), $pc->($p + 3)), "\n"' "$free" "$size")
  echo "$disk has $free bytes free of $size: thresholds $mbBelow / $mbAbove MB, $pctBelow% / $pctAbove%"
  moved=0
  side "$disk" "$free" 0 --unit MB --threshold "$mbBelow"
  side "$disk" "$free" 2 --unit MB --threshold "$mbAbove"
  side "$disk" "$free" 0 --unit MB --threshold 0 --warning "$mbBelow"
  side "$disk" "$free" 1 --unit MB --threshold 0 --warning "$mbAbove"
  side "$disk" "$free" 0 --threshold "$pctBelow%"
  side "$disk" "$free" 2 --threshold "$pctAbove%"
  side "$disk" "$free" 0 --threshold 0% --warning "$pctBelow%"
  side "$disk" "$free" 1 --threshold 0% --warning "$pctAbove%"
  [ "$failures" = "$before" ] || return 1
  [ "$moved" = 0 ] || { echo "$disk: the free space moved during $moved of 8 runs"; return 2; }
  return 0
}
quiet="$work/quiet" quiet_link="" quiet_drive="" quiet_target=""
forget_quiet_drive() {  # takes the drive letter back and unmounts the tmpfs; also on the way out
  if [ -n "$quiet_drive" ]; then
    "$tools/wine-run" "$dos_device" remove "$quiet_drive" "$quiet_target" >/dev/null 2>&1 ||
      echo "could not take $quiet_drive back from the Wine session"
    quiet_drive=""
  fi
  [ -z "$quiet_link" ] || rm -f "$quiet_link"
  quiet_link=""
  if mountpoint -q "$quiet" 2>/dev/null; then umount "$quiet" || umount -l "$quiet"; fi
}
trap 'forget_quiet_drive; rm -rf "$work"' EXIT
trap 'exit 1' INT TERM HUP
disk=C: rounds=5
if [ "$(id -u)" = 0 ] && mkdir "$quiet" && mount -t tmpfs -o size=16m kestrane-quiet "$quiet"; then
  source "$tools/wine-env"
  for letter in k l m n o p q r s t u v w x y; do
    [ -e "$WINEPREFIX/dosdevices/$letter:" ] || [ -L "$WINEPREFIX/dosdevices/$letter:" ] || break
  done
  quiet_link="$WINEPREFIX/dosdevices/$letter:"
  quiet_target="Z:${quiet//\//\\}"
  if ln -s "$quiet" "$quiet_link" && "$tools/wine-run" "$dos_device" define "${letter^^}:" "$quiet_target"; then
    quiet_drive="${letter^^}:"
    disk=$quiet_drive rounds=2
  else
    echo "could not map the tmpfs as a Wine drive; measuring C:"
    forget_quiet_drive
  fi
fi
for round in $(seq 1 "$rounds"); do
  hair_round "$disk"
  result=$?
  [ "$result" = 2 ] || break
done
if [ "$result" = 0 ]; then
  echo "ok a hair either side of $disk's free space (round $round of $rounds)"
elif [ "$result" = 2 ]; then
  echo "FAILED a hair either side: $disk's free space moved in each of $rounds rounds"; failures=$((failures + 1))
fi
nagios "$disk" --threshold 1.5 >/dev/null
forget_quiet_drive
if ! perl "$(dirname "$0")/../cli/plugin_state.pl" <"$plugin_lines" >"$work/consumer"; then
  echo "FAILED the plug-in consumer disagrees"; cat "$work/consumer"; failures=$((failures + 1))
else
  echo "ok $(cat "$work/consumer")"; cut -f1 "$plugin_lines" | tr '\n' ' '; echo
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
check "the local computer under every spelling is one server" 0 '^\t\t\t\.\tC: [^\n]*\nОповещение: нет\n$' . "" localhost
check "the decimal point" 0 'Оповещение: нет' --threshold 1.5

echo "$failures failed"
[ "$failures" = 0 ]

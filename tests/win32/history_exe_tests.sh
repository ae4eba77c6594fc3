#!/usr/bin/env bash
# kestrane-check.exe --history under Wine, as a black box: a seeded history of the local computer's
# C: that falls steadily gives, with one real run, the time left the seeded rate gives; two runs at
# the same moment leave a valid history holding both readings; a file that is no history is set
# aside with a message and the run still gives its state. Monitoring::Plugin reads the time left's
# range as the exit code does, promtool reads the exposition with the forecast.
# Usage: history_exe_tests.sh KESTRANE-CHECK.EXE
set -uo pipefail
exe=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tools=$(cd "$(dirname "$0")/../../tools" && pwd)
failures=0
fail() { echo "FAILED $*"; failures=$((failures + 1)); }
windows() { printf 'Z:%s' "${1//\//\\}"; }
# One run; its exit code and its standard output, its standard error into $work/err. Wine's
# occasional SIGSEGV at a process's end (exit 139, design.md) comes after the output is written.
kcheck() { "$tools/wine-run" "$exe" "$@" 2>"$work/err"; }
header='time_utc,server,disk,free_bytes,size_bytes'
readings() { grep -c "^[0-9-]*T[0-9:]*Z,$1,C:,[0-9]*,[0-9]*"$'\r'"\$" "$2"; }

# What C: has now, as the check names it.
perf=$(kcheck --format nagios --disk C:)
[[ $perf =~ \'([^\']+)\ C:\ free\'=([0-9]+)B\;\;[0-9]+:\;0\;([0-9]+) ]] || { echo "FAILED no reading of C:: $perf"; exit 1; }
name=${BASH_REMATCH[1]} free=${BASH_REMATCH[2]} size=${BASH_REMATCH[3]}
# 25 readings over 12 hours ending 5 minutes ago, falling towards C:'s free space now so that 10
# days are left, written under the name with its case swapped (names compare without case; the
# history keeps the first spelling).
rate=$((free / 864000))
now=$(date -u +%s)
seed="$work/seed.csv"
{
  printf '%s\r\n' "$header"
  for ((t = now - 43500; t <= now - 300; t += 1800)); do
    printf '%s,%s,C:,%s,%s\r\n' "$(date -u -d "@$t" +%Y-%m-%dT%H:%M:%SZ)" "${name~~}" $((free + rate * (now - t))) "$size"
  done
} >"$seed"

history="$work/history.csv"
cp "$seed" "$history"
out=$(kcheck --format nagios --disk C: --history "$(windows "$history")" --warning-time 30d --critical-time 1d)
code=$?
if [[ $out =~ \'$name\ C:\ free\'=([0-9]+)B.*\'$name\ C:\ time\ left\'=([0-9]+)s\;2592000:\;86400: ]]; then
  expected=$((BASH_REMATCH[1] / rate)) left=${BASH_REMATCH[2]}
  if [[ $code != @(1|139) || $out != "DISKFREE WARNING - заполнится в пределах --warning-time: $name C: "* ]] ||
     [ $((left * 100)) -lt $((expected * 95)) ] || [ $((left * 100)) -gt $((expected * 105)) ]; then
    fail "the seeded fall: exit $code, $left s left against $expected s: $out"
  else
    echo "ok the seeded fall gives $left s left ($expected s at the seeded rate)"
  fi
else
  fail "no time left for C:: $out"; cat "$work/err"
fi
consumer=$(dirname "$0")/../cli/plugin_state.pl
if [ "$code" = 1 ] && ! printf '1\t%s\n' "$(head -n1 <<<"$out")" | perl "$consumer" >"$work/plugin"; then
  fail "Monitoring::Plugin: $(cat "$work/plugin")"
fi
[ "$(readings "${name~~}" "$history")" = 26 ] || fail "the history after one run: $(cat "$history")"
out=$(kcheck --format prometheus --disk C: --history "$(windows "$history")")
if ! grep -qE "^kestrane_disk_time_to_full_seconds\{server=\"$name\",disk=\"C:\"\} [0-9]+\$" <<<"$out" ||
   ! grep -qE "^kestrane_disk_free_bytes_per_second\{server=\"$name\",disk=\"C:\"\} -[0-9.e+]+\$" <<<"$out" ||
   ! promtool check metrics <<<"$out" >"$work/promtool" 2>&1; then
  fail "the exposition with the forecast: $out $(cat "$work/promtool")"
else
  echo "ok Monitoring::Plugin and promtool read the time left"
fi

# Two runs at the same moment: both readings kept, the file whole, nothing left beside it.
both="$work/both.csv"
cp "$seed" "$both"
"$tools/wine-run" "$exe" --disk C: --history "$(windows "$both")" >/dev/null 2>"$work/err1" &
first=$!
"$tools/wine-run" "$exe" --disk C: --history "$(windows "$both")" >/dev/null 2>"$work/err2" &
second=$!
wait "$first"; a=$?
wait "$second"; b=$?
if [[ $a != @(0|139) || $b != @(0|139) ]] || [ "$(head -n1 "$both")" != "$header"$'\r' ] ||
   [ "$(readings "${name~~}" "$both")" != 27 ] || [ "$(wc -l <"$both")" != 28 ] || ls "$work" | grep -q 'both.csv.tmp'; then
  fail "two runs at once: exits $a $b"; cat "$both" "$work/err1" "$work/err2"; ls "$work"
else
  echo "ok two runs at the same moment keep both readings"
fi

# A file that is no history: set aside, said so, and the state given all the same.
bad="$work/bad.csv"
printf 'Date;Free\r\n01.05.2024;12\r\n' >"$bad"
out=$(kcheck --format nagios --disk C: --history "$(windows "$bad")")
code=$?
aside=$(ls "$work" | grep '^bad\.csv\.bad-[0-9]*T[0-9]*Z$')
if [[ $code != @(0|139) ]] || [[ $out != "DISKFREE OK - "* ]] || [ -z "$aside" ] ||
   [ "$(cat "$work/$aside")" != $'Date;Free\r\n01.05.2024;12\r' ] ||
   ! grep -q "он сохранён как \".*$aside\", начата новая история" "$work/err" || [ "$(readings "$name" "$bad")" != 1 ]; then
  fail "a file that is no history: exit $code: $out"; cat "$work/err"; ls "$work"
else
  echo "ok a file that is no history is set aside as $aside: $(grep 'Файл истории' "$work/err")"
fi

echo "$failures failed"
[ "$failures" = 0 ]

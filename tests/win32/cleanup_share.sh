#!/usr/bin/env bash
# Makes (or removes) throwaway folder trees of known sizes and maps them as administrative shares in
# the project's Wine prefix: \\kestrane-share\c$, where one folder holds a link to itself, and
# \\srvlink\c$, where a row folder, a profile and a folder below a row folder are links to folders
# beside the share, and a file in WER is a link to a file of its own name in a case twin of its
# folder. Every link and every link's target stays inside the throwaway folder.
set -euo pipefail
action=$1 root=$2
source "$(dirname "$0")/../../tools/wine-env"
unc="$WINEPREFIX/dosdevices/unc"
# The swapper of a run before (see below) ends with its tree.
[ -f "$root.swapper" ] && kill "$(cat "$root.swapper")" 2>/dev/null || true
rm -rf "$root" "$root.swapper" "$unc/kestrane-share" "$unc/srvlink" "$unc/srvhold"
[ "$action" = remove ] && exit 0
file() { mkdir -p "$(dirname "$root/$1")"; truncate -s "$2" "$root/$1"; }
link() { mkdir -p "$(dirname "$root/$1")"; ln -s "$root/$2" "$root/$1"; }
map() { mkdir -p "$unc/$1"; ln -s "$root/$2" "$unc/$1/c\$"; }

file kestrane/windows/temp/a.tmp 1048576
file kestrane/windows/temp/sub/b.tmp 2097152
file kestrane/temp/t1 3145728
link kestrane/temp/loop kestrane/temp
file kestrane/Windows/SoftwareDistribution/Download/d 2097152
file kestrane/inetpub/logs/l 5242880
file kestrane/users/admin/AppData/Local/Temp/x 1048576
file "kestrane/users/Иванов/AppData/Local/Temp/y" 2097152
file kestrane/ProgramData/Microsoft/Windows/WER/w 524288
map kestrane-share kestrane

file srvlink/windows/temp/a.tmp 1048576
file outside/sub/keep1 2097152
link srvlink/windows/temp/sub outside/sub
file outside/temp/keep2 3145728
link srvlink/temp outside/temp
file srvlink/inetpub/logs/l 1048576
file "srvlink/Windows/SoftwareDistribution/Download/dot." 0
file srvlink/users/admin/AppData/Local/Temp/x 1048576
file outside/evil/AppData/Local/Temp/keep3 4194304
link srvlink/users/evil outside/evil
file srvlink/PROGRAMDATA/Microsoft/Windows/WER/keep4 1048576
link srvlink/ProgramData/Microsoft/Windows/WER/keep4 srvlink/PROGRAMDATA/Microsoft/Windows/WER/keep4
map srvlink srvlink

file srvhold/temp/t 1048576
file srvhold/windows/temp/w 1048576
file srvhold/windows/temp/sub/s 1048576
file srvhold/inetpub/logs/l1 1048576
file srvhold/inetpub/logs/l2 1048576
file srvhold/ProgramData/Microsoft/Windows/WER/r 1048576
file srvhold/open/f 1
file srvhold/open/h 1
file outside/precious/s 1048576
map srvhold srvhold

# What someone on the server does while a button deletes: when the test asks (the file swap-now),
# windows\temp\sub is renamed away and a link to a folder beside the share made under its name, as
# Wine itself cannot (its MoveFile moves what a link points to); asked by move-now, inetpub is moved
# away; asked by replace-now, WER is renamed away and a new WER made. Each once; ends after ten
# minutes unasked.
asked() { [ -e "$root/srvhold/$1-now" ] && [ ! -e "$root/srvhold/$1-done" ]; }
(
  wer="$root/srvhold/ProgramData/Microsoft/Windows/WER"
  for _ in $(seq 6000); do
    if asked swap; then
      mv "$root/srvhold/windows/temp/sub" "$root/srvhold/sub.moved"
      ln -s "$root/outside/precious" "$root/srvhold/windows/temp/sub"
      touch "$root/srvhold/swap-done"
    fi
    if asked move; then
      mv "$root/srvhold/inetpub" "$root/srvhold/inetpub.moved"
      touch "$root/srvhold/move-done"
    fi
    if asked replace; then
      mv "$wer" "$wer.moved"
      mkdir "$wer"
      touch "$root/srvhold/replace-done"
    fi
    [ -e "$root/srvhold/swap-done" ] && [ -e "$root/srvhold/move-done" ] && [ -e "$root/srvhold/replace-done" ] && exit 0
    sleep 0.1
  done
) >/dev/null 2>&1 &
echo $! > "$root.swapper"

#!/usr/bin/env bash
# Makes (or removes) a throwaway folder tree of known sizes and maps it as \\kestrane-share\c$ in
# the project's Wine prefix. One folder holds a link to itself; every link stays inside the tree.
set -euo pipefail
action=$1 root=$2
source "$(dirname "$0")/../../tools/wine-env"
share="$WINEPREFIX/dosdevices/unc/kestrane-share"
rm -rf "$root" "$share"
[ "$action" = remove ] && exit 0
mkdir -p "$root"
file() { mkdir -p "$(dirname "$root/$1")"; truncate -s "$2" "$root/$1"; }
file windows/temp/a.tmp 1048576
file windows/temp/sub/b.tmp 2097152
file temp/t1 3145728
ln -s "$root/temp" "$root/temp/loop"
file Windows/SoftwareDistribution/Download/d 2097152
file inetpub/logs/l 5242880
file users/admin/AppData/Local/Temp/x 1048576
file "users/Иванов/AppData/Local/Temp/y" 2097152
file ProgramData/Microsoft/Windows/WER/w 524288
mkdir -p "$share"
ln -s "$root" "$share/c\$"

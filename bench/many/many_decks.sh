#!/usr/bin/env bash
# Many decks at once on this machine: N copies of a presentation sent to N lectures
#   1. as N slide-ferry-batch processes side by side (one per deck, as a scheduler starts them),
#   2. as one slide-ferry-batch run with N decks,
#   3. as the command-line route (bench/transfer/commandline.sh), N of them side by side,
# against a private local Lumora server. Prints the seconds of each, the peak memory of one
# office (its resident set, sampled twice a second) and the load average afterwards.
#
#   many_decks.sh BUILD_DIR [N] [PRESENTATION]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:?usage: many_decks.sh BUILD_DIR [N] [PRESENTATION]}
count=${2:-3}
deck=${3:-$root/../shared/testdata/presentations/long-68-slides.ppt}
batch="$build/src/slide-ferry-batch"

tmp=$(mktemp -d)
server_pid=
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

mkfifo "$tmp/port"
/usr/bin/python3 "$root/tools/lumora_server.py" --root "$tmp/server" --seed demo >"$tmp/port" &
server_pid=$!
port=$(head -1 "$tmp/port" | awk '{print $2}')
mkdir -p "$tmp/decks" "$tmp/config"
for i in $(seq 1 "$count"); do cp "$deck" "$tmp/decks/deck$i.${deck##*.}"; done

export SLIDE_FERRY_CORVANE_PASSWORD=secret SLIDE_FERRY_LUMORA_PASSWORD=wonder
export XDG_CONFIG_HOME="$tmp/config" QT_QPA_PLATFORM=offscreen
common=(--no-settings --server "127.0.0.1:$port" --corvane-id corvane --lumora-id alice
  --class cs101fall26 --if-exists next-session)

# The peak resident set of any one office while the given command runs, in MB.
peak_office_mb() {
  local peak=0 kb
  "$@" &
  local pid=$!
  while kill -0 "$pid" 2>/dev/null; do
    for kb in $(ps -C soffice.bin -o rss= 2>/dev/null); do
      [ "$kb" -gt "$peak" ] && peak=$kb
    done
    sleep 0.5
  done
  wait "$pid"
  echo $((peak / 1024)) >"$tmp/peak"
}
timed() { # label command...
  local label=$1 start end
  shift
  start=$(date +%s.%N)
  peak_office_mb "$@"
  end=$(date +%s.%N)
  awk -v l="$label" -v s="$start" -v e="$end" -v p="$(cat "$tmp/peak")" \
    'BEGIN { printf "%-44s %8.1f s   office peak %5d MB\n", l, e - s, p }'
}

side_by_side() {
  local i
  for i in $(seq 1 "$count"); do
    "$batch" "${common[@]}" --date "$(printf "2026-04-%02d" "$i")" "$tmp/decks/deck$i".* >"$tmp/side$i.log" 2>&1 &
  done
  wait
}
one_run() {
  "$batch" "${common[@]}" --date 2026-05-01 "$tmp"/decks/deck* >/dev/null 2>&1
}
command_line() {
  local i
  for i in $(seq 1 "$count"); do
    mkdir -p "$tmp/cl$i/work" "$tmp/server/lumora/classes/cs101fall26/Jun.$i.2026.1"
    bash "$root/bench/transfer/commandline.sh" "$tmp/decks/deck$i".* "$tmp/cl$i/work" \
      "$tmp/cl$i/profile" "ftp://127.0.0.1:$port/lumora/classes/cs101fall26/Jun.$i.2026.1/" \
      corvane:secret >/dev/null 2>&1 &
  done
  wait
}

echo "$count x $(basename "$deck") on $(nproc) cores"
timed "$count slide-ferry-batch processes side by side" side_by_side
timed "one slide-ferry-batch run with $count decks" one_run
timed "$count command-line routes side by side" command_line
echo "load average afterwards: $(cut -d' ' -f1-3 /proc/loadavg)"
lectures=$(find "$tmp/server/lumora/classes/cs101fall26" -name description | wc -l)
echo "lectures with a description on the server: $lectures (the demo's own one included)"

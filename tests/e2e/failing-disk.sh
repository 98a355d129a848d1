#!/usr/bin/env bash
# A failing disk for the tests: nbdkit serves an image through its ddrescue
# filter (the areas a GNU ddrescue map marks bad fail with EIO) and its log
# filter (every read the client makes, to count those that touch a bad
# area), and nbdfuse shows it as the plain file DIR/disk.img.
#   failing-disk.sh start IMAGE MAP DIR   serves; DIR/nbdkit.log logs the reads
#   failing-disk.sh stop DIR              unmounts and ends the server
set -euo pipefail

start() {
  local image=$1 map=$2 dir=$3
  mkdir -p "$dir/mnt"
  nbdkit -r -U "$dir/nbd.sock" -P "$dir/nbdkit.pid" --filter=log --filter=ddrescue \
    file file="$image" ddrescue-mapfile="$map" logfile="$dir/nbdkit.log"
  for _ in $(seq 100); do [ -S "$dir/nbd.sock" ] && break; sleep 0.05; done
  nbdfuse -r -P "$dir/nbdfuse.pid" "$dir/mnt/disk.img" --unix "$dir/nbd.sock" 2>"$dir/nbdfuse.log" &
  for _ in $(seq 200); do [ -s "$dir/nbdfuse.pid" ] && [ -f "$dir/mnt/disk.img" ] && exit 0; sleep 0.05; done
  echo "nbdfuse did not mount $dir/mnt" >&2
  exit 1
}

stop() {
  local dir=$1
  fusermount3 -u "$dir/mnt" 2>/dev/null || true
  [ -s "$dir/nbdkit.pid" ] || return 0
  local pid
  pid=$(cat "$dir/nbdkit.pid")
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
}

case "${1:-}" in
  start) start "$2" "$3" "$4" ;;
  stop) stop "$2" ;;
  *) echo "usage: $0 start IMAGE MAP DIR | stop DIR" >&2; exit 2 ;;
esac

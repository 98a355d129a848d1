#!/usr/bin/env bash
# Builds tests/data/carving-media.img.xz: a raw volume (no file system)
# holding audio and video files as people keep them (MP3 with and without
# ID3 tags, WAV, FLAC, Ogg Vorbis, Opus, FLAC in Ogg, Theora, AVI, Matroska,
# WebM, MPEG-TS, camcorder M2TS, WMV, WMA) and WebP pictures, each made by
# ffmpeg, flac or ImageMagick, laid as scripts/volumes/carving-layout.py lays
# them: back to back with random slack, then a truncated copy of each.
# Writes carving-media.manifest.tsv beside it (see tests/data/README.md).
#
#   scripts/make-carving-media-volume.sh
#
# Needs root only to install the generator tools it is missing.
set -euo pipefail

# shellcheck source=scripts/volumes/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/volumes/common.sh"
install_missing --no-install-recommends "/usr/bin/convert imagemagick" "ffmpeg ffmpeg" "flac flac" "xz xz-utils"
start_work ruvex-carving-media

log "sound (ffmpeg with libmp3lame, libvorbis, libopus; flac)"
ff() { ffmpeg -hide_banner -loglevel error -y -fflags +bitexact "$@"; }
tone() { echo "sine=frequency=$1:duration=$2"; }
ff -f lavfi -i "$(tone 440 2)" -c:a libmp3lame -b:a 64k -flags +bitexact -metadata title=Tone "$S/song.mp3"
ff -f lavfi -i "$(tone 660 2)" -c:a libmp3lame -b:a 128k -id3v2_version 0 -flags +bitexact "$S/bare.mp3"
ff -f lavfi -i "$(tone 550 1)" -c:a libmp3lame -b:a 96k -id3v2_version 3 -write_id3v1 1 -metadata title=Tail \
  -flags +bitexact "$S/tagged.mp3"
ff -f lavfi -i "$(tone 440 1)" -ar 22050 -ac 1 -c:a pcm_s16le -flags +bitexact "$S/voice.wav"
ff -f lavfi -i "$(tone 350 1)" -ar 22050 -c:a pcm_s16le -flags +bitexact -map_metadata -1 "$WORK/music.wav"
flac -s -f --no-padding -o "$S/music.flac" "$WORK/music.wav"
ff -f lavfi -i "$(tone 500 1)" -ar 22050 -c:a flac -flags +bitexact "$S/ffmpeg.flac"
ff -f lavfi -i "$(tone 330 2)" -c:a libvorbis -q:a 0 -flags +bitexact "$S/song.ogg"
ff -f lavfi -i "$(tone 330 2)" -c:a libopus -b:a 24k -flags +bitexact "$S/voice.opus"
ff -f lavfi -i "$(tone 300 1)" -ar 22050 -c:a flac -flags +bitexact "$S/music.oga"
ff -f lavfi -i "$(tone 600 1)" -c:a wmav2 -flags +bitexact "$S/song.wma"

log "video (ffmpeg with libtheora, mpeg4, libvpx, mpeg2video, wmv2)"
video() { echo "testsrc=size=64x48:rate=10:duration=1"; }
ff -f lavfi -i "$(video)" -c:v libtheora -q:v 3 -flags +bitexact "$S/clip.ogv"
ff -f lavfi -i "$(video)" -f lavfi -i "$(tone 440 1)" -c:v mpeg4 -c:a pcm_s16le -ar 8000 -flags +bitexact "$S/clip.avi"
ff -f lavfi -i "$(video)" -f lavfi -i "$(tone 440 1)" -c:v mpeg4 -c:a libvorbis -flags +bitexact "$S/clip.mkv"
ff -f lavfi -i "$(video)" -f lavfi -i "$(tone 440 1)" -c:v libvpx -b:v 100k -c:a libopus -flags +bitexact \
  "$S/clip.webm"
ff -f lavfi -i "$(video)" -f lavfi -i "$(tone 440 1)" -c:v mpeg2video -c:a mp2 -flags +bitexact "$S/clip.ts"
ff -f lavfi -i "$(video)" -c:v mpeg2video -flags +bitexact -mpegts_m2ts_mode 1 -f mpegts "$S/camera.mts"
ff -f lavfi -i "$(video)" -f lavfi -i "$(tone 440 1)" -c:v wmv2 -c:a wmav2 -flags +bitexact "$S/clip.wmv"

log "pictures (ImageMagick)"
"$CONVERT" -size 160x120 gradient:orange-purple \( -size 160x120 pattern:bricks \) \
  -compose multiply -composite -quality 80 "$S/photo.webp"
"$CONVERT" -size 128x96 gradient:white-teal \( -seed 7 -size 128x96 plasma:fractal \) -compose multiply -composite \
  -define webp:lossless=true "$S/drawing.webp"

# Kinds whose end only a header gives (a size, no walk to check it against)
# or only the loss of sync shows are "sized": their truncated copy is
# followed at once by the next one (see carving-layout.py).
cat > "$WORK/order.txt" <<'ORDER'
song.mp3
clip.avi
music.flac
clip.ts sized
song.ogg
clip.mkv
voice.wav sized
bare.mp3
clip.webm
voice.opus
photo.webp sized
camera.mts sized
music.oga
clip.wmv
tagged.mp3
clip.ogv
song.wma sized
ffmpeg.flac
drawing.webp sized
ORDER
find "$S" -type f -exec touch -d "$STAMP" {} +

log "laying out the volume"
python3 "$VOLUMES_DIR/carving-layout.py" "$S" "$WORK/carving-media.img" "$OUT/carving-media.manifest.tsv" \
  "$WORK/order.txt"
xz -9e -T1 -c "$WORK/carving-media.img" > "$OUT/carving-media.img.xz.tmp"
mv "$OUT/carving-media.img.xz.tmp" "$OUT/carving-media.img.xz"
log "carving-media.img.xz: $(stat -c %s "$OUT/carving-media.img.xz") bytes"

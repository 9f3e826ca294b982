#!/usr/bin/env bash
# Records what the alarm really plays. For each of "Beep", "Buzz", "Cuckoo" and
# "No signal" the real program is made to ring (from 0:0:0) for a few seconds
# and then stopped, while PulseAudio's null sink is recorded: the sound must be
# there, and still there after more than one length of it (looping), for as
# long as the alarm rings, and silence must follow Stop; "No signal" must be
# silent throughout. Builds nothing but a small driver program.
#
#   tools/audio-check.sh [BUILD_DIR]      (default: build/, holding DozewellTimer.exe)
#
# Runs in a copy of BUILD_DIR/wineprefix with Wine's PulseAudio driver, against a
# private PulseAudio daemon, under $DISPLAY or a private Xvfb. Needs pulseaudio,
# pulseaudio-utils, sox, Wine and the MinGW-w64 compiler. Exit code 0: PASS,
# 1: FAIL, 2: could not run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
ring_ms=5000   # how long each alarm rings before Stop
window=1.2     # longer than any one play of a sound (the longest, "BEEP", is 1.10 s)
margin=0.3     # allowed for the latency of the audio path
silent=0.001   # the null sink records exact zeros when nothing plays
loud=0.05

cannot() { echo "audio-check: cannot run: $*" >&2; exit 2; }
. "$root/tools/wine-env.sh"
arch=$(pe_arch "$build/DozewellTimer.exe")
compiler=$([ "$arch" = x64 ] && echo x86_64 || echo i686)-w64-mingw32-g++-posix
for tool in pulseaudio pactl parecord sox soxi wineserver $compiler; do
  command -v "$tool" >/dev/null || cannot "$tool is missing (Debian: pulseaudio pulseaudio-utils sox wine g++-mingw-w64-i686)"
done
[ -f "$build/DozewellTimer.exe" ] || cannot "no $build/DozewellTimer.exe; build it first (tools/build.sh)"

if [ -z "${DISPLAY:-}" ]; then
  . "$root/tools/xvfb.sh"
  start_xvfb
fi
work=$(mktemp -d /tmp/dozewell-audio.XXXXXX)
pulse_pid=
cleanup() {
  WINEPREFIX="$work/prefix" wineserver -k >/dev/null 2>&1 || true
  [ -z "$pulse_pid" ] || kill "$pulse_pid" 2>/dev/null || true
  [ -z "${xvfb_pid:-}" ] || kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A PulseAudio daemon of our own whose default sink is a null sink.
mkdir -p "$work/pulse"
export PULSE_SERVER="unix:$work/pulse/native" PULSE_RUNTIME_PATH="$work/pulse" PULSE_STATE_PATH="$work/pulse"
export PULSE_COOKIE="$work/pulse/cookie"
HOME="$work/pulse" XDG_RUNTIME_DIR="$work/pulse" pulseaudio -n --daemonize=no --exit-idle-time=-1 \
  --log-target="file:$work/pulse.log" \
  -L "module-native-protocol-unix auth-anonymous=1 socket=$work/pulse/native" \
  -L "module-null-sink sink_name=nullsink" &
pulse_pid=$!
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info >/dev/null 2>&1 || cannot "PulseAudio did not start: $(tail -n 3 "$work/pulse.log" 2>/dev/null)"
pactl set-default-sink nullsink

# The tests' prefix, copied, with the PulseAudio driver in place of the null driver.
source_prefix="${DOZEWELL_PREFIX:-$build/wineprefix}"
[ -f "$source_prefix/.dozewell-ready" ] || DOZEWELL_PREFIX="$source_prefix" "$root/tools/make-prefix.sh" "$arch" --tests
cp -a "$source_prefix" "$work/prefix"
export DOZEWELL_PREFIX="$work/prefix"
use_wine "$arch"
wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d pulse /f </dev/null >/dev/null 2>&1
$compiler -std=c++20 -O2 -static -I"$root" -o "$work/audio_driver.exe" \
  "$root/tools/audio_driver.cpp" || cannot "the driver program did not compile"

wine "$build/DozewellTimer.exe" </dev/null >/dev/null 2>&1 &
program_pid=$!

# Maximum amplitude of the recording from $2 for $3 seconds (to the end without $3).
peak() { sox "$1" -n trim "$2" ${3:+"$3"} stat 2>&1 | awk '/^Maximum amplitude/ {print $3}'; }
duration() { soxi -D "$1"; }
calc() { awk "BEGIN {printf \"%.6f\", $*}"; }
is() { awk "BEGIN {exit !($*)}"; }

names=("Beep" "Buzz" "Cuckoo" "No signal")
failures=0
summary=()
for signal in 0 1 2 3; do
  wav="$work/signal$signal.wav"
  parecord --device=nullsink.monitor --latency-msec=20 --file-format=wav "$wav" &
  recorder=$!
  # The recording's first sample: when data first arrives, less what has arrived (44100 Hz, 2 x 16 bit).
  for _ in $(seq 500); do
    size=$(stat -c %s "$wav" 2>/dev/null || echo 0)
    [ "$size" -gt 4096 ] && break
    sleep 0.01
  done
  start_ms=$(calc "$(date +%s%3N) - ($size - 44) / 176.4")
  sleep 1  # silence before the alarm
  out=$(wine "$work/audio_driver.exe" ring "$signal" "$ring_ms" </dev/null 2>/dev/null | tr -d '\r' || true)
  sleep 2  # and after Stop
  kill -INT "$recorder"
  wait "$recorder" || true
  ring=$(awk '/^ring/ {print $2}' <<<"$out")
  stop=$(awk '/^stop/ {print $2}' <<<"$out")
  name=${names[$signal]}
  if [ -z "$ring" ] || [ -z "$stop" ] || grep -q '^error' <<<"$out"; then
    summary+=("$(printf '%-10s FAIL  the driver: %s' "$name" "$(tr '\n' ' ' <<<"$out")")")
    failures=$((failures + 1))
    continue
  fi
  ring_at=$(calc "($ring - $start_ms) / 1000")  # seconds into the recording
  stop_at=$(calc "($stop - $start_ms) / 1000")
  total=$(duration "$wav")
  before=$(peak "$wav" 0.2 "$(calc "$ring_at - 0.3")")
  after=$(peak "$wav" "$(calc "$stop_at + $margin")")
  verdict=PASS
  is "$before <= $silent" || verdict=FAIL
  is "$after <= $silent" || verdict=FAIL
  if [ "$signal" -lt 3 ]; then
    # Every window of one sound's length or more, from the alarm to Stop, holds sound.
    windows=0 quiet=0 lowest=1
    for ((k = 0; ; k++)); do
      from=$(calc "$ring_at + $margin + $k * $window")
      is "$from + $window <= $stop_at" || break
      p=$(peak "$wav" "$from" "$window")
      windows=$((windows + 1))
      is "$p >= $loud" || quiet=$((quiet + 1))
      is "$p < $lowest" && lowest=$p
    done
    [ "$windows" -ge 3 ] && [ "$quiet" -eq 0 ] || verdict=FAIL
    sox "$wav" "$work/sound.wav" silence 1 0.001 "$silent"
    onset=$(calc "($total - $(duration "$work/sound.wav") - $ring_at) * 1000")
    sox "$wav" "$work/sound.wav" reverse silence 1 0.001 "$silent"
    end=$(calc "($(duration "$work/sound.wav") - $stop_at) * 1000")
    line=$(printf '%-10s %s  peak before the alarm %s; sound from %+.0f ms after it; %d of %d windows of %ss loud (lowest peak %s); silent from %+.0f ms after Stop (peak from %s ms on: %s)' \
      "$name" "$verdict" "$before" "$onset" $((windows - quiet)) "$windows" "$window" "$lowest" "$end" "$(calc "$margin * 1000" | cut -d. -f1)" "$after")
  else
    during=$(peak "$wav" 0 "$total")
    is "$during <= $silent" || verdict=FAIL
    line=$(printf '%-10s %s  rang %.1fs; whole recording: peak %s' "$name" "$verdict" "$(calc "$stop_at - $ring_at")" "$during")
  fi
  [ "$verdict" = PASS ] || failures=$((failures + 1))
  summary+=("$line")
done

wine "$work/audio_driver.exe" exit </dev/null >/dev/null 2>&1 || true
wait "$program_pid" 2>/dev/null || true

echo "Alarm sound through PulseAudio's null sink (rang ${ring_ms} ms each, then Stop):"
printf '  %s\n' "${summary[@]}"
if [ "$failures" -eq 0 ]; then
  echo "audio-check: PASS"
else
  echo "audio-check: FAIL ($failures of 4)"
  exit 1
fi

#!/usr/bin/env bash
# Measures what showing the saver costs under a private X server (Xvfb):
# CPU of the saver process (% of one core, after a start-up of WARMUP
# seconds), pictures shown per second (from the presenter's cost report,
# ZTX_PRESENTER_STATS) and peak memory (VmHWM),
# for "[D] Bezier" in full screen; the lean reference presenter
# (present_reference) runs the same way for the yardstick. Binaries are run
# alternately, `rounds` times each, and the median of each figure printed.
#
# usage: measure-presenter.sh WxH SECONDS ROUNDS REFERENCE_EXE SAVER_EXE...
#   e.g. bench/x11/measure-presenter.sh 1920x1080 10 3 build/bench/present_reference /tmp/old-zentrix build/zentrix
# The ztx tool beside the first saver prepares the displays. MODE=WxH
# stores that video mode first, so the savers draw at WxH and scale it up.
set -euo pipefail
size=$1 seconds=$2 rounds=$3 reference=$4
shift 4
savers=("$@")
ztx=$(dirname "${savers[-1]}")/ztx
work=$(mktemp -d /tmp/ztx-measure.XXXXXX)
trap 'kill $xpid 2>/dev/null || true; exec 3>&-; rm -rf "$work"' EXIT

# A private X server; -displayfd tells its number.
exec 3< <(Xvfb -displayfd 1 -screen 0 "${size}x24" -nolisten tcp -noreset 2>/dev/null & echo "pid $!"; wait)
read -r _ xpid <&3
read -r number <&3
export DISPLAY=":$number"

export XDG_CONFIG_HOME=$work/cfg XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
"$ztx" displays >/dev/null
sed -i 's/^"Active"=.*/"Active"="[D] Bezier"/' "$XDG_CONFIG_HOME/zentrix/registry.reg"
if [ -n "${MODE:-}" ]; then
    # The 156-byte mode record: 8 bits per pixel, width and height at their offsets.
    record=$(python3 -c 'import struct, sys
w, h = map(int, sys.argv[1].split("x"))
b = bytearray(156); struct.pack_into("<H", b, 36, 156); struct.pack_into("<III", b, 104, 8, w, h)
print(",".join("%02x" % c for c in b))' "$MODE")
    sed -i "s/^\"Active\"=.*/&\n\"DisplayMode\"=hex:$record/" "$XDG_CONFIG_HOME/zentrix/registry.reg"
fi

ticks=$(getconf CLK_TCK)
warmup=${WARMUP:-2}
# Runs one program for warmup + `seconds`; prints "cpu% pictures/s peakMB".
run_one() {
    local err=$work/err
    ZTX_PRESENTER_STATS=1 "$@" 2>"$err" >/dev/null &
    local pid=$! launch
    launch=$(date +%s.%N)
    sleep "$warmup"
    local stat0 start stat1 end hwm
    stat0=$(cut -d' ' -f14,15 "/proc/$pid/stat")
    start=$(date +%s.%N)
    sleep "$seconds"
    stat1=$(cut -d' ' -f14,15 "/proc/$pid/stat")
    end=$(date +%s.%N)
    hwm=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status")
    kill -TERM $pid
    wait $pid || true
    local rate
    rate=$(sed -n 's/^presenter: .*, \([0-9.]*\) a second$/\1/p' "$err" | tail -1)
    # Reports without a rate (older builds): pictures over the whole run.
    [ -n "$rate" ] || rate=$(sed -n 's/^presenter: \([0-9]*\) pictures.*/\1/p' "$err" |
        awk -v a="$launch" -v b="$end" '{ printf "%.1f", $1 / (b - a) }')
    awk -v s0="$stat0" -v s1="$stat1" -v t="$ticks" -v a="$start" -v b="$end" -v r="${rate:-0}" -v m="$hwm" \
        'BEGIN { split(s0, c0, " "); split(s1, c1, " "); d = b - a
                 printf "%.1f %.1f %.1f\n", 100 * (c1[1] + c1[2] - c0[1] - c0[2]) / t / d, r, m / 1024 }'
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

programs=("$reference" "${savers[@]}")
declare -A results
for ((r = 0; r < rounds; ++r)); do
    for p in "${programs[@]}"; do
        if [ "$p" = "$reference" ]; then line=$(run_one "$p")
        else line=$(run_one "$p" /S); fi
        results[$p]+="$line"$'\n'
    done
done
printf '%-40s %8s %10s %8s   (%s, %s s, median of %s)\n' program cpu% pictures/s peakMB "$size" "$seconds" "$rounds"
for p in "${programs[@]}"; do
    data=${results[$p]}
    printf '%-40s %8s %10s %8s\n' "$p" \
        "$(printf '%s' "$data" | awk 'NF {print $1}' | median)" \
        "$(printf '%s' "$data" | awk 'NF {print $2}' | median)" \
        "$(printf '%s' "$data" | awk 'NF {print $3}' | median)"
done

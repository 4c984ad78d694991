#!/usr/bin/env bash
# End-to-end checks of the program binary: headless frames, screenshots, start-up failures, usage errors,
# and a real window where Xvfb is installed.
set -u
bin="$1"
rundir="$(dirname "$bin")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# Under the sanitizers, leaks fail the program too; tools/lsan.supp names the library leak that is not ours.
export LSAN_OPTIONS="${LSAN_OPTIONS:-}:suppressions=$(cd "$(dirname "$0")/../.." && pwd)/tools/lsan.supp:print_suppressions=0"
fails=0
pass=0

check() { # name, condition result
    if [ "$2" = 0 ]; then pass=$((pass + 1)); else echo "FAILED: $1"; fails=$((fails + 1)); fi
}

png_size() { # prints "W H" of a PNG
    local hex
    hex=$(od -An -tx1 -j16 -N8 "$1" | tr -d ' \n')
    echo "$((16#${hex:0:8})) $((16#${hex:8:8}))"
}

fresh() {
    rm -rf "$work/run"
    mkdir -p "$work/run"
    cp -r "$rundir/bmps" "$rundir/levels" "$work/run/" 2>/dev/null
    printf 'ScreenSolution(1280,1024)\r\nWindowed(1)\r\n' >"$work/run/settings.ini"
    cd "$work/run"
}

# A headless run writes a picture of the configured size.
fresh
"$bin" --headless --frames 60 --screenshot out.png >/dev/null 2>err.txt
check "headless run exits 0" $?
[ -f out.png ] && [ "$(png_size out.png)" = "1280 1024" ]
check "screenshot is a 1280x1024 PNG" $?

# A missing settings file ends the program with its message and a failure status.
fresh
rm settings.ini
"$bin" --headless --frames 5 >/dev/null 2>err.txt
[ $? -ne 0 ] && grep -q "error in the settings.ini !" err.txt
check "missing settings.ini" $?

# A height that is not a number gives 0: the screen cannot open.
fresh
printf 'ScreenSolution(800,abc)\r\n' >settings.ini
"$bin" --headless --frames 5 >/dev/null 2>err.txt
[ $? -ne 0 ] && grep -q "could not open screen ! (800x0)" err.txt
check "ScreenSolution(800,abc)" $?

# Words are compared with their case: a lower-case line is ignored.
fresh
printf 'screensolution(800,600)\r\nWindowed(1)\r\n' >settings.ini
"$bin" --headless --frames 3 --screenshot small.png >/dev/null 2>&1
[ "$(png_size small.png)" = "1280 1024" ]
check "lower-case screensolution ignored" $?

printf 'ScreenSolution(800,600)\r\n' >settings.ini
"$bin" --headless --frames 3 --screenshot small.png >/dev/null 2>&1
[ "$(png_size small.png)" = "800 600" ]
check "ScreenSolution(800,600)" $?

# Without a display a run that asks for a window says so and ends at once, windowed or full screen.
fresh
env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=offscreen timeout 5 "$bin" >/dev/null 2>err.txt
[ $? -eq 1 ] && grep -q "could not open windowed screen!" err.txt
check "no display: windowed" $?
printf 'ScreenSolution(1280,1024)\r\nWindowed(0)\r\n' >settings.ini
env -u DISPLAY -u WAYLAND_DISPLAY timeout 5 "$bin" >/dev/null 2>err.txt
[ $? -eq 1 ] && grep -q "could not open screen ! (1280x1024)" err.txt
check "no display: full screen" $?

# Usage errors exit with status 2 and one line.
fresh
"$bin" --frames >/dev/null 2>err.txt
[ $? -eq 2 ] && [ "$(wc -l <err.txt)" -eq 1 ]
check "missing value is a usage error" $?
"$bin" --headless >/dev/null 2>&1
[ $? -eq 2 ]
check "--headless without --frames" $?
printf '1 mouse 1\n' >bad.txt
"$bin" --headless --frames 3 --input bad.txt >/dev/null 2>err.txt
[ $? -eq 2 ] && grep -q "line 1" err.txt
check "malformed input script names its line" $?
# Files that are not regular files are refused at once, without waiting on a FIFO or reading a device.
mkdir folder && mkfifo fifo
for input in /dev/zero fifo folder; do
    timeout 5 "$bin" --headless --frames 3 --input "$input" >/dev/null 2>err.txt
    [ $? -eq 2 ] && grep -q "not a regular file\|it is a folder" err.txt
    check "--input $input is refused" $?
done
for kind in fifo folder device; do
    fresh
    rm settings.ini
    case $kind in fifo) mkfifo settings.ini ;; folder) mkdir settings.ini ;; device) ln -s /dev/zero settings.ini ;; esac
    timeout 5 "$bin" --headless --frames 3 >/dev/null 2>err.txt
    [ $? -eq 1 ] && grep -q "error in the settings.ini ! (it is a" err.txt
    check "settings.ini as a $kind is refused" $?
done

# Writes that fail (a full disk, here a file-size limit) say so, end with status 1 and leave the old file.
fresh
mkdir folder
printf 'earlier' >shot.png
printf 'earlier' >rec.txt
printf '1 mouse 1 1\n' >one.txt
(trap '' XFSZ; ulimit -f 1; "$bin" --headless --frames 3 --screenshot shot.png >/dev/null 2>err.txt)
[ $? -eq 1 ] && grep -q "could not write the screenshot" err.txt && [ "$(cat shot.png)" = earlier ]
check "a screenshot on a full disk fails and keeps the old file" $?
awk 'BEGIN { for (f = 1; f <= 400; ++f) print f " mouse " f " " f }' >moves.txt
(trap '' XFSZ; ulimit -f 1; "$bin" --headless --frames 400 --input moves.txt --record rec.txt >/dev/null 2>err.txt)
[ $? -eq 1 ] && grep -q "input recording failed" err.txt && [ "$(cat rec.txt)" = earlier ]
check "a recording on a full disk fails and keeps the old file" $?
"$bin" --headless --frames 3 --screenshot folder >/dev/null 2>err.txt
[ $? -eq 1 ] && [ -d folder ]
check "a screenshot onto a folder fails" $?
[ "$(ls | grep -c part)" -eq 0 ]
check "failed writes leave no partial files" $?

"$bin" --version | grep -q tumblebox
check "--version" $?

# Batch runs: a level loaded, run and saved; the same seed gives the same bytes; a recorded session replays.
srcdir="$2"
fresh
cp "$srcdir/tests/data/levels/tower_2.lvl" levels/tower_2.lvl
"$bin" --headless --seed 5 --load levels/tower_2.lvl --run --frames 120 --save a.lvl >/dev/null 2>&1
check "batch run exits 0" $?
"$bin" --headless --seed 5 --load 'levels\tower_2.lvl' --run --frames 120 --save b.lvl >/dev/null 2>&1
cmp -s a.lvl b.lvl
check "the same seed writes the same bytes" $?
"$bin" --headless --load levels/tower_2.lvl --frames 1 --save c.lvl >/dev/null 2>&1
cmp -s c.lvl levels/tower_2.lvl
check "load and save without running keeps the bytes" $?
"$bin" --headless --load levels/nothing.lvl --frames 1 --save d.lvl >/dev/null 2>err.txt
[ $? -eq 1 ] && grep -q "file not found..." err.txt && [ ! -f d.lvl ]
check "a missing level exits 1 and saves nothing" $?
printf '1 mouse 300 300\n5 key Space down\n7 key Space up\n20 mouse 600 400\n30 press right\n40 mouse 650 420\n50 release right\n' >s.txt
"$bin" --headless --seed 9 --load levels/tower_2.lvl --input s.txt --record rec.txt --frames 80 --save e.lvl >/dev/null 2>&1
"$bin" --headless --seed 9 --load levels/tower_2.lvl --input rec.txt --frames 80 --save f.lvl >/dev/null 2>&1
cmp -s e.lvl f.lvl && ! cmp -s e.lvl levels/tower_2.lvl
check "a recorded session replays to the same level" $?
# A recording states its seed, level and options: replayed without them, twice, it writes the same level.
"$bin" --headless --load levels/tower_2.lvl --run --input s.txt --record rec2.txt --frames 80 --save g.lvl >/dev/null 2>&1
"$bin" --headless --input rec2.txt --frames 80 --save h.lvl >/dev/null 2>&1
"$bin" --headless --input rec2.txt --frames 80 --save i.lvl >/dev/null 2>&1
grep -q '^# --seed [0-9]' rec2.txt && cmp -s g.lvl h.lvl && cmp -s h.lvl i.lvl
check "a recording without --seed replays to the same level" $?

# Levels that ask the step for the most work it can be given: 9,999 entities without particles (none may
# be paired), the fullest pile of boxes the tables hold and 4,999 sticks, each all on one spot. Each steps
# 60 frames in under 10 seconds of processor time (the machine may be shared, so the wall clock is no
# measure). A sanitizer build runs several times slower and checks memory, not speed: it gets five minutes.
limit=10
ldd "$bin" 2>/dev/null | grep -q 'lib[at]san' && limit=300
corpus="$(cd "$(dirname "$0")/../.." && pwd)/fuzz/corpus/level"
for level in hostile_empty_entities hostile_pile hostile_sticks; do
    fresh
    TIMEFORMAT='%3U %3S'
    { time ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" timeout 600 \
        "$bin" --headless --seed 1 --load "$corpus/$level.lvl" --run --frames 60 >/dev/null 2>err.txt; } 2>time.txt
    status=$?
    ms=$(awk '{ printf "%d", ($1 + $2) * 1000 }' time.txt)
    echo "$level.lvl: 60 frames in $ms ms of processor time"
    [ $status -eq 0 ] && [ "$ms" -lt $((limit * 1000)) ]
    check "$level.lvl steps 60 frames in under $limit s" $?
done

# A real window (under Xvfb, where it is installed): a level of far bodies, cameras and portals, and one of
# ten thousand portals, run 60 frames in bounded time (a line from a far object once reached the renderer
# whole, to be plotted point by point: 16 GB and 40 s).
if command -v Xvfb >/dev/null 2>&1; then
    display=$((90 + $$ % 100))
    Xvfb ":$display" -screen 0 1280x1024x24 >/dev/null 2>&1 &
    xvfb=$!
    sleep 1
    corpus="$(cd "$(dirname "$0")/../.." && pwd)/fuzz/corpus/level"
    for level in hostile_far hostile_portals; do
        fresh
        start=$SECONDS
        ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" DISPLAY=":$display" timeout 120 \
            "$bin" --load "$corpus/$level.lvl" --run --triggers --frames 60 >/dev/null 2>err.txt
        [ $? -eq 0 ] && [ $((SECONDS - start)) -lt 30 ]
        check "a window runs $level.lvl for 60 frames" $?
    done
    kill "$xvfb" 2>/dev/null
    wait "$xvfb" 2>/dev/null
fi

echo "$pass passed, $fails failed"
[ "$fails" -eq 0 ]

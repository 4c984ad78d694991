#!/usr/bin/env bash
# The WebAssembly build's checks, run from the source folder after `tools/dev.sh web-test` has built
# build/ (native) and build-web/: the unit tests under node, node against native on every shipped level,
# and the page in headless Chromium.
set -euo pipefail
root=$(pwd)
node_flags=(--no-experimental-fetch)

echo "== unit tests under node"
# Tests left out, each for what node's file system cannot do: a named pipe (mkfifo), a file size limit
# (setrlimit) and a killed writer process (fork).
skip="BrowserTest.SelectedLevelsShowAPictureAndTheirCounts:LevelRobustness.LongLinesHugeNumbersPipesAndGarbage"
skip="$skip:LevelSave.WritesReplaceTheWholeFileOrNothing:LevelSave.KillingAWriterNeverLeavesABrokenLevel"
skip="$skip:InputScript.OnlyRegularFilesEventsInFrameOrderAndBoundedLines:Settings.FailuresShowTheirMessageAndStop"
skip="$skip:RunProgram.FailedWritesLeaveEarlierFilesAndFail"
mkdir -p build-web/run
cp -r build/run/bmps build/run/levels build/run/settings.ini build-web/run/
(cd build-web && node "${node_flags[@]}" tumblebox_tests.js --gtest_brief=1 --gtest_filter="-$skip")

echo "== node against native, 600 frames with seed 1, on every shipped level"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r build/run/. "$work"/
failed=0
while IFS= read -r level; do
    for triggers in "" --triggers; do
        args=(--headless --seed 1 --load "$level" --run --frames 600 $triggers)
        (cd "$work" && ./tumblebox "${args[@]}" --save native.lvl >/dev/null 2>&1) || true
        (cd "$work" && node "${node_flags[@]}" "$root/build-web/node/tumblebox.js" "${args[@]}" --save node.lvl \
             >/dev/null 2>&1) || true
        if [ -s "$work/native.lvl" ] && cmp -s "$work/native.lvl" "$work/node.lvl"; then
            echo "same bytes: $level $triggers"
        else
            echo "DIFFERENT: $level $triggers"
            failed=1
        fi
        rm -f "$work/native.lvl" "$work/node.lvl" "$work"/*.bak
    done
done < <(cd levels && find . -name '*.lvl' | sed 's|^\./|levels/|' | sort)
[ "$failed" -eq 0 ] || exit 1

echo "== the page in headless Chromium"
tools="${TUMBLEBOX_WEB_TOOLS:-$HOME/.cache/tumblebox-web-tools}"
if [ ! -d "$tools/node_modules/puppeteer-core" ]; then
    mkdir -p "$tools"
    (cd "$tools" && npm install --no-audit --no-fund --silent puppeteer-core@22 >/dev/null)
fi
# A level of three boxes, placed by the node build from scripted input.
printf '%s\n' "2 mouse 1144 216" "4 mouse 948 71" "25 press left" "27 release left" \
    "30 mouse 400 600" "40 press left" "42 release left" "50 mouse 600 600" "60 press left" "62 release left" \
    "70 mouse 800 600" "80 press left" "82 release left" >"$work/three.txt"
(cd "$work" && node "${node_flags[@]}" "$root/build-web/node/tumblebox.js" --headless --seed 1 --input three.txt \
    --frames 100 --save three.lvl >/dev/null)
NODE_PATH="$tools/node_modules" node tests/web/page_test.js build-web/site build-web/page-test "$work/three.lvl"

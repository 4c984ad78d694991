#!/usr/bin/env bash
# Sets up a Debian 12 machine for Tumblebox, builds it, and then runs the program ("run"), the test suite
# ("test"), the sanitizer suite ("asan"), the benchmarks ("bench"), the physics tests built for x86-64-v3
# ("v3"), the physics, history and scenario tests under ThreadSanitizer with two lanes forced ("tsan"), each
# fuzz target for a while ("fuzz [SECONDS]", 60 by default; needs clang, which it installs), the
# WebAssembly build ("web": build-web/node/tumblebox.js and the page's folder build-web/site/) or that
# build's checks ("web-test": the unit tests under node, node against native on every shipped level, the
# page in headless Chromium).
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(g++ cmake ninja-build pkg-config libsdl2-dev libsdl2-ttf-dev libsdl2-image-dev libfontconfig-dev
          fonts-quicksand fonts-dejavu-core googletest libgtest-dev libbenchmark-dev libbox2d-dev
          librsvg2-dev libcairo2-dev xvfb)

install_packages() {
    local missing=()
    for p in "${PACKAGES[@]}" "$@"; do
        dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

build() {
    cmake --preset dev >/dev/null
    cmake --build --preset dev -j2
}

# The WebAssembly build. The art is rendered by the native build (artgen is a native program); emscripten's
# optimiser needs Debian's node modules on its path.
WEB_PACKAGES=(emscripten nodejs chromium libstb-dev python3)
build_web() {
    cmake --preset dev >/dev/null
    cmake --build --preset dev -j2 --target art run_folder tumblebox
    export NODE_PATH=/usr/share/nodejs
    emcmake cmake -S . -B build-web -G Ninja -DCMAKE_BUILD_TYPE=Release -DTUMBLEBOX_WERROR=ON \
        -DTUMBLEBOX_SDL=OFF -DTUMBLEBOX_ART=OFF -DTUMBLEBOX_BENCH=OFF -DTUMBLEBOX_WEB_ART="$PWD/build/run/bmps" \
        >/dev/null
    cmake --build build-web -j2 --target tumblebox_node tumblebox_site "$@"
}

cmd="${1:-run}"
case "$cmd" in
fuzz) install_packages clang libclang-rt-14-dev ;;
web) install_packages "${WEB_PACKAGES[@]}" ;;
web-test)
    install_packages "${WEB_PACKAGES[@]}"
    command -v npm >/dev/null || install_packages npm # some node packages bring their own npm
    ;;
*) install_packages ;;
esac
case "$cmd" in
run)
    build
    cd build/run
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
        echo "No display found (DISPLAY and WAYLAND_DISPLAY are unset): rendering one headless frame instead."
        ./tumblebox --headless --frames 60 --screenshot tumblebox.png
        echo "Wrote $(pwd)/tumblebox.png"
    else
        exec ./tumblebox
    fi
    ;;
test)
    build
    ctest --preset dev
    ;;
asan)
    cmake --preset asan >/dev/null
    cmake --build --preset asan -j2
    ctest --preset asan
    ;;
bench)
    build
    for b in build/bench/*; do
        if [ -f "$b" ] && [ -x "$b" ]; then
            echo "== $b"
            "$b"
        fi
    done
    ;;
v3)
    # The physics tests built for x86-64-v3 (AVX2, FMA, BMI2...), where a compiler free to fuse
    # multiply-adds would change results. They run only where the processor has that level.
    cmake -S . -B build-v3 -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS=-march=x86-64-v3 \
          -DTUMBLEBOX_WERROR=ON -DTUMBLEBOX_SDL=OFF -DTUMBLEBOX_ART=OFF -DTUMBLEBOX_BENCH=OFF >/dev/null
    cmake --build build-v3 -j2 --target tumblebox_tests
    flags=$(grep -m1 '^flags' /proc/cpuinfo || true)
    for f in avx avx2 bmi1 bmi2 f16c fma abm movbe xsave; do
        if [[ " $flags " != *" $f "* ]]; then
            echo "This processor lacks $f (x86-64-v3): the x86-64-v3 tests were built but not run."
            exit 0
        fi
    done
    build-v3/tumblebox_tests --gtest_filter='PhysicsFastPaths.*:PhysicsDeterminism.*'
    ;;
tsan)
    # The step's second lane on a real thread wherever a pass allows (TUMBLEBOX_LANES=2), under
    # ThreadSanitizer: any data race between the lanes fails the run.
    cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS=-fsanitize=thread \
          -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread -DTUMBLEBOX_WERROR=ON -DTUMBLEBOX_SDL=OFF \
          -DTUMBLEBOX_ART=OFF -DTUMBLEBOX_BENCH=OFF >/dev/null
    cmake --build build-tsan -j2 --target tumblebox_tests
    TUMBLEBOX_LANES=2 TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" build-tsan/tumblebox_tests \
        --gtest_filter='Physics*:HistoryTest.*:ReplaceWorld.*:EditorScenario.*'
    ;;
fuzz)
    # Each target runs on a scratch copy of its corpus, so the shipped corpus stays as it is. Any crash,
    # leak, sanitizer report, failed check or slow input ends that target and leaves the input in
    # build-fuzz/findings/; the command fails once every target has run.
    seconds="${2:-60}"
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DTUMBLEBOX_FUZZ=ON -DTUMBLEBOX_SDL=OFF \
        -DTUMBLEBOX_ART=OFF -DTUMBLEBOX_BENCH=OFF >/dev/null
    cmake --build build-fuzz -j2 --target level_fuzz level_step_fuzz settings_fuzz session_fuzz
    mkdir -p build-fuzz/findings
    failed=0
    for target in level_fuzz:level level_step_fuzz:level settings_fuzz:settings session_fuzz:session; do
        name="${target%%:*}"
        work="build-fuzz/corpus-$name"
        rm -rf "$work"
        mkdir -p "$work"
        cp fuzz/corpus/"${target#*:}"/* "$work"/
        [ "${target#*:}" = level ] && cp tests/data/levels/*.lvl "$work"/
        echo "== $name, $seconds s"
        "build-fuzz/fuzz/$name" -max_total_time="$seconds" -max_len=8192 -timeout=20 -rss_limit_mb=2048 \
            -print_final_stats=1 -artifact_prefix=build-fuzz/findings/"$name"- "$work" || failed=1
    done
    exit "$failed"
    ;;
web)
    build_web
    echo "Built build-web/node/tumblebox.js (run it with node from a folder like build/run) and build-web/site/"
    echo "(serve it with: python3 -m http.server -d build-web/site)"
    ;;
web-test)
    build_web tumblebox_tests
    bash tests/web/run_web_tests.sh
    ;;
*)
    echo "usage: tools/dev.sh run|test|asan|bench|v3|tsan|fuzz [seconds]|web|web-test" >&2
    exit 2
    ;;
esac

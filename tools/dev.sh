#!/usr/bin/env bash
# Sets up a Debian 12 machine for Tumblebox, builds it, and then runs the program ("run"), the test suite
# ("test"), the sanitizer suite ("asan"), the benchmarks ("bench") or the physics tests built for
# x86-64-v3 ("v3").
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(g++ cmake ninja-build pkg-config libsdl2-dev libsdl2-ttf-dev libsdl2-image-dev libfontconfig-dev
          fonts-quicksand fonts-dejavu-core googletest libgtest-dev libbenchmark-dev libbox2d-dev
          librsvg2-dev libcairo2-dev)

install_packages() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
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

cmd="${1:-run}"
install_packages
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
*)
    echo "usage: tools/dev.sh run|test|asan|bench|v3" >&2
    exit 2
    ;;
esac

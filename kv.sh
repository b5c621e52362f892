#!/usr/bin/env bash
# kv Player: set up, build, run and test.
#   ./kv.sh run     install what is missing, build, open the player on the demo
#   ./kv.sh test    install, build, run every test (offscreen)
#   ./kv.sh bench   install, build, run the benchmarks
#   ./kv.sh asan    build and run the tests under AddressSanitizer + UBSan
#   ./kv.sh fuzz [SECONDS]   build the fuzz targets (clang) and run each
#   ./kv.sh package  build the release and make the Debian package (build/release/*.deb)
#   ./kv.sh ui      build, drive the real window under Xvfb, without and with a window manager
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev libsndfile1-dev libsdl2-dev libsoundtouch-dev
          libgtest-dev libgmock-dev libbenchmark-dev fonts-dejavu-core xvfb xauth
          appstream poppler-utils strace)
FUZZ_PACKAGES=(clang libclang-rt-14-dev)
UI_PACKAGES=(xdotool x11-apps netpbm python3 openbox)

install_packages() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
}

build() { # preset
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1"
}

run_tests() { # preset
    QT_QPA_PLATFORM=offscreen KV_AUDIO=silent ctest --preset "$1" --timeout 300
}

case "${1:-}" in
run)
    install_packages "${PACKAGES[@]}"
    build release
    bin=build/release/bin
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
        # Nobody could see a window: play the demo offscreen, keep a picture of it.
        echo "No display found: playing the demo for a few seconds without a window."
        "$bin/kv_player" --snapshot build/release/demo.png "$bin/demo001.kvd"
        echo "On a desktop (or with DISPLAY set), ./kv.sh run opens the player's window."
        exit 0
    fi
    exec "$bin/kv_player" "$bin/demo001.kvd"
    ;;
test)
    install_packages "${PACKAGES[@]}"
    build tests
    run_tests tests
    ;;
asan)
    install_packages "${PACKAGES[@]}"
    build asan
    ASAN_OPTIONS=detect_leaks=0 run_tests asan
    ;;
bench)
    install_packages "${PACKAGES[@]}"
    build tests
    for b in build/tests/bin/bench_*; do
        [ "$(basename "$b")" = bench_playback ] && continue
        echo "== $(basename "$b")"
        KV_AUDIO=silent QT_QPA_PLATFORM=offscreen "$b"
    done
    # Playback three ways: offscreen with the silent sink (at 1x and 2x), a real X window
    # under Xvfb (with the bare-Qt anchor), and SDL's sound output (dummy driver).
    echo "== bench_playback"
    KV_BENCH_MODE=offscreen KV_AUDIO=silent QT_QPA_PLATFORM=offscreen build/tests/bin/bench_playback
    KV_BENCH_MODE=offscreen KV_BENCH_SPEED=2 KV_AUDIO=silent QT_QPA_PLATFORM=offscreen \
        build/tests/bin/bench_playback
    # The real window at two sizes (1000x1100 and 2060x2160), on a screen that holds both.
    for width in 1000 2060; do
        KV_BENCH_MODE=xcb KV_BENCH_WIDTH=$width KV_AUDIO=silent \
            xvfb-run -a -s "-screen 0 2400x2400x24" env -u QT_QPA_PLATFORM build/tests/bin/bench_playback
    done
    # The first again with the session overview and the event list shown.
    KV_BENCH_NAVIGATOR=1 KV_BENCH_MODE=xcb KV_AUDIO=silent \
        xvfb-run -a -s "-screen 0 2400x2400x24" env -u QT_QPA_PLATFORM build/tests/bin/bench_playback
    KV_BENCH_MODE=sdl SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=offscreen \
        env -u KV_AUDIO build/tests/bin/bench_playback
    ;;
fuzz)
    install_packages "${PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"
    build fuzz
    seconds="${2:-60}"
    for pair in KvdLoader:kvd SettingsReader:ini ConfigReader:cfg NotesParser:kvnotes; do
        name="${pair%%:*}"; corpus="${pair##*:}"
        work="build/fuzz/corpus/$corpus"
        mkdir -p "$work"
        cp -n fuzz/corpus/"$corpus"/* "$work"/ 2>/dev/null || true
        echo "== Fuzz$name for ${seconds}s"
        "build/fuzz/bin/Fuzz$name" -max_total_time="$seconds" -max_len=4096 "$work" 2>&1 | tail -n 3
    done
    ;;
ui)
    install_packages "${PACKAGES[@]}" "${UI_PACKAGES[@]}"
    build tests
    tests/ui/smoke.sh build/tests/bin build/ui-shots
    KV_SMOKE_WM=openbox tests/ui/smoke.sh build/tests/bin build/ui-shots-wm
    ;;
package)
    install_packages "${PACKAGES[@]}" dpkg-dev
    build release
    (cd build/release && cpack)
    ;;
*)
    sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
    ;;
esac

#!/usr/bin/env bash
# UI smoke test: the real player under a virtual X server, driven with real
# key events through xdotool; without a window manager, or with the one
# named in KV_SMOKE_WM (e.g. openbox).
#   [KV_SMOKE_WM=openbox] tests/ui/smoke.sh [BIN_DIR] [SHOT_DIR]
# Opens the sibling list with a right-click on Load, opens and closes the
# Load dialog, plays the demo (P), presses Space (segment start: playback must go on), then
# S (Stop: no needle pixel may show under the END banner), opens the Load
# dialog with Ctrl+O and loads demo002 (its panel must be the one a fresh
# start with demo002 shows), then sends SIGTERM (the player must end within
# 2 s). A second player on demo002 pauses and jumps to the next event with
# Ctrl+Right (the meter must move, and then stand), goes a second on with
# Right, fifty records with Shift+Right and to 0:40 with Ctrl+G (each must
# move the meter), loads demo001 again from File > Recent Recordings, then
# fails to load a garbage file (its panel must be the one a start without a
# file shows).
# A third player on demo001 plays, N adds a note and opens its editor, the
# text typed there must be in demo001.kvnotes once the player has ended.
# Screenshots are kept in SHOT_DIR (default build/ui-shots) for a look.
set -euo pipefail
cd "$(dirname "$0")/../.."
for tool in xvfb-run xdotool xwd xwdtopnm pnmtopng python3; do
    command -v "$tool" >/dev/null || { echo "smoke: $tool is missing (./kv.sh ui installs it)"; exit 2; }
done
# Under a virtual X server of its own (xvfb-run waits until it is up).
if [ -z "${KV_SMOKE_DISPLAY:-}" ]; then
    KV_SMOKE_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" "$@"
fi
bin="$(realpath "${1:-build/tests/bin}")"
shots="$(realpath -m "${2:-build/ui-shots}")"
mkdir -p "$shots"
rm -f "$shots"/*.png

# A fresh program folder: no session file or settings from earlier runs.
app="$(mktemp -d)"
player_pid=""
cleanup() {
    [ -n "$player_pid" ] && kill -KILL "$player_pid" 2>/dev/null || true
    [ -n "${wm_pid:-}" ] && kill "$wm_pid" 2>/dev/null || true
    rm -rf "$app"
}
trap cleanup EXIT
cp "$bin/kv_player" "$bin/dummy.mp3" "$bin"/demo001.* "$bin"/demo002.* "$app"/

wm_pid=""
if [ -n "${KV_SMOKE_WM:-}" ]; then
    "$KV_SMOKE_WM" >/dev/null 2>&1 &
    wm_pid=$!
    sleep 1
fi

fail=0
check() { # message, condition status
    if [ "$2" -eq 0 ]; then echo "ok   $1"; else echo "FAIL $1"; fail=1; fi
}

start_player() { # [FILE.kvd]
    QT_QPA_PLATFORM=xcb KV_AUDIO=silent "$app/kv_player" "$@" >>"$shots/player.log" 2>&1 &
    player_pid=$!
    # The main window appears after the splash (3 s).
    wid=""
    for _ in $(seq 100); do
        # The title names the recording loaded: "demo001 — kv Player".
        wid="$(xdotool search --onlyvisible --name '^(.+ — )?kv Player$' 2>/dev/null | head -n 1 || true)"
        [ -n "$wid" ] && break
        sleep 0.1
    done
    [ -n "$wid" ] || { echo "smoke: the player window did not appear"; cat "$shots/player.log"; exit 1; }
    sleep 1 # the recording loads
    focus_player
}
focus_player() { # keys without --window go to the focused window, as a user's do
    xdotool windowactivate --sync "$wid" 2>/dev/null || xdotool windowfocus --sync "$wid"
}
end_player() { # SIGTERM; true when the player ended within 2 s
    kill -TERM "$player_pid"
    for _ in $(seq 20); do
        if ! kill -0 "$player_pid" 2>/dev/null; then player_pid=""; return 0; fi
        sleep 0.1
    done
    return 1
}
wait_window() { # title: the id of the visible window of that title
    timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1 || true
}
gone_window() { # title
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || break
        sleep 0.1
    done
}
: >"$shots/player.log"
start_player "$app/demo001.kvd"

shot() { # name
    xwd -silent -id "$wid" | xwdtopnm 2>/dev/null | pnmtopng >"$shots/$1.png"
}

# Pixel checks on a screenshot. The panel starts at the first row whose left
# pixel has the panel colour; its width is the window's.
analyse() { # mode png [png2]
    python3 - "$@" <<'PY'
import subprocess, sys
def load(path):
    ppm = subprocess.run(["pngtopnm", path], capture_output=True, check=True).stdout
    parts, pos = [], 0
    while len(parts) < 4:  # P6 w h maxval
        while ppm[pos:pos + 1].isspace(): pos += 1
        end = pos
        while not ppm[end:end + 1].isspace(): end += 1
        parts.append(ppm[pos:end]); pos = end
    w, h = int(parts[1]), int(parts[2])
    data = ppm[pos + 1:]
    return w, h, lambda x, y: tuple(data[3 * (y * w + x):3 * (y * w + x) + 3])
PANEL = (0x2C, 0xAA, 0x99)  # Panel_Color 10070316, red in the low byte
mode = sys.argv[1]
w, h, px = load(sys.argv[2])
def near(a, b): return all(abs(p - q) <= 3 for p, q in zip(a, b))
top = next((y for y in range(h) if near(px(0, y), PANEL)), None)
if top is None:
    print("no meter panel found"); sys.exit(1)
pw, ph = w, round(w / 1.6)
def panel_xy(x, y):  # panel units to pixels
    return (x + 1000) / 2000 * pw, top + (1200 - y) / 1250 * ph
if mode == "needle":
    # Pure needle red anywhere on the panel but the lamp (lag colour is red too).
    lx, ly = panel_xy(-254.3, 1039.3)
    r = pw / 50 + 3
    n = 0
    for y in range(top, min(h, top + ph)):
        for x in range(0, pw, 1):
            if abs(x - lx) <= r and abs(y - ly) <= r: continue
            R, G, B = px(x, y)
            if R > 200 and G < 60 and B < 60: n += 1
    print(n); sys.exit(0)
if mode == "list":
    # The drop-down's selected entry, in the highlight colour, below the panel.
    n = sum(1 for y in range(top + ph, h) for x in range(pw)
            if (lambda c: c[2] > 150 and c[2] - c[0] > 80)(px(x, y)))
    print(n); sys.exit(0)
if mode == "same":
    # Panel pixels that differ between two shots of windows of one width.
    w2, h2, px2 = load(sys.argv[3])
    top2 = next((y for y in range(h2) if near(px2(0, y), PANEL)), None)
    if top2 is None or w2 != w:
        print(999999); sys.exit(0)
    diff = sum(1 for y in range(0, min(ph, h - top, h2 - top2)) for x in range(pw)
               if not near(px(x, top + y), px2(x, top2 + y)))
    print(diff); sys.exit(0)
if mode == "moved":
    _, _, px2 = load(sys.argv[3])
    diff = sum(1 for y in range(top, min(h, top + ph), 2) for x in range(0, pw, 2)
               if px(x, y) != px2(x, y))
    print(diff); sys.exit(0)
PY
}

# Right-click on Load: the list of siblings (demo001, demo002) opens and
# stays open. The Load button is the first of the strip under the panel.
eval "$(xdotool getwindowgeometry --shell "$wid")" # WIDTH, HEIGHT
xdotool mousemove --window "$wid" 33 $((HEIGHT - 81 + 28 + 20)) click 3
sleep 1
shot 0-sibling-list
listed="$(analyse list "$shots/0-sibling-list.png")"
[ "$listed" -gt 100 ]
check "the sibling list stays open ($listed selection pixels)" $?
xdotool key Escape
sleep 0.3
xdotool key Escape
sleep 0.3

# O opens the Load dialog, which takes the release of O; Escape closes it.
# The next key in the window must count all the same.
xdotool key --window "$wid" o
dialog="$(timeout 20 xdotool search --sync --onlyvisible --name '^Load File for Playback$' | head -n 1 || true)"
[ -n "$dialog" ]
check "O opens the Load dialog" $?
sleep 1
xdotool key Escape
for _ in $(seq 100); do
    xdotool search --onlyvisible --name '^Load File for Playback$' >/dev/null 2>&1 || break
    sleep 0.1
done
sleep 0.3

# Play (P); after the PLAY banner the needle runs.
xdotool key --window "$wid" p
sleep 2.5
shot 1-playing
# Space: the Stop button has the focus now, yet Space marks the segment start.
xdotool key --window "$wid" space
sleep 1.5
shot 2-after-space-a
sleep 1.5
shot 3-after-space-b
moved="$(analyse moved "$shots/2-after-space-a.png" "$shots/3-after-space-b.png")"
[ "$moved" -gt 20 ]
check "playback goes on after Space ($moved pixels changed)" $?

# S: Stop, with the END banner for a second.
xdotool key --window "$wid" s
sleep 0.4
shot 4-end-banner
needle="$(analyse needle "$shots/4-end-banner.png")"
[ "$needle" -eq 0 ]
check "no needle pixel during END ($needle found)" $?
sleep 1.5
shot 5-stopped
needle="$(analyse needle "$shots/5-stopped.png")"
[ "$needle" -eq 0 ]
check "no needle pixel after Stop ($needle found)" $?

# Ctrl+O opens the Load dialog too; demo002 loaded after demo001 shows
# nothing of demo001.
focus_player
xdotool key ctrl+o
dialog="$(wait_window 'Load File for Playback')"
[ -n "$dialog" ]
check "Ctrl+O opens the Load dialog" $?
sleep 1
if [ -n "$dialog" ]; then
    xwd -silent -id "$dialog" | xwdtopnm 2>/dev/null | pnmtopng >"$shots/6-ctrl-o-dialog.png"
    xdotool type --delay 20 "$app/demo002.kvd"
    xdotool key Return
    gone_window 'Load File for Playback'
fi
sleep 1.5
shot 7-demo002-after-demo001

# SIGTERM ends the player within 2 s.
ended=0
end_player || ended=1
check "the player ends on SIGTERM" $ended

# demo002 from the start, for comparison.
start_player "$app/demo002.kvd"
shot 8-demo002-fresh
differ="$(analyse same "$shots/7-demo002-after-demo001.png" "$shots/8-demo002-fresh.png")"
[ "$differ" -le 40 ]
check "demo002 loaded after demo001 shows its own panel ($differ pixels differ)" $?

# Paused, Ctrl+Right goes to the next event: the meter shows it at once,
# and stands there while paused.
xdotool key --window "$wid" p
sleep 4
xdotool key --window "$wid" p
sleep 1.5
shot 9-paused
focus_player
xdotool key ctrl+Right
sleep 0.6
shot 10-jumped
sleep 1.5
shot 11-jumped-later
moved="$(analyse moved "$shots/9-paused.png" "$shots/10-jumped.png")"
[ "$moved" -gt 20 ]
check "a jump while paused moves the meter ($moved pixels changed)" $?
moved="$(analyse moved "$shots/10-jumped.png" "$shots/11-jumped-later.png")"
[ "$moved" -eq 0 ]
check "the meter stands after the jump while paused ($moved pixels changed)" $?

# Paused, Right goes a second on, Shift+Right one record (fifty presses: a
# second), Ctrl+G to a typed time; the meter shows each place at once.
xdotool key Right
sleep 0.6
shot 11a-right
moved="$(analyse moved "$shots/11-jumped-later.png" "$shots/11a-right.png")"
[ "$moved" -gt 20 ]
check "Right while paused moves the meter ($moved pixels changed)" $?
xdotool key --repeat 50 --delay 20 shift+Right
sleep 0.6
shot 11b-shift-right
moved="$(analyse moved "$shots/11a-right.png" "$shots/11b-shift-right.png")"
[ "$moved" -gt 0 ]
check "Shift+Right while paused moves the meter record by record ($moved pixels changed)" $?
xdotool key ctrl+g
dialog="$(wait_window 'Go to Time')"
[ -n "$dialog" ]
check "Ctrl+G opens the Go to Time dialog" $?
if [ -n "$dialog" ]; then
    xdotool type --delay 50 "0:40"
    xdotool key Return
    gone_window 'Go to Time'
fi
sleep 0.6
shot 11c-go-to
moved="$(analyse moved "$shots/11b-shift-right.png" "$shots/11c-go-to.png")"
[ "$moved" -gt 20 ]
check "Ctrl+G goes to the time typed ($moved pixels changed)" $?

# A garbage data file fails to load: the panel is that of no recording.
head -c 400 /dev/urandom >"$app/junk001.kvd"
cp "$app/demo002.mp3" "$app/junk001.mp3" # a good sound: the data file is what fails
xdotool key --window "$wid" s
sleep 1.5
focus_player
# File > Recent Recordings: demo002 first, demo001 second (loaded by the
# first player); the second loads with its access key.
grep -qx "Recent2=$app/demo001.kvd" "$app/kv_Player.ini"
check "the recent list is kept in [Player]" $?
xdotool key alt+f
sleep 0.5
xdotool key d
sleep 0.5
xdotool key 2
recent="$(wait_window 'demo001 — kv Player')"
[ -n "$recent" ]
check "File > Recent Recordings loads demo001 again" $?
sleep 1 # the menus' windows gone before the next search of the window tree
focus_player
xdotool key ctrl+o
dialog="$(wait_window 'Load File for Playback')"
if [ -n "$dialog" ]; then
    sleep 1
    xdotool type --delay 20 "$app/junk001.kvd"
    xdotool key Return
    gone_window 'Load File for Playback'
fi
box="$(wait_window 'Incompatible file format')"
[ -n "$box" ]
check "the garbage file is refused" $?
if [ -n "$box" ]; then
    xwd -silent -id "$box" | xwdtopnm 2>/dev/null | pnmtopng >"$shots/12-refused.png"
    xdotool key Return
    gone_window 'Incompatible file format'
fi
sleep 1
shot 13-after-failed-load
end_player || true

start_player
shot 14-no-file
differ="$(analyse same "$shots/13-after-failed-load.png" "$shots/14-no-file.png")"
[ "$differ" -le 40 ]
check "after a failed load the panel is that of no recording ($differ pixels differ)" $?
end_player || true

# N while playing adds a note at the position and opens its editor; what is
# typed there is written at once, so the file holds it after the player ends.
rm -f "$app/demo001.kvnotes"
start_player "$app/demo001.kvd"
xdotool key --window "$wid" p
sleep 2.5
focus_player
xdotool key n
editor="$(wait_window 'Note')"
[ -n "$editor" ]
check "N opens the note editor" $?
if [ -n "$editor" ]; then
    sleep 0.5
    xdotool type --delay 20 "smoke note"
    xwd -silent -id "$editor" | xwdtopnm 2>/dev/null | pnmtopng >"$shots/15-note-editor.png"
    xdotool key Return
    gone_window 'Note'
fi
sleep 0.5
shot 16-note-added
end_player || true
grep -q "smoke note" "$app/demo001.kvnotes" 2>/dev/null
check "demo001.kvnotes holds the note after the player ended" $?

echo "screenshots: $shots"
exit $fail

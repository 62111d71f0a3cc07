#!/usr/bin/env bash
# Checks the windowed viewer as a person uses it: under a virtual X display, real X input from xdotool
# (a left drag, two wheel notches, a click on the model, the measure tool and Escape; then an author's
# plug-in loaded with --load and --add, the measured line drawn while measuring, a box selection, a rebuilt
# plug-in reloaded by --watch, a plug-in built against the installed package clicked, a click that activates
# the second of two views), the viewer's own pictures read back and judged by their pixels, and the
# recordings replayed headless by the session host and played into a live window, which must end with the
# same camera and selection. Bad input (broken OBJ files, a plug-in that is not one, a module thread that
# ends) must give one clear line and a non-zero exit. Bounded in time; skipped only when no X display can be
# started. Usage: tools/check-viewer.sh [BUILD_DIR]   (default build/release, built first when it is that)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build="${1:-build/release}"

if [ "${CHECK_VIEWER_INNER:-}" != "1" ]; then
    bash tools/install-deps.sh viewer
    if [ "$build" = "build/release" ]; then
        extra=()
        [ "${CI:-}" = "true" ] && extra+=(-DWORKFLOW_WARNINGS_AS_ERRORS=ON)
        cmake --preset release "${extra[@]}" >/dev/null
        cmake --build --preset release --target workflow-viewer workflow-session workflow_examples
    fi
fi
viewer="$root/$build/apps/workflow-viewer"
session="$root/$build/apps/workflow-session"
[ -x "$viewer" ] || { echo "FAILED: $viewer was not built (SDL2 or assimp missing?)"; exit 1; }

if [ -n "${CHECK_VIEWER_WORK:-}" ]; then
    work="$CHECK_VIEWER_WORK"
else
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
fi
fail() {
    echo "FAILED: $*"
    exit 1
}

# Judges the viewer's PPM pictures. Background and highlight colours are the viewer's; the status line is
# the bottom 16 rows.
pixels() {
    python3 - "$@" <<'EOF'
import sys

def read(path):
    data = open(path, 'rb').read()
    parts, pos = [], 0
    while len(parts) < 4:
        while data[pos:pos+1].isspace():
            pos += 1
        end = pos
        while not data[end:end+1].isspace():
            end += 1
        parts.append(data[pos:end]); pos = end
    width, height = int(parts[1]), int(parts[2])
    return width, height, data[pos+1:]

def model(path):
    width, height, rgb = read(path)
    mask, highlight = set(), 0
    for y in range(height - 16):
        row = y * width * 3
        for x in range(width):
            r, g, b = rgb[row + 3*x], rgb[row + 3*x + 1], rgb[row + 3*x + 2]
            if (r, g, b) != (0x1e, 0x1e, 0x28):
                mask.add((x, y))
                if r >= 100 and b <= 20 and 0.4 * r < g < 0.7 * r:
                    highlight += 1
    return width, height, rgb, mask, highlight

def bbox(mask):
    xs = [x for x, _ in mask]; ys = [y for _, y in mask]
    return (min(xs), min(ys), max(xs), max(ys)) if mask else (0, 0, 0, 0)

command = sys.argv[1]
if command == 'moved':      # silhouettes differ in a good share of their pixels
    a, b = model(sys.argv[2])[3], model(sys.argv[3])[3]
    changed = len(a ^ b)
    print(f'silhouette pixels {len(a)} -> {len(b)}, {changed} differ')
    sys.exit(0 if a and b and changed > 0.1 * len(a) else 1)
if command == 'resized':    # the bounding box grew or shrank by more than 5%
    a, b = bbox(model(sys.argv[2])[3]), bbox(model(sys.argv[3])[3])
    wa, wb = a[2] - a[0], b[2] - b[0]
    print(f'silhouette width {wa} -> {wb}')
    sys.exit(0 if wa and abs(wb - wa) > 0.05 * wa else 1)
if command == 'highlighted':  # highlighted pixels appear where there were none
    a, b = model(sys.argv[2])[4], model(sys.argv[3])[4]
    print(f'highlighted pixels {a} -> {b}')
    sys.exit(0 if a == 0 and b > 50 else 1)
if command == 'status-changed':
    wa, ha, ra = read(sys.argv[2]); wb, hb, rb = read(sys.argv[3])
    sa, sb = ra[(ha - 16) * wa * 3:], rb[(hb - 16) * wb * 3:]
    lit = sum(1 for i in range(0, len(sb), 3) if sb[i] > 200)
    sys.exit(0 if sa != sb and lit > 20 else 1)
if command == 'inside':     # a point on the model near the middle (of the region X Y W H): where to click
    width, height, rgb, mask, _ = model(sys.argv[2])
    x0, y0, w, h = map(int, sys.argv[3:7]) if len(sys.argv) > 3 else (0, 0, width, height - 16)
    mask = {p for p in mask if x0 <= p[0] < x0 + w and y0 <= p[1] < y0 + h}
    cx, cy = x0 + w // 2, y0 + h // 2
    x, y = min(mask, key=lambda p: (p[0] - cx) ** 2 + (p[1] - cy) ** 2 + (0 if (p[0]+3, p[1]) in mask and (p[0]-3, p[1]) in mask and (p[0], p[1]+3) in mask and (p[0], p[1]-3) in mask else 10**9))
    print(x, y)
if command == 'feedback':   # how many pixels show the examples' drawn feedback (yellow, 0xffe040)
    width, height, rgb = read(sys.argv[2])
    print(sum(1 for i in range(0, (height - 16) * width * 3, 3) if rgb[i:i+3] == bytes((0xff, 0xe0, 0x40))))
if command == 'same':       # the screen shows the picture: window contents grabbed from the X server
    wa, ha, ra = read(sys.argv[2]); ws, hs, rs = read(sys.argv[3]); ox, oy = int(sys.argv[4]), int(sys.argv[5])
    differ = sum(1 for y in range(ha) for x in range(0, wa, 4)
                 if ra[(y*wa + x)*3:(y*wa + x)*3 + 3] != rs[((y+oy)*ws + x+ox)*3:((y+oy)*ws + x+ox)*3 + 3])
    print(f'{differ} sampled pixels differ from the screen')
    sys.exit(0 if differ < 0.01 * wa * ha / 4 else 1)
EOF
}

# --- bad input: one line on standard error, a non-zero exit, no crash, no window needed -------------------
if [ "${CHECK_VIEWER_INNER:-}" != "1" ]; then
expect_refusal() {
    local what="$1"
    shift
    local code=0
    timeout 20 "$viewer" "$@" >"$work/refusal.out" 2>"$work/refusal.err" || code=$?
    local lines
    lines=$(grep -c . "$work/refusal.err" || true)
    if [ "$code" -eq 0 ] || [ "$code" -ge 124 ] || [ "$lines" -ne 1 ] || ! grep -q '^error: ' "$work/refusal.err"; then
        cat "$work/refusal.err"
        fail "$what: expected one error line and a refusal, got exit $code"
    fi
    echo "ok: $what: $(cat "$work/refusal.err")"
}
printf 'v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 2 3\nf 1 2 4\nf 2 3 ' >"$work/truncated.obj"
printf 'v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\nf 1 2 7\n' >"$work/range.obj"
printf 'v 0 0 0\nv 1 0 0\nv 0 1 0\n' >"$work/nofaces.obj"
printf 'not a library\n' >"$work/fake.so"
expect_refusal "a truncated OBJ file" "$work/truncated.obj"
expect_refusal "an OBJ face out of range" "$work/range.obj"
expect_refusal "an OBJ file without faces" "$work/nofaces.obj"
expect_refusal "a missing OBJ file" "$work/missing.obj"
expect_refusal "a plug-in that is not a library" --plugin "$work/fake.so"
expect_refusal "a plug-in without entry points" --plugin "$root/$build/librzhost.so"
expect_refusal "--load of a library that is no workflow plug-in" --load "$root/$build/librzhost.so"
expect_refusal "--add of a workflow nobody makes" --add no-such-workflow
grep -q "known: " "$work/refusal.err" || fail "--add of an unknown name does not say which names are known"
expect_refusal "a number of views the viewer cannot split into" --views 3
# A workflow whose failure ends the plug-in's module thread: the runtime's lines, then one error, exit 3.
code=0
printf 'tick 100\nkey a\n' >"$work/ended.session"
SDL_VIDEODRIVER=offscreen timeout 20 "$viewer" --load "$root/$build/tests/session-plugins/libsession_workflows.so" \
    --add breaker --session "$work/ended.session" --quit-after-session >"$work/ended.out" 2>"$work/ended.err" || code=$?
[ "$code" -eq 3 ] && tail -1 "$work/ended.err" | grep -q "^error: the workflow plug-in's module thread has ended" ||
    fail "a module thread that ended gave exit $code: $(cat "$work/ended.err")"
echo "ok: a module thread that ended: $(tail -1 "$work/ended.err")"
fi

# --- the live window ---------------------------------------------------------------------------------------
if [ "${CHECK_VIEWER_INNER:-}" != "1" ]; then
    command -v xvfb-run >/dev/null || { echo "skipped: no X display server can be started (no xvfb-run)"; exit 0; }
    if ! timeout 20 xvfb-run -a -s "-screen 0 1024x768x24" true >/dev/null 2>&1; then
        echo "skipped: no X display server can be started (xvfb-run failed)"
        exit 0
    fi
    CHECK_VIEWER_INNER=1 CHECK_VIEWER_WORK="$work" \
        timeout 160 xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$build"
    exit $?
fi

"$viewer" --width 640 --height 480 --snapshot "$work/shot" --record "$work/recorded.session" \
    >"$work/viewer.out" 2>"$work/viewer.err" &
viewer_pid=$!
trap 'kill $viewer_pid 2>/dev/null || true' EXIT
window=$(timeout 10 xdotool search --sync --name '^workflow-viewer' | head -1) || fail "the viewer's window did not appear"
x11() { timeout 10 xdotool "$@" || fail "xdotool $*"; }

shots=0
prefix=shot  # the --snapshot prefix of the viewer running now
# F12 follows the input before it in the window's event queue: the picture shows everything up to it.
shot() {
    shots=$((shots + 1))
    x11 key F12
    for _ in $(seq 1 200); do
        [ -e "$work/$prefix-$shots.ppm" ] && return 0
        kill -0 $viewer_pid 2>/dev/null || fail "the viewer ended: $(cat "$work/viewer.err")"
        sleep 0.05
    done
    fail "no picture $shots within 10 s"
}
state() { grep "^$1 " "$work/$prefix-$2.txt" | cut -d' ' -f2-; }
# Ctrl+Q ends the running viewer, which must exit 0 within 10 s; what: which run it was, for the failure.
quit_viewer() {
    x11 key ctrl+q
    local code=0
    for _ in $(seq 1 200); do
        kill -0 $viewer_pid 2>/dev/null || break
        sleep 0.05
    done
    wait $viewer_pid || code=$?
    trap - EXIT
    [ "$code" -eq 0 ] || fail "the viewer$1 exited with $code: $(cat "$work/viewer.err")"
}

x11 mousemove --window "$window" 320 240
shot
first=$shots
[ "$(state selection $first)" = "none" ] || fail "a selection before any click"

x11 mousedown 1
for x in 340 360 380 400; do x11 mousemove --window "$window" $x 250; done
x11 mouseup 1
shot
dragged=$shots
pixels moved "$work/shot-$first.ppm" "$work/shot-$dragged.ppm" || fail "the silhouette did not move after the drag"
# The status bar is written at most every 100 ms of the plug-in's clock: look again until it has caught up.
for _ in $(seq 1 40); do
    pixels status-changed "$work/shot-$first.ppm" "$work/shot-$shots.ppm" && break
    shot
done
pixels status-changed "$work/shot-$first.ppm" "$work/shot-$shots.ppm" || fail "the status line did not change"
echo "ok: drag turned the model; status now '$(state status $shots)'"

x11 click 4 click 4
shot
wheeled=$shots
pixels resized "$work/shot-$dragged.ppm" "$work/shot-$wheeled.ppm" || fail "the wheel did not change the model's size"

read -r px py < <(pixels inside "$work/shot-$wheeled.ppm")
x11 mousemove --window "$window" "$px" "$py" click 1
shot
clicked=$shots
pixels highlighted "$work/shot-$wheeled.ppm" "$work/shot-$clicked.ppm" || fail "the clicked part is not highlighted"
[ "$(state selection $clicked)" != "none" ] || fail "the click selected nothing"
echo "ok: click at $px $py selected part $(state selection $clicked)"

read -r wx wy < <(timeout 10 xdotool getwindowgeometry "$window" | awk '/Position/ {split($2, p, ","); print p[1], p[2]}')
timeout 20 import -window root -depth 8 "$work/screen.ppm" || fail "cannot grab the screen"
pixels same "$work/shot-$clicked.ppm" "$work/screen.ppm" "$wx" "$wy" || fail "the window does not show the picture"

x11 key F2
shot
[ "$(state cursor $shots)" = "cross" ] || fail "measure did not set its cursor: $(state cursor $shots)"
x11 key Escape
shot
[ "$(state cursor $shots)" != "cross" ] || fail "Escape did not dismiss measure"
echo "ok: F2 started measure (cursor cross), Escape dismissed it"

# One press of a keypad key is one key message: its text, not also its name.
x11 key KP_Add
shot
# A burst of clicks faster than frames are drawn: every press and release must reach the view.
x11 mousemove --window "$window" 5 5 click --repeat 8 --delay 1 3
quit_viewer ""

presses=$(grep -c '^down right ' "$work/recorded.session" || true)
releases=$(grep -c '^up right ' "$work/recorded.session" || true)
[ "$presses" -eq 8 ] && [ "$releases" -eq 8 ] || fail "a burst of 8 clicks arrived as $presses presses and $releases releases"
echo "ok: a burst of 8 clicks arrived whole"
pluses=$(grep -c '^key "\?+"\?$' "$work/recorded.session" || true)
! grep -q 'Keypad' "$work/recorded.session" && [ "$pluses" -eq 1 ] ||
    fail "a keypad + was recorded as $(grep -c '^key ' "$work/recorded.session") key lines: $(grep '^key ' "$work/recorded.session" | tr '\n' ' ')"
echo "ok: a keypad + arrived as one key"

# --- the recording, replayed headless ------------------------------------------------------------------------
camera=$(grep '^camera ' "$work/viewer.out")
selection=$(grep '^selection ' "$work/viewer.out")
[ "$camera" = "camera \"$(state camera $shots)\"" ] || fail "final camera $camera differs from the last picture's"
timeout 30 "$session" "$work/recorded.session" >"$work/replay.out" 2>"$work/replay.err" ||
    fail "the replay did not end with the viewer's camera and selection: $(cat "$work/replay.err")"
grep -q "^    ok" "$work/replay.out" || fail "the replay checked nothing"
echo "ok: replayed $(grep -c . "$work/recorded.session") recorded lines headless: $camera, $selection"
timeout 60 "$viewer" --width 640 --height 480 --session "$work/recorded.session" --quit-after-session \
    >"$work/live.out" 2>"$work/live.err" || fail "the recording played into the window did not hold: $(cat "$work/live.out")"
grep -qx "$camera" "$work/live.out" || fail "the recording played into the window ended elsewhere: $(cat "$work/live.out")"
echo "ok: the recording played into a live window ends the same"

# --- an author's plug-in and drawn feedback: --load and --add, the measured line, a box selection -----------
shots=0
prefix=box
cp "$root/$build/plugins/libworkflow_examples.so" "$work/author.so"
"$viewer" --width 640 --height 480 --snapshot "$work/box" --load "$work/author.so" --watch \
    --add measure@2500 --record "$work/boxed.session" >"$work/viewer.out" 2>"$work/viewer.err" &
viewer_pid=$!
trap 'kill $viewer_pid 2>/dev/null || true' EXIT
window=$(timeout 10 xdotool search --sync --name '^workflow-viewer' | head -1) || fail "the viewer's window did not appear"
x11 mousemove --window "$window" 100 100
shot
[ "$(state cursor $shots)" = "cross" ] || fail "--add measure@2500 did not install measure: cursor $(state cursor $shots)"
x11 mousedown 1
for x in 150 200 250 300; do x11 mousemove --window "$window" $x 200; done
shot
drawn=$(pixels feedback "$work/box-$shots.ppm")
[ "$drawn" -gt 100 ] || fail "no measured line drawn while measuring ($drawn pixels)"
x11 mouseup 1
shot
[ "$(pixels feedback "$work/box-$shots.ppm")" -eq 0 ] || fail "the measured line stayed after the release"
echo "ok: --load/--add installed measure at 2500; its line showed while measuring ($drawn pixels) and went"
x11 key Escape
x11 mousemove --window "$window" 3 3 keydown shift mousedown 1
for step in 1 2 3 4; do x11 mousemove --window "$window" $((3 + 159 * step)) $((3 + 115 * step)); done
shot
[ "$(pixels feedback "$work/box-$shots.ppm")" -gt 100 ] || fail "no rubber band during the Shift drag"
x11 mouseup 1 keyup shift
shot
boxed=$(state selection $shots)
[ "$(wc -w <<<"$boxed")" -ge 2 ] || fail "the box over the whole model selected '$boxed', not two parts or more"
[ "$(pixels feedback "$work/box-$shots.ppm")" -eq 0 ] || fail "the rubber band stayed after the release"
echo "ok: a Shift drag drew a rubber band and selected parts $boxed"
# A rebuild of the author's plug-in (a new file put in its place) is reloaded; the view keeps its state.
camera=$(state camera $shots)
cp "$work/author.so" "$work/author.so.new" && mv "$work/author.so.new" "$work/author.so"
for _ in $(seq 1 200); do
    grep -q '^reloaded ' "$work/viewer.out" && break
    sleep 0.05
done
grep -q "^reloaded $work/author.so: [1-9][0-9]* workflows installed again" "$work/viewer.out" ||
    fail "the rebuilt plug-in was not reloaded within 10 s: $(cat "$work/viewer.out" "$work/viewer.err")"
shot
[ "$(state selection $shots)" = "$boxed" ] && [ "$(state camera $shots)" = "$camera" ] ||
    fail "the reload lost the view's state: selection $(state selection $shots), camera $(state camera $shots)"
echo "ok: --watch reloaded the rebuilt plug-in and the view kept its camera and selection"
quit_viewer " with --load/--add"
# The box selection replays headless: the recording states what was drawn inside the dragged rectangle.
grep -q '^pick-box ' "$work/boxed.session" || fail "the box selection's recording states nothing inside the box"
timeout 30 "$session" "$work/boxed.session" >"$work/boxed.out" 2>"$work/boxed.err" ||
    fail "the box selection's replay did not end with the viewer's selection: $(cat "$work/boxed.err")"
grep -qx "selection \"$boxed\"" "$work/viewer.out" || fail "the viewer ended with $(grep '^selection ' "$work/viewer.out"), not $boxed"
echo "ok: the box selection replayed headless to parts $boxed"

# --- an author's plug-in built against the installed package alone, loaded with --load, clicked for real ----
cmake --install "$root/$build" --prefix "$work/prefix" >/dev/null || fail "the package did not install"
cmake -S "$root/tests/package" -B "$work/probe-build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null && cmake --build "$work/probe-build" >/dev/null ||
    fail "the probe plug-in did not build against the installed package"
shots=0
prefix=probe
"$viewer" --width 640 --height 480 --snapshot "$work/probe" --load "$work/probe-build/libpackage_probe.so" \
    --add probe >"$work/viewer.out" 2>"$work/viewer.err" &
viewer_pid=$!
trap 'kill $viewer_pid 2>/dev/null || true' EXIT
window=$(timeout 10 xdotool search --sync --name '^workflow-viewer' | head -1) || fail "the viewer's window did not appear"
x11 mousemove --window "$window" 100 100 click 1
# The status bar is refreshed on the plug-in's timer: pictures are taken until it shows the click (at most 20).
for _ in $(seq 1 20); do
    shot
    grep -q "^status .*probe clicks 1" "$work/probe-$shots.txt" && break
done
grep -q "^status .*probe clicks 1" "$work/probe-$shots.txt" ||
    fail "a click on the package-built probe: $(grep '^status ' "$work/probe-$shots.txt")"
quit_viewer " with the package-built probe"
echo "ok: a plug-in built against the installed package took a real click: $(state status $shots)"

# --- two views: the first click into the inactive one only activates it, the second selects --------------
# The window splits into two views of 319 x 464 pixels with a gap column at x 319; the second starts at 320.
shots=0
prefix=views
"$viewer" --width 640 --height 480 --views 2 --snapshot "$work/views" --record "$work/views.session" \
    >"$work/viewer.out" 2>"$work/viewer.err" &
viewer_pid=$!
trap 'kill $viewer_pid 2>/dev/null || true' EXIT
window=$(timeout 10 xdotool search --sync --name '^workflow-viewer' | head -1) || fail "the viewer's window did not appear"
x11 mousemove --window "$window" 100 100
shot
[ "$(state active $shots)" = "1" ] || fail "with two views the first is not active at start: $(state active $shots)"
read -r px py < <(pixels inside "$work/views-$shots.ppm" 324 4 311 456)
x11 mousemove --window "$window" "$px" "$py" click 1
shot
[ "$(state active $shots)" = "2" ] || fail "a click into the second view did not activate it: active $(state active $shots)"
[ "$(state selection $shots)" = "none" ] || fail "the click that activated the second view selected $(state selection $shots)"
x11 click 1
shot
[ "$(state selection $shots)" != "none" ] || fail "a click into the active second view selected nothing"
echo "ok: with --views 2 a click at $px $py activated the second view without selecting; the next selected part $(state selection $shots)"
# A drag from the second view into the first stays with the second: its camera turns, the first's does not.
before1=$(state camera-1 $shots)
before2=$(state camera-2 $shots)
x11 mousedown 1
for x in 440 380 320 260 200; do x11 mousemove --window "$window" $x 250; done
x11 mouseup 1
shot
[ "$(state camera-2 $shots)" != "$before2" ] || fail "a drag that started in the second view did not turn it"
[ "$(state camera-1 $shots)" = "$before1" ] || fail "a drag that started in the second view turned the first: $(state camera-1 $shots)"
# The status line is the active view's; it is written at most every 100 ms of the plug-in's clock.
yaw=$(state camera-2 $shots | awk '{printf "%d", $2}')
for _ in $(seq 1 40); do
    [[ "$(state status $shots)" == "yaw $yaw "* ]] && break
    shot
done
[[ "$(state status $shots)" == "yaw $yaw "* ]] || fail "the status line does not show the active view's text: $(state status $shots)"
echo "ok: a drag from the second view into the first turned only the second, whose text the status line shows: $(state status $shots)"
quit_viewer " with --views 2"
# The recording of both views replays headless to the active view's camera and the shared selection.
grep -q '^angles 30 20$' "$work/views.session" && grep -q '^activate 2$' "$work/views.session" &&
    grep -q '^focus 1$' "$work/views.session" ||
    fail "the recording of two views says nothing of the activation or of the view each line goes to"
timeout 30 "$session" "$work/views.session" >"$work/views.out" 2>"$work/views.err" ||
    fail "the recording of two views did not replay to the same state: $(cat "$work/views.err")"
echo "ok: the recording of two views replayed headless: $(grep '^camera ' "$work/viewer.out"), $(grep '^selection ' "$work/viewer.out")"

# --- touch and model formats: a pinch played through --session into the built-in model, a glTF and an STL ---
cat >"$work/pinch.session" <<'PINCH'
touch 1 1 1 270 240 0 2
touch 1 2 1 270 240 0 1 2 370 240 0 2
touch 1 2 1 220 240 20 1 2 420 240 20 1
touch 1 2 1 220 240 40 1 2 420 240 40 4
touch 1 1 1 220 240 60 4
PINCH
cat >"$work/two.gltf" <<'GLTF'
{"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0, 1]}],
 "nodes": [{"mesh": 0, "name": "left"}, {"mesh": 0, "name": "right", "translation": [1.5, 0, 0]}],
 "meshes": [{"primitives": [{"attributes": {"POSITION": 0}}]}],
 "buffers": [{"byteLength": 36, "uri": "data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAA"}],
 "bufferViews": [{"buffer": 0, "byteLength": 36}],
 "accessors": [{"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3", "min": [0, 0, 0], "max": [1, 1, 0]}]}
GLTF
printf 'solid wedge\n facet normal 0 0 1\n  outer loop\n   vertex 0 0 0\n   vertex 1 0 0\n   vertex 0 1 0\n  endloop\n endfacet\nendsolid wedge\n' >"$work/wedge.stl"
for model in "" "$work/two.gltf" "$work/wedge.stl"; do
    timeout 60 "$viewer" --width 640 --height 480 --session "$work/pinch.session" --quit-after-session $model \
        >"$work/pinch.out" 2>"$work/pinch.err" ||
        fail "a pinch played into ${model:-the built-in model} did not zoom: $(cat "$work/pinch.out" "$work/pinch.err")"
    grep -q 'zoom 2.0000' "$work/pinch.out" || fail "the pinch ended elsewhere: $(cat "$work/pinch.out")"
    echo "ok: ${model:-the built-in model} opened, and a two-finger pinch doubled its zoom"
done
timeout 60 "$viewer" --width 640 --height 480 --session "$work/pinch.session" --quit-after-session --renderer gl \
    >"$work/gl.out" 2>"$work/gl.err" || fail "the pinch drawn with OpenGL did not hold: $(cat "$work/gl.out" "$work/gl.err")"
grep -q 'zoom 2.0000' "$work/gl.out" || fail "the pinch drawn with OpenGL ended elsewhere: $(cat "$work/gl.out")"
if grep -q 'without OpenGL' "$work/gl.err"; then
    echo "ok: no OpenGL here, the software rasteriser drew instead: $(cat "$work/gl.err")"
else
    echo "ok: drawn with OpenGL"
fi
echo "viewer check passed"

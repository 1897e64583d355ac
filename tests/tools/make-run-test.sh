#!/usr/bin/env bash
# `make run`'s helper: the demo network comes up, Zorvik starts on it, and the
# demo network goes away when Zorvik ends. Also: no display, a clear message.
set -u
script=$1 build=$2
out=$(mktemp)
trap 'rm -f "$out"' EXIT

env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$script" "$build" >"$out" 2>&1
rc=$?
[ $rc -ne 0 ] && grep -q "no display" "$out" || { echo "no-display case: rc=$rc"; cat "$out"; exit 1; }

export XDG_RUNTIME_DIR=$(mktemp -d)   # a single-instance socket of its own
QT_QPA_PLATFORM=offscreen "$script" "$build" >"$out" 2>&1 &
runner=$!
for _ in $(seq 100); do
  grep -q "Press Start" "$out" && pgrep -f "^$build/zorvik$" >/dev/null && break
  sleep 0.1
done
grep -q "Demo network on 127.0.0.1:" "$out" || { echo "demo network did not start"; cat "$out"; exit 1; }
pgrep -f "$build/zorvik-demonet" >/dev/null || { echo "demonet not running"; exit 1; }
zorvik=$(pgrep -f "^$build/zorvik$") || { echo "zorvik not running"; cat "$out"; exit 1; }
kill -TERM $zorvik
wait $runner
for _ in $(seq 50); do pgrep -f "$build/zorvik-demonet --port 0" >/dev/null || break; sleep 0.1; done
if pgrep -f "$build/zorvik-demonet --port 0" >/dev/null; then echo "demonet left running"; exit 1; fi
rm -rf "$XDG_RUNTIME_DIR"
echo "make run: ok"

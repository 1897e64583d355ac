#!/usr/bin/env bash
# Starts the demo network on loopback, then Zorvik on it; stops the demo
# network when the window closes.
set -euo pipefail
build=${1:-build}

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != offscreen ]; then
  echo "make run: no display (neither DISPLAY nor WAYLAND_DISPLAY is set)." >&2
  echo "Run it from a desktop session, or over 'ssh -X', or under Xvfb: xvfb-run -a make run" >&2
  exit 1
fi

log=$(mktemp -t zorvik-demonet.XXXXXX)
# A short interval so that services appear within seconds of pressing Start.
"$build/zorvik-demonet" --port 0 --interval "${ZORVIK_DEMO_INTERVAL:-10}" --silence 0 >"$log" 2>&1 &
demonet=$!
cleanup() {
  kill "$demonet" 2>/dev/null || true
  wait "$demonet" 2>/dev/null || true
  rm -f "$log"
}
trap cleanup EXIT INT TERM

port=""
for _ in $(seq 50); do
  port=$(sed -n 's/^zorvik-demonet: hub listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$log")
  [ -n "$port" ] && break
  kill -0 "$demonet" 2>/dev/null || { cat "$log" >&2; exit 1; }
  sleep 0.1
done
[ -n "$port" ] || { echo "make run: the demo network did not start" >&2; cat "$log" >&2; exit 1; }

echo "Demo network on 127.0.0.1:$port. Press Start (the green light) in Zorvik to gather its services."
TOLVSIPX="dosbox:127.0.0.1:$port" "$build/zorvik"

#!/usr/bin/env bash
# Runs a command on an X server of its own: a fresh Xvfb that picks a free display number itself,
# gone when the command ends. No other test's window can then cover, expose or be found in place
# of this one's, and tests may run side by side. GoogleTest's listing of tests needs no display.
set -u
case " $* " in *" --gtest_list_tests "*) exec "$@" ;; esac
dir=$(mktemp -d) || exit 1
# -noreset: the server outlives its last client, so a test that reconnects finds it.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$dir/display" 2>"$dir/log" &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -rf "$dir"' EXIT
# Xvfb writes the number once it accepts connections.
for _ in $(seq 400); do
  [ -s "$dir/display" ] && break
  if ! kill -0 "$server" 2>/dev/null; then
    echo "private_display: Xvfb did not start:" >&2
    cat "$dir/log" >&2
    exit 1
  fi
  sleep 0.05
done
read -r number <"$dir/display" || { echo "private_display: Xvfb gave no display" >&2; exit 1; }
DISPLAY=":$number" "$@"

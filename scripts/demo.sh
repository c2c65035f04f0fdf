#!/usr/bin/env bash
# scripts/demo.sh BUILD_DIR [CALL_SECONDS]
# Runs the recorder beside the simulated Skype in a throw-away profile (its own HOME and XDG
# folders, automatic recording on), lets the simulated Skype place one call, and reports what
# was recorded. The user's own settings and recordings are not touched.
set -euo pipefail
build=$(realpath "$1")
seconds=${2:-5}

if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
    echo "No session bus: starting a private one."
    exec dbus-run-session -- "$0" "$@"
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: the recorder runs offscreen (its window is not shown)."
    export QT_QPA_PLATFORM=offscreen
fi

profile=$(mktemp -d /tmp/ovento-demo.XXXXXX)
export HOME=$profile/home XDG_CONFIG_HOME=$profile/home/.config
export XDG_DATA_HOME=$profile/home/.local/share XDG_RUNTIME_DIR=$profile/run
mkdir -p "$XDG_CONFIG_HOME/Ovento" "$XDG_DATA_HOME" "$HOME/Documents"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
cat > "$XDG_CONFIG_HOME/Ovento/registry.conf" <<'CONF'
[software\Ovento\config]
rectype = binary:01
CONF

record_xml=$XDG_DATA_HOME/Ovento/record.xml
"$build/app/ovento-recorder" &
recorder=$!
"$build/tools/skype-sim/skype-sim" --demo-call "$seconds" > "$profile/skype-sim.log" 2>&1 &
sim=$!
trap 'kill $sim $recorder 2>/dev/null || true' EXIT

echo "Recorder and simulated Skype running; the simulated call lasts $seconds s."
for _ in $(seq 1 $((seconds * 10 + 300))); do
    [ -f "$record_xml" ] && grep -q '<rec' "$record_xml" && break
    kill -0 $recorder 2>/dev/null || { echo "The recorder ended early."; exit 1; }
    sleep 0.1
done
if ! [ -f "$record_xml" ]; then
    echo "No recording was entered in the history; the simulated Skype said:"
    cat "$profile/skype-sim.log"
    exit 1
fi
[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && sleep 3
kill -TERM $recorder
wait $recorder || true

mp3=$(sed -n 's:.*<file>\(.*\)</file>.*:\1:p' "$record_xml" | head -n 1)
info=$(mpg123 -t -v "$mp3" 2>&1 | grep -m1 -E '^MPEG' || true)
rate=$(awk '{print $6}' <<<"$info")
channels=$([ "$(awk '{print $7}' <<<"$info")" = mono ] && echo 1 || echo 2)
bytes=$(mpg123 -q -s "$mp3" 2>/dev/null | wc -c)
echo
echo "Recorded file:  $mp3"
echo "Format:         $info"
echo "Decoded length: $(awk -v b="$bytes" -v r="$rate" -v c="$channels" 'BEGIN { printf "%.2f s", b / (2 * r * c) }')"
echo "History entry ($record_xml):"
cat "$record_xml"
echo

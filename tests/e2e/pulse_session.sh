# Sourced by the end-to-end tests: a private PulseAudio server with a null sink
# named quarn_e2e, whose monitor can be recorded. Needs $work (a fresh folder)
# set; call stop_pulse_session from the caller's EXIT trap. Exits 77 (skipped)
# when the PulseAudio tools are not installed.

for tool in pulseaudio pactl parec python3; do
  if ! command -v "$tool" > /dev/null; then
    echo "skipped: $tool is not installed"
    exit 77
  fi
done

recorder=""

stop_pulse_session() {
  if [[ -n "$recorder" ]]; then kill "$recorder" 2> /dev/null || true; fi
  pulseaudio -k 2> /dev/null || true
  if [[ -f "$work/pulse.pid" ]]; then kill "$(cat "$work/pulse.pid")" 2> /dev/null || true; fi
}

start_pulse_session() {
  export HOME="$work/home" XDG_RUNTIME_DIR="$work/run"
  mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
  export PULSE_SERVER="unix:$XDG_RUNTIME_DIR/pulse/native"
  pulseaudio --daemonize=yes --exit-idle-time=-1 -n --system=no \
    --load="module-null-sink sink_name=quarn_e2e" \
    --load=module-native-protocol-unix \
    --log-target="file:$work/pulse.log" 2> "$work/pulse.err" || {
      echo "FAIL: pulseaudio did not start"; cat "$work/pulse.err" "$work/pulse.log" 2> /dev/null; exit 1; }
  # the daemon needs a moment before its socket answers
  for _ in $(seq 50); do
    if pactl info > /dev/null 2>&1; then break; fi
    sleep 0.1
  done
  pactl info > /dev/null || { echo "FAIL: pulseaudio does not answer"; exit 1; }
  pgrep -n -x pulseaudio > "$work/pulse.pid" || true
  pactl set-default-sink quarn_e2e
}

# Records the sink's monitor as raw mono float32 to $1 in the background; returns
# once the recording runs (parec needs up to a second before its first bytes).
start_recording() {
  parec --device=quarn_e2e.monitor --format=float32le --rate=44100 --channels=1 --raw --latency-msec=20 \
    > "$1" &
  recorder=$!
  for _ in $(seq 100); do
    if [[ $(stat -c %s "$1") -ge 17640 ]]; then break; fi
    sleep 0.05
  done
}

stop_recording() {
  kill -INT "$recorder"
  wait "$recorder" 2> /dev/null || true
  recorder=""
}

#!/usr/bin/env bash
# On a terminal qcx preview keeps one progress line (frames, rate, elapsed
# time) up to date; through a pipe it prints no progress at all.
# Usage: progress_line_on_terminal.sh path/to/qcx
set -euo pipefail
qcx=$1
# Node claims of its own, so parallel tests do not take each other's cameras.
export QCX_LOCK_DIR=$(mktemp -d)
command -v tmux >/dev/null || { echo "tmux is not installed: skipped"; exit 77; }
server=qcx-progress-$$
trap 'tmux -L "$server" kill-server 2>/dev/null || true; rm -rf "$QCX_LOCK_DIR"' EXIT
tmux -L "$server" -f /dev/null new-session -d -x 100 -y 8 \
  "QCX_SIM=21 '$qcx' preview --seconds 6; sleep 30"
line=""
for _ in $(seq 50); do
  sleep 0.1
  line=$(tmux -L "$server" capture-pane -p | grep -E '^[0-9]+ frames  [0-9.]+/s  [0-9.]+ s' || true)
  case $line in [1-9]*' frames'*) break ;; esac
done
echo "on a terminal: '$line'"
[[ $line =~ ^[1-9][0-9]*\ frames\ \ [0-9]+\.[0-9]/s\ \ [0-9]+\.[0-9]\ s ]] || { echo "FAIL: no progress line"; exit 1; }
tmux -L "$server" kill-server  # its qcx holds the camera
sleep 0.5

piped=$(QCX_SIM=21 "$qcx" preview --seconds 1 | od -c)
if grep -q '\\r' <<<"$piped"; then echo "FAIL: progress drawn into a pipe"; exit 1; fi
echo "through a pipe: no progress line"

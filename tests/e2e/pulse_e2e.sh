#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end: a script plays a 110 Hz tone for one second through a private
# PulseAudio server with a null sink; the sink's monitor is recorded and must
# hold that tone followed by silence.
#   usage: pulse_e2e.sh <path-to-quarn-binary>
source "$(dirname "$0")/pulse_server.sh"
pulse_start
printf '%s\n' '[tb303 setFrequency:110]; [tb303 play]; [self wait:1]; [tb303 release];' > "$work/tone.quarn"
# the script on standard input; a second for the silence after the release
AFTER=1 pulse_take "$work/recording.raw" "$quarn" run - < "$work/tone.quarn"
python3 "$here/analyse.py" tone "$work/recording.raw" 110

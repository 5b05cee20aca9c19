#!/bin/sh
# The speech synthesizer of the end-to-end tests: speech-dispatcher's generic output module runs
# it for each message it would speak, with the log file and the text. It notes when the message
# starts and ends and takes as long as a voice would (0.12 s a character), so that a message the
# next one interrupts is cut short (speech-dispatcher then kills it before its end is noted).
log=$1
shift
printf 'START %s %s\n' "$(date +%s.%N)" "$*" >>"$log"
sleep "$(printf %s "$*" | wc -m | awk '{ print $1 * 0.12 }')"
printf 'END %s\n' "$(date +%s.%N)" >>"$log"

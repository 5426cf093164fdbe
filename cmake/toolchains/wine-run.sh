#!/bin/sh
# Runs a Windows test program under Wine: "$@" is the Wine command line.
#
# Now and then Wine fails to start a program at all: it exits at once with an error status and
# the program prints nothing. Such a start, and only such a start, is tried once more; a
# program that ran and failed (a test program always prints) fails as it did.
out=$(mktemp) || exit 1
trap 'rm -f "$out"' EXIT
"$@" >"$out" 2>&1
status=$?
if [ "$status" -ne 0 ] && [ ! -s "$out" ]; then
  echo "wine-run: Wine exited with status $status before the program printed anything; once more" >&2
  "$@" >"$out" 2>&1
  status=$?
fi
cat "$out"
exit "$status"

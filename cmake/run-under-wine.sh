#!/bin/sh
# Runs one Windows program under Wine, headless and quiet: the emulator of
# the windows preset (cmake/mingw-w64-x86_64.cmake).
#
# Left to itself, Wine starts its server and helper processes with the first
# program and stops them a few seconds after the last one, which costs every
# test about 5 s; and helpers that inherit ctest's pipes keep ctest waiting
# for the end of a test's output. So the first call starts the server (kept
# for 60 s after the last Windows program ends) and the helpers once, with
# every standard stream redirected, and each program then finds them ready.
# WINEPREFIX chooses Wine's folder (the windows preset keeps one in its build
# folder); a new one is filled on first use, which takes some seconds.
set -eu

export WINEDEBUG=-all
# No window may appear and no installer dialog may wait for a click.
unset DISPLAY WAYLAND_DISPLAY
export WINEDLLOVERRIDES="mscoree,mshtml="

if command -v wine >/dev/null 2>&1; then wine=wine; else wine=/usr/lib/wine/wine64; fi
if command -v wineserver >/dev/null 2>&1; then wineserver=wineserver; else wineserver=/usr/lib/wine/wineserver; fi

prefix=${WINEPREFIX:-$HOME/.wine}
mkdir -p "$prefix"
(
  # One caller at a time: with ctest -j, a second test must not run before
  # the first has the helpers up. Status 0: a new server was started. The
  # server and the helpers must not keep the lock (descriptor 9), or every
  # later caller would wait for them to end.
  flock 9
  if "$wineserver" -p60 </dev/null >/dev/null 2>&1 9>&-; then
    "$wine" cmd /c exit </dev/null >/dev/null 2>&1 9>&- || true
  fi
) 9>"$prefix/.scenario-wine.lock"

# Now and then (about once in 2,000 starts here) Wine ends a program with
# status 1 before the program has run: it printed nothing at all, where
# every program of this build says why whenever it fails. A test
# must not fail for that, so a run that ends so is run once more, and the
# retry is said on stderr. The program's output is held until it ends, to
# tell that case; a program that really fails fails the second time too.
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
for attempt in 1 2; do
  status=0
  "$wine" "$@" >"$out" 2>"$err" || status=$?
  if [ "$status" -ne 1 ] || [ -s "$out" ] || [ -s "$err" ] || [ "$attempt" -eq 2 ]; then break; fi
  echo "run-under-wine.sh: $1 ended with status 1 and no output, as when Wine fails to start it; running it again" >&2
done
cat "$out"
cat "$err" >&2
exit "$status"

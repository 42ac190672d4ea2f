# Shared by tools/run.sh and bench/run.sh (sourced, not run): a Wine prefix that behaves, and a private Xvfb
# when there is no display. The end-to-end tests have their own harness in tests/e2e/harness.py.
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
[ -x "$wineserver" ] || wineserver=/usr/lib/wine/wineserver
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
xvfb_pid=""

# make_prefix DIR: creates a Windows 10 prefix with the fonts GDI+ needs, once. A prefix made before the
# 32-bit Wine was installed has no syswow64 and cannot run the i686 program: it is made again.
make_prefix() {
  export WINEPREFIX="$1"
  if [ -f "$WINEPREFIX/system.reg" ] && [ ! -d "$WINEPREFIX/drive_c/windows/syswow64" ]; then
    echo "== the Wine prefix $WINEPREFIX predates the 32-bit Wine: making it again"
    rm -rf "$WINEPREFIX"
  fi
  [ -f "$WINEPREFIX/system.reg" ] && return 0
  echo "== creating the Wine prefix $WINEPREFIX (once, about 15 s)"
  mkdir -p "$WINEPREFIX"
  "$wine" wineboot -i >/dev/null 2>&1
  "$wineserver" -w
  cp /usr/share/wine/fonts/tahoma*.ttf /usr/share/wine/fonts/ms_sans_serif.ttf \
     "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  "$wine" reg add 'HKCU\Software\Wine' /v Version /d win10 /f >/dev/null 2>&1
  "$wineserver" -w
}

# start_headless: a private Xvfb on a free display. Call it before anything starts Wine: Wine's desktop
# process binds to the display it first sees and stays for the whole wineserver session.
start_headless() {
  local n display=""
  for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
  done
  Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY="$display"
  for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
}

# set_window_management Y|N: without a window manager (Xvfb) Wine must place its windows itself.
set_window_management() {
  if [ "$1" = N ]; then
    "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
  else
    "$wine" reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1 || true
    "$wine" reg delete 'HKCU\Software\Wine\X11 Driver' /v Decorated /f >/dev/null 2>&1 || true
  fi
  # The driver reads these when a session starts: end this one so the program's session sees them.
  "$wineserver" -w
}

stop_wine() {
  "$wineserver" -k >/dev/null 2>&1 || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
}

# wait_for_window TITLE [TRIES]: polls until a visible window with exactly that title exists.
wait_for_window() {
  local tries="${2:-100}"
  for _ in $(seq 1 "$tries"); do
    xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 && return 0
    sleep 0.2
  done
  return 1
}

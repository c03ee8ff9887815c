# Sourced by the Wine test stage: a virtual display, a sound server with a null sink and a
# throw-away Wine prefix, all under one folder, torn down by wine_session_end.
# Usage: wine_session_begin <folder>; ...; wine_session_end

wine_session_begin() {
    local root=$1
    mkdir -p "$root"
    root=$(cd "$root" && pwd)
    export WINE_SESSION_ROOT=$root
    export HOME=$root/home
    export WINEPREFIX=$root/prefix
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=d"
    export WINE_LOADER=/usr/lib/wine/wine64
    export WINESERVER=/usr/lib/wine/wineserver64
    export XDG_RUNTIME_DIR=$root/run
    export PULSE_RUNTIME_PATH=$root/pulse
    export XDG_CONFIG_HOME=$root/config
    mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$PULSE_RUNTIME_PATH" "$XDG_CONFIG_HOME/fontconfig"
    chmod 700 "$XDG_RUNTIME_DIR"

    # One-bit glyphs: a smoothed edge would survive the show window's colour key.
    cat > "$XDG_CONFIG_HOME/fontconfig/fonts.conf" <<'CONF'
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <match target="font"><edit name="antialias" mode="assign"><bool>false</bool></edit></match>
</fontconfig>
CONF

    local display=90
    while [ -e /tmp/.X11-unix/X$display ] || [ -e /tmp/.X$display-lock ]; do display=$((display + 1)); done
    export DISPLAY=:$display
    Xvfb "$DISPLAY" -screen 0 1920x1080x24 -nolisten tcp >"$root/xvfb.log" 2>&1 &
    WINE_SESSION_XVFB=$!
    local i
    for i in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

    # No window manager: under one, Wine's message boxes here closed by themselves at once. The
    # price is that Wine waits 2 s for every window it unmaps.
    pulseaudio -D --exit-idle-time=-1 --disallow-exit -n \
        --load="module-null-sink sink_name=cap" --load=module-native-protocol-unix >"$root/pulse.log" 2>&1 || true
    for i in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
    pactl set-default-sink cap >/dev/null 2>&1 || true

    if [ ! -e "$WINEPREFIX/system.reg" ]; then
        "$WINE_LOADER" wineboot -i >"$root/wineboot.log" 2>&1 || true
        "$WINESERVER" -w
    fi
    # Keep one wineserver and one idle program (a shell waiting on a pipe) for the whole
    # session: each program then starts in a fifth of a second instead of most of a second.
    "$WINESERVER" -w
    "$WINESERVER" -p || true
    rm -f "$root/keepalive"
    mkfifo "$root/keepalive"
    "$WINE_LOADER" cmd /c "set /p x=" <"$root/keepalive" >/dev/null 2>&1 &
    exec 9>"$root/keepalive"
    # Message boxes draw CJK text only with a font link from their UI face to a Chinese face.
    "$WINE_LOADER" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
        /v 'DejaVu Sans' /t REG_MULTI_SZ /d 'gkai00mp.ttf,AR PL KaitiM GB' /f >/dev/null 2>&1 || true
    "$WINE_LOADER" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
        /v 'Tahoma' /t REG_MULTI_SZ /d 'gkai00mp.ttf,AR PL KaitiM GB' /f >/dev/null 2>&1 || true
}

wine_session_end() {
    [ -n "${WINE_SESSION_ROOT:-}" ] || return 0  # nothing was begun: touch no one else's servers
    exec 9>&- 2>/dev/null || true
    [ -n "${WINESERVER:-}" ] && "$WINESERVER" -k >/dev/null 2>&1 || true
    pactl exit >/dev/null 2>&1 || pulseaudio --kill >/dev/null 2>&1 || true
    if [ -n "${WINE_SESSION_XVFB:-}" ]; then
        kill "$WINE_SESSION_XVFB" 2>/dev/null || true
        wait "$WINE_SESSION_XVFB" 2>/dev/null || true
    fi
}

# Wine test environment. Source it from bash:
#     WINEARCH=win32 . scripts/wine-env.sh || exit 1
#     trap wine_stop EXIT
#     wine_run 120 build/setup.exe /quiet; rc=$?
# WINEARCH selects the prefix: win32 (default) or win64, which runs 64-bit
# programs natively and 32-bit ones under WoW64, as 64-bit Windows does.
# 32-bit code runs under qemu on kernels without 32-bit support (see
# install-deps.sh). Optional knobs: WINE_ROOT, WINEPREFIX, WINE_LANG, and
# WINE_KEEP_PREFIX=1 to keep what earlier runs left in the prefix.

WINEARCH=${WINEARCH:-win32}
WINE_ROOT=${WINE_ROOT:-/tmp/wine-test-$(id -u)}
# A pristine prefix is kept as a template, so that a test can get a clean
# one in about a second (wine_reset_prefix) instead of a fresh wineboot.
WINE_TEMPLATE=$WINE_ROOT/template3-$WINEARCH
WINEPREFIX=${WINEPREFIX:-$WINE_ROOT/$WINEARCH}
WINE_LANG=${WINE_LANG:-zh_CN.UTF-8}
WINE_SCRIPTS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export WINEARCH WINEPREFIX WINEDEBUG=${WINEDEBUG:--all}
# No wine-mono/gecko download prompt (no network, and it blocks wineboot);
# no winemenubuilder, which only writes desktop files into $HOME.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}
# The zh_CN locale is generated under WINE_ROOT, not installed system-wide.
export LOCPATH=$WINE_ROOT/locale

if [ "$WINEARCH" = win64 ]; then
    # /usr/bin/wine prefers the 32-bit loader and would go through qemu.
    WINE_LOADER=/usr/lib/wine/wine64
    WINE_CC=x86_64-w64-mingw32-gcc
else
    WINE_LOADER=/usr/lib/wine/wine
    WINE_CC=i686-w64-mingw32-gcc
fi

# LANG/LC_ALL are set only for Wine's processes: exported into the calling
# shell they would translate every tool's messages in the CI log.
wine_cmd() {
    env LANG="$WINE_LANG" LC_ALL="$WINE_LANG" "$WINE_LOADER" "$@"
}

# A persistent wineserver keeps services.exe and friends alive between runs;
# otherwise each run pays a full boot (about 10 s under qemu). wineserver -p
# fails when a server is already running, so this is cheap to repeat.
# The services outlive the caller: keep them off its stdout, or a pipe
# reading it, such as $(wine_run ...), would never see end-of-file.
wine_boot() {
    if wineserver -p </dev/null >/dev/null 2>&1; then
        env LANG="$WINE_LANG" LC_ALL="$WINE_LANG" timeout 300 \
            "$WINE_LOADER" wineboot </dev/null >/dev/null 2>&1 || true
    fi
}

# wine_run SECONDS PROGRAM [ARGS...]: returns the program's exit code, or 124
# on timeout, after which the prefix's processes are killed.
wine_run() {
    local secs=$1 rc=0
    shift
    wine_boot
    env LANG="$WINE_LANG" LC_ALL="$WINE_LANG" \
        timeout -k 10 "$secs" "$WINE_LOADER" "$@" || rc=$?
    if [ "$rc" = 124 ] || [ "$rc" = 137 ]; then
        echo "wine_run: timed out after ${secs}s: $*" >&2
        wine_kill
        rc=124
    fi
    return "$rc"
}

# wineserver -k misses processes that are still starting under qemu (they
# have not connected yet), so also kill by PID every Wine process (judged by
# its executable) whose environment names our prefix.
wine_kill() {
    wineserver -k 2>/dev/null || true
    local dir pid
    for dir in /proc/[0-9]*; do
        pid=${dir#/proc/}
        case $(readlink "$dir/exe" 2>/dev/null) in
            */qemu-i386*|*/wine|*/wine64|*/wine*-preloader|*/wineserver*) ;;
            *) continue ;;
        esac
        if tr '\0' '\n' 2>/dev/null < "$dir/environ" |
            grep -qxF "WINEPREFIX=$WINEPREFIX"; then
            kill -9 "$pid" 2>/dev/null || true
        fi
    done
}

wine_start_xvfb() {
    [ -n "${DISPLAY:-}" ] && return 0
    local f=$WINE_ROOT/xvfb.$$
    : > "$f"
    # -displayfd lets Xvfb pick the first free display itself (no race).
    # Started from a subshell so it is not a job of the caller's shell,
    # where a plain `wait` would block on it forever.
    WINE_XVFB_PID=$(Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp \
        3> "$f" </dev/null >/dev/null 2>&1 & echo $!)
    for _ in $(seq 50); do
        [ -s "$f" ] && break
        sleep 0.2
    done
    [ -s "$f" ] || { echo "wine-env: Xvfb did not start" >&2; return 1; }
    DISPLAY=:$(head -n1 "$f")
    export DISPLAY
    rm -f "$f"
}

wine_stop_xvfb() {
    [ -n "${WINE_XVFB_PID:-}" ] || return 0
    kill "$WINE_XVFB_PID" 2>/dev/null || true
    unset WINE_XVFB_PID DISPLAY
}

# Creates the template prefix. Runs once per WINE_ROOT and architecture.
wine_create_template() {
    rm -rf "$WINE_TEMPLATE"
    # .reg files with non-ASCII names must be UTF-16LE with a BOM. Besides the fonts, the
    # prefix gets what every Windows has and a new prefix lacks: the key of the user's
    # default printer ("Device"), which Wine makes only when it sets a default printer itself.
    {
        printf '\xff\xfe'
        printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
            '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
            '"宋体"="Noto Sans Mono CJK SC"' '"SimSun"="Noto Sans Mono CJK SC"' '' \
            '[HKEY_CURRENT_USER\Software\Microsoft\Windows NT\CurrentVersion\Windows]' '' |
            iconv -f UTF-8 -t UTF-16LE
    } > "$WINE_ROOT/template.reg" || return 1
    WINEPREFIX=$WINE_TEMPLATE LANG=$WINE_LANG LC_ALL=$WINE_LANG \
        "$WINE_SCRIPTS/wine/make-prefix.sh" "$WINE_LOADER" \
        "$WINE_ROOT/template.reg" > "$WINE_ROOT/wineboot-$WINEARCH.log" 2>&1 || {
        echo "wine-env: creating the prefix failed, see $WINE_ROOT/wineboot-$WINEARCH.log" >&2
        return 1
    }
    touch "$WINE_TEMPLATE/.ready"
}

# Replaces WINEPREFIX with a fresh copy of the template.
wine_reset_prefix() {
    if [ -e "$WINEPREFIX" ] && [ ! -e "$WINEPREFIX/.ready" ]; then
        echo "wine-env: $WINEPREFIX was not made here; not deleting it" >&2
        return 1
    fi
    wine_kill
    rm -rf "$WINEPREFIX"
    cp -a "$WINE_TEMPLATE" "$WINEPREFIX"
}

# Prints what Wine reports (code page, version, ports) as UTF-8, and fails
# unless the code page is 936: without the generated locale Wine silently
# uses 1252 and every Chinese string would be wrong.
wine_check_acp() {
    local exe=$WINE_ROOT/probe-$WINEARCH.exe out
    if [ ! -e "$exe" ] || [ "$WINE_SCRIPTS/wine/probe.c" -nt "$exe" ]; then
        "$WINE_CC" -O2 -o "$exe" "$WINE_SCRIPTS/wine/probe.c" -lwinspool || return 1
    fi
    out=$(wine_run 300 "$exe" | iconv -f GBK -t UTF-8 | tr -d '\r') || return 1
    printf '%s\n' "$out"
    case "$out" in
        ACP=936\ *) return 0 ;;
        *) echo "wine-env: Wine code page is not 936" >&2; return 1 ;;
    esac
}

# Stops everything started here: the prefix's processes and Xvfb.
wine_stop() {
    wine_kill
    wine_stop_xvfb
}

wine_setup() {
    mkdir -p "$WINE_ROOT" "$LOCPATH" || return 1
    if [ ! -e "$LOCPATH/$WINE_LANG/LC_CTYPE" ]; then
        # localedef exits 1 on harmless warnings; check the result instead.
        localedef -i "${WINE_LANG%%.*}" -f "${WINE_LANG#*.}" \
            "$LOCPATH/$WINE_LANG" >/dev/null 2>&1 || true
        [ -e "$LOCPATH/$WINE_LANG/LC_CTYPE" ] ||
            { echo "wine-env: localedef $WINE_LANG failed" >&2; return 1; }
    fi
    if [ ! -e "$WINE_TEMPLATE/.ready" ]; then
        wine_create_template || return 1
    fi
    # Tests start from a clean prefix unless asked otherwise.
    if [ "${WINE_KEEP_PREFIX:-0}" != 1 ] || [ ! -e "$WINEPREFIX/.ready" ]; then
        wine_reset_prefix || return 1
    fi
    wine_start_xvfb || return 1
    # Boot Wine's services now, so that the first test is not the slow one.
    wine_boot
}

wine_setup

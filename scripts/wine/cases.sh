# What the Wine case scripts share: the build, the prefix, the spooler lister and the case
# bookkeeping. Sourced with the suite's name, which names its results folder and default
# Wine root:   . cases.sh SUITE BUILD_DIR
# A script that keeps more per case defines case_started NAME before its first case.
set -euo pipefail
suite=$1
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${2:-$root/build/windows}" && pwd)
results=$build/$suite-results
mkdir -p "$results"

export WINE_ROOT=${WINE_ROOT:-/tmp/wine-$suite-$(id -u)}
WINEARCH=win32
# shellcheck source=../wine-env.sh
. "$root/scripts/wine-env.sh"
trap 'wine_kill; wine_stop_xvfb' EXIT INT TERM
wine_check_acp > "$results/probe.txt" || { cat "$results/probe.txt"; exit 1; }

lister=$WINE_ROOT/spooler-list.exe
if [ ! -e "$lister" ] || [ "$root/scripts/wine/spooler-list.c" -nt "$lister" ]; then
    "$WINE_CC" -O2 -o "$lister" "$root/scripts/wine/spooler-list.c" -lwinspool
fi
drive_c=$WINEPREFIX/drive_c
run=$drive_c/Run

passed=0
failed=0
case_failed=0

# The case's own checks: each failure is printed and fails the case.
expect() {  # DESCRIPTION COMMAND...
    local what=$1
    shift
    if "$@"; then
        echo "  ok: $what"
    else
        echo "  FAILED: $what"
        case_failed=1
    fi
}

begin_case() {  # NAME
    echo "== $1"
    case_failed=0
    case_start=$SECONDS
    if declare -F case_started > /dev/null; then case_started "$1"; fi
}

end_case() {
    echo "  ($((SECONDS - case_start)) s)"
    if [ "$case_failed" = 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
}

# The spooler's printers, drivers, monitors and ports, a line each.
spooler() { wine_run 120 "$lister" | iconv -f GBK -t UTF-8 | tr -d '\r'; }

# The data of one registry value, or nothing.
reg_value() {  # KEY NAME
    wine_cmd reg query "$1" /v "$2" 2>/dev/null | iconv -f GBK -t UTF-8 | tr -d '\r' |
        awk -v name="$2" '{ line = $0; sub(/^ +/, "", line)
            if (index(line, name) == 1) { rest = substr(line, length(name) + 1)
                sub(/^ +REG_[A-Z_]+ */, "", rest); print rest } }'
}

has_line() { grep -qxF "$2" <<< "$1"; }
equals() { [ "$1" = "$2" ] || { echo "    got: '$1', want: '$2'"; return 1; }; }

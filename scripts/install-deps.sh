#!/bin/bash
# Installs the build and Wine test dependencies on Debian 12. Run as root.
# Safe to run again: each step only runs when something is missing.
set -euo pipefail

log=$(mktemp)
trap 'rm -f "$log"' EXIT
# Quiet unless a step fails; then show its output.
quiet() {
    "$@" >"$log" 2>&1 || {
        cat "$log" >&2
        echo "install-deps: failed: $*" >&2
        exit 1
    }
}

[ "$(id -u)" = 0 ] || { echo "install-deps: must run as root" >&2; exit 1; }
export DEBIAN_FRONTEND=noninteractive

packages=(
    cmake ninja-build g++ libgtest-dev googletest zlib1g-dev python3
    clang libclang-rt-14-dev llvm  # fuzz targets: libFuzzer runtime, llvm-symbolizer
    zip unzip libarchive-tools 7zip time
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
    libz-mingw-w64-dev
    wine wine32:i386 wine64
    xvfb xauth xdotool x11-utils imagemagick locales
    fonts-noto-cjk
    binfmt-support
)
# bookworm's qemu 7.2 runs 32-bit Wine so slowly that it is unusable (one
# process start takes minutes: its guest mmap is linear in the address space
# Wine reserves). qemu 10 from bookworm-backports starts one in seconds.
qemu_pkg="qemu-user"
qemu=/usr/bin/qemu-i386
backports=/etc/apt/sources.list.d/bookworm-backports.sources

need_update=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    quiet dpkg --add-architecture i386
    need_update=1
fi
if ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    cat > "$backports" <<'EOF'
Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    need_update=1
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null | grep -qx installed ||
        missing+=("$p")
done
qemu_ok=0
if [ -x "$qemu" ] && dpkg --compare-versions \
    "$(dpkg-query -W -f='${Version}' "$qemu_pkg" 2>/dev/null || echo 0)" ge 1:10; then
    qemu_ok=1
fi

if [ ${#missing[@]} -gt 0 ] || [ $qemu_ok = 0 ]; then
    # The package lists may be absent or stale even when sources are unchanged.
    need_update=1
fi
if [ $need_update = 1 ]; then
    quiet apt-get update -q
fi
if [ ${#missing[@]} -gt 0 ]; then
    quiet apt-get install -y -q "${missing[@]}"
fi
if [ $qemu_ok = 0 ]; then
    # No recommends: they would pull in systemd just for binfmt
    # registration, which is done below instead.
    quiet apt-get install -y -q --no-install-recommends -t bookworm-backports "$qemu_pkg"
fi

# Kernels built without 32-bit support cannot run wine32's i386 ELF loader;
# hand such binaries to qemu. The F flag opens qemu now, so the registration
# keeps working in namespaces and chroots.
binfmt=/proc/sys/fs/binfmt_misc
entry=$binfmt/qemu-i386
if [ -e "$entry" ] && ! grep -qx "interpreter $qemu" "$entry"; then
    # An older qemu (e.g. bookworm's qemu-i386-static) is registered.
    echo -1 > "$entry"
fi
if [ ! -e "$entry" ] && ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    [ -e "$binfmt/register" ] || quiet mount -t binfmt_misc binfmt_misc "$binfmt"
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$qemu"':F' \
        > "$binfmt/register"
    quiet /lib/ld-linux.so.2 --version
fi

# Shared by the project's commands: packages, builds, the network namespace, the X display.

TEST_HOST=vendor.tornquill.test
PACKAGES=(cmake make g++-mingw-w64-i686-win32 g++-mingw-w64-i686-posix
    g++-mingw-w64-x86-64-win32 g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686
    binutils-mingw-w64-x86-64 wine64 xvfb googletest python3 iproute2 procps nginx-light
    curl msitools wixl imagemagick util-linux)

as_root() {
    if [[ $(id -u) == 0 ]]; then "$@"; else sudo "$@"; fi
}

ensure_packages() {
    local missing=() pkg
    for pkg in "${PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$pkg")
    done
    if ((${#missing[@]})); then
        echo "Installing: ${missing[*]}"
        as_root apt-get update
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
    fi
}

# configure_tree DIR ARCH [cmake options...]: configures the build tree DIR for ARCH once; later
# calls only apply the options.
configure_tree() {
    local dir=$1 arch=$2
    shift 2
    if [[ ! -f "$dir/CMakeCache.txt" ]]; then
        cmake -S "$root" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" \
            -DCMAKE_BUILD_TYPE=Release "$@"
    else
        cmake "$dir" "$@" >/dev/null
    fi
}

# build_one ARCH [cmake options...]: configures build/ARCH once, then builds it incrementally.
build_one() {
    local arch=$1
    shift
    configure_tree "$root/build/$arch" "$arch" "$@"
    cmake --build "$root/build/$arch" -j "$(nproc)"
}

# The test trees' product tests check the i686 tree's program.
build_all() {
    build_one i686 -DTEST_VENDOR_HOST="$TEST_HOST"
    build_one x86_64 -DVENDOR_HOST="$TEST_HOST" -DTORNQUILL_PRODUCT="$root/build/i686/Tornquill.exe"
}

# The 32-bit test build; its end-to-end runs start build/i686's test-host/Tornquill.exe.
build_i686_tests() {
    build_one i686-tests -DVENDOR_HOST="$TEST_HOST" \
        -DTORNQUILL_PRODUCT="$root/build/i686/Tornquill.exe"
}

# run_in_namespace NAME command...: runs the command as root in a new network namespace whose
# only interface is loopback and in which the host names of NAMESPACE_HOSTS (default: the test
# host) resolve to 127.0.0.1 and no other name resolves at all. The namespace is removed
# afterwards, also on failure.
run_in_namespace() {
    local ns=$1 status=0
    shift
    trap "remove_namespace $ns" EXIT
    as_root mkdir -p "/etc/netns/$ns"
    printf '127.0.0.1 localhost %s\n::1 localhost\n' "${NAMESPACE_HOSTS:-$TEST_HOST}" |
        as_root tee "/etc/netns/$ns/hosts" >/dev/null
    echo "nameserver 127.0.0.1" | as_root tee "/etc/netns/$ns/resolv.conf" >/dev/null
    as_root ip netns add "$ns"
    as_root ip netns exec "$ns" ip link set lo up
    as_root ip netns exec "$ns" "$@" || status=$?
    remove_namespace "$ns"
    trap - EXIT
    return $status
}

remove_namespace() {
    if [[ -e "/run/netns/$1" ]]; then
        as_root ip netns pids "$1" 2>/dev/null | xargs -r kill 2>/dev/null || true
        as_root ip netns del "$1"
    fi
    as_root rm -rf "/etc/netns/$1"
}

free_display() {
    local n
    for ((n = 90; n < 200; n++)); do
        if [[ ! -e "/tmp/.X$n-lock" && ! -e "/tmp/.X11-unix/X$n" ]]; then
            echo "$n"
            return
        fi
    done
    echo "no free X display" >&2
    return 1
}

wait_for_display() {
    local i
    for ((i = 0; i < 100; i++)); do
        [[ -e "/tmp/.X11-unix/X$1" ]] && return 0
        sleep 0.1
    done
    echo "Xvfb did not start on :$1" >&2
    return 1
}

# 32-bit Wine. On a kernel that runs i386 code it is Debian's wine32:i386 as it is. Elsewhere it
# runs through qemu user-mode emulation: qemu-user 10 from the backports suite (the release's own
# 7.2 hangs in wineboot), an i386 entry in binfmt_misc with the flag F, and the fault-information
# library of tools/fault-info.c preloaded into every Wine process (see wine32_preload).
WINE32_STATE="$root/build/wine32"
WINE32_LOADER=/usr/lib/wine/wine
BINFMT=/proc/sys/fs/binfmt_misc
BINFMT_ENTRY=qemu-i386
# The i386 ELF executable header, as Debian's qemu packages register it.
BINFMT_MAGIC='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
BINFMT_MASK='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

# ensure_wine32: sets 32-bit Wine up on this machine, idempotently (root or sudo needed for the
# first run). Prints one line and returns 1 when it cannot be done; details are in
# build/wine32/setup.log.
ensure_wine32() {
    local log="$WINE32_STATE/setup.log" status=0
    wine32_reason=""
    mkdir -p "$WINE32_STATE"
    wine32_setup >"$log" 2>&1 || status=$?
    if ((status != 0)); then
        echo "32-bit Wine cannot be set up here: ${wine32_reason:-see $log} (log: $log)" >&2
        return 1
    fi
}

# wine32_preload: the LD_PRELOAD value that 32-bit Wine needs on this machine; empty when it
# runs natively. $LIB lets the loader of each architecture pick its own build of the library.
wine32_preload() {
    if [[ -f "$BINFMT/$BINFMT_ENTRY" && -f "$WINE32_STATE/lib/i386-linux-gnu/libfaultinfo.so" ]]; then
        # shellcheck disable=SC2016
        printf '%s/$LIB/libfaultinfo.so' "$WINE32_STATE"
    fi
}

wine32_fail() {
    wine32_reason=$1
    echo "$1"
    return 1
}

# A minimal i386 Linux program that only exits with status 0.
write_i386_probe() {
    python3 - "$1" <<'PY'
import struct, sys
code = bytes([0xB8, 1, 0, 0, 0, 0x31, 0xDB, 0xCD, 0x80])  # exit(0) through int 0x80
base, size = 0x08048000, 52 + 32 + len(code)
header = b"\x7fELF\x01\x01\x01" + bytes(9) + struct.pack(
    "<HHIIIIIHHHHHH", 2, 3, 1, base + 84, 52, 0, 0, 52, 32, 1, 0, 0, 0)
segment = struct.pack("<IIIIIIII", 1, 0, base, base, size, size, 5, 0x1000)
with open(sys.argv[1], "wb") as out:
    out.write(header + segment + code)
PY
    chmod +x "$1"
}

installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

# The archive address of the release's own suite, taken from apt's sources.
release_archive() {
    local file
    for file in /etc/apt/sources.list.d/*.sources; do
        [[ -f $file ]] || continue
        awk 'BEGIN { RS = "" }
             /(^|\n)Suites:[^\n]*[[:space:]]bookworm([[:space:]]|$)/ && /(^|\n)Types:[^\n]*deb([[:space:]]|$)/ {
                 if (match($0, /(^|\n)URIs:[[:space:]]*[^[:space:]]+/)) {
                     uri = substr($0, RSTART, RLENGTH); sub(/.*URIs:[[:space:]]*/, "", uri)
                     print uri; exit
                 }
             }' "$file"
    done | head -n 1
    if [[ -f /etc/apt/sources.list ]]; then
        awk '$1 == "deb" && $3 == "bookworm" { print $2; exit }' /etc/apt/sources.list
    fi
}

ensure_backports_source() {
    local archive file=/etc/apt/sources.list.d/bookworm-backports.sources
    grep -rqsE '(^|[[:space:]])bookworm-backports([[:space:]]|$)' /etc/apt/sources.list \
        /etc/apt/sources.list.d/ && return 0
    archive=$(release_archive | head -n 1)
    [[ -n $archive ]] || wine32_fail "apt has no source for bookworm to add bookworm-backports to" ||
        return 1
    printf 'Types: deb\nURIs: %s\nSuites: bookworm-backports\nComponents: main\nSigned-By: %s\n' \
        "$archive" /usr/share/keyrings/debian-archive-keyring.gpg | as_root tee "$file"
    wine32_apt_updated=0
}

wine32_apt_update() {
    if [[ ${wine32_apt_updated:-0} != 1 ]]; then
        as_root apt-get update || wine32_fail "apt-get update failed" || return 1
        wine32_apt_updated=1
    fi
}

wine32_install() {
    local missing=() pkg
    for pkg in "$@"; do
        [[ $pkg == -* ]] && continue
        installed "$pkg" || missing+=("$pkg")
    done
    ((${#missing[@]})) || return 0
    wine32_apt_update || return 1
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y "$@" ||
        wine32_fail "cannot install ${missing[*]}"
}

ensure_i386_architecture() {
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        as_root dpkg --add-architecture i386
        wine32_apt_updated=0
    fi
}

# The version line of the qemu that binfmt_misc runs for i386 programs; qemu prints it instead
# of running the program when QEMU_VERSION is set.
registered_qemu_version() {
    QEMU_VERSION=1 "$WINE32_STATE/probe-i386" 2>/dev/null | head -n 1
}

ensure_binfmt_entry() {
    local interpreter=$1 entry="$BINFMT/$BINFMT_ENTRY"
    if [[ -f $entry ]]; then
        if grep -qx enabled "$entry" && grep -qx "interpreter $interpreter" "$entry" &&
            grep -qE '^flags: .*F' "$entry" &&
            [[ $(registered_qemu_version) == "$("$interpreter" --version | head -n 1)" ]]; then
            return 0
        fi
        # An entry with the flag F keeps the binary it opened, also after an upgrade.
        echo -1 | as_root tee "$entry" >/dev/null
    fi
    printf ':%s:M::%s:%s:%s:F\n' "$BINFMT_ENTRY" "$BINFMT_MAGIC" "$BINFMT_MASK" "$interpreter" |
        as_root tee "$BINFMT/register" >/dev/null ||
        wine32_fail "binfmt_misc refused the i386 entry" || return 1
    [[ $(registered_qemu_version) == "$("$interpreter" --version | head -n 1)" ]] ||
        wine32_fail "the i386 entry of binfmt_misc does not start $interpreter"
}

build_fault_info_library() {
    local source="$root/tools/fault-info.c" arch flag out
    for arch in i386 x86_64; do
        flag=$([[ $arch == i386 ]] && echo -m32 || echo -m64)
        out="$WINE32_STATE/lib/$arch-linux-gnu/libfaultinfo.so"
        [[ -f $out && $out -nt $source ]] && continue
        mkdir -p "$(dirname "$out")"
        gcc "$flag" -std=c11 -O2 -Wall -Wextra -Werror -shared -fPIC -o "$out.new" "$source" -ldl ||
            wine32_fail "cannot build the fault-information library for $arch" || return 1
        mv "$out.new" "$out"
    done
}

wine32_setup() {
    local interpreter
    if [[ ! -f $BINFMT/register ]]; then
        as_root mount -t binfmt_misc binfmt_misc "$BINFMT" ||
            wine32_fail "binfmt_misc cannot be mounted at $BINFMT" || return 1
    fi
    write_i386_probe "$WINE32_STATE/probe-i386"
    ensure_i386_architecture
    if [[ ! -f $BINFMT/$BINFMT_ENTRY ]] && "$WINE32_STATE/probe-i386"; then
        echo "i386 programs run natively"
        wine32_install wine32:i386 || return 1
    else
        echo "i386 programs run through qemu"
        ensure_backports_source || return 1
        if ! installed qemu-user-static ||
            ! dpkg --compare-versions "$(dpkg-query -W -f='${Version}' qemu-user-static)" ge 1:10; then
            wine32_apt_update || return 1
            as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -t bookworm-backports \
                qemu-user-static || wine32_fail "cannot install qemu-user-static from bookworm-backports" ||
                return 1
        fi
        interpreter=/usr/bin/qemu-i386
        [[ -x $interpreter ]] || interpreter=/usr/bin/qemu-i386-static
        [[ -x $interpreter ]] || wine32_fail "qemu-user-static brought no qemu-i386" || return 1
        ensure_binfmt_entry "$interpreter" || return 1
        wine32_install wine32:i386 gcc-multilib || return 1
        build_fault_info_library || return 1
    fi
    LD_PRELOAD=$(wine32_preload) "$WINE32_LOADER" --version ||
        wine32_fail "32-bit Wine ($WINE32_LOADER) does not start" || return 1
}

I686_TESTS="$root/build/i686-tests"

stop_i686_wineservers() {
    local prefix
    for prefix in wineprefix wineprefix-win32; do
        WINEPREFIX="$I686_TESTS/$prefix" /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
    done
}

# run_i686_tests_inside [ctest arguments...]: runs the 32-bit test build's suites inside the
# test namespace, with a display and the vendor test services of their own.
run_i686_tests_inside() {
    local display xvfb_pid status=0
    display=$(free_display)
    Xvfb ":$display" -screen 0 "${TEST_SCREEN}x24" -nolisten tcp >"$I686_TESTS/xvfb.log" 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$display"
    if wait_for_display "$display" && "$root/tools/test-services" start "$I686_TESTS" &&
        prepare_test_prefix "$I686_TESTS" win32 && prepare_test_prefix "$I686_TESTS" win64; then
        (cd "$I686_TESTS" && ctest --output-on-failure "$@") || status=$?
    else
        status=1
    fi
    "$root/tools/test-services" stop "$I686_TESTS" || true
    stop_i686_wineservers
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    return $status
}

# The size of the virtual X screen and of the Wine desktop that the tests run on.
TEST_SCREEN=1280x1024

# prepare_test_prefix BUILD_DIR [win64|win32]: readies the tests' Wine prefix of that kind
# (TORNQUILL_WINEPREFIX, else the build tree's own; "-win32" appended for the 32-bit one) before
# the first test starts, so that none of them pays for it: the prefix is created once, every
# program is drawn in a virtual desktop of the test screen's size, and the session's processes
# run. Without a window manager, Wine waits two seconds for every top-level window that it hides,
# for a confirmation that only a window manager gives; in a virtual desktop Wine manages the
# windows itself and nothing waits.
prepare_test_prefix() {
    local arch=${2:-win64} suffix=""
    [[ $arch == win32 ]] && suffix=-win32
    local prefix="${TORNQUILL_WINEPREFIX:-$1/wineprefix}$suffix"
    local run=(env "TORNQUILL_BUILD_DIR=$1" "TORNQUILL_PREFIX_ARCH=$arch" "$root/tools/wine-run")
    local server=(env "WINEPREFIX=$prefix" /usr/lib/wine/wineserver) log="$prefix.log"
    # The desktop takes its size when the session starts: the session starts afresh after it.
    if ! {
        "${run[@]}" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f &&
            "${run[@]}" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default \
                /d "$TEST_SCREEN" /f &&
            { "${server[@]}" -k || true; } && "${server[@]}" -w && "${run[@]}" cmd.exe /c exit
    } </dev/null >"$log" 2>&1; then
        cat "$log" >&2
        return 1
    fi
}

# slowest_tests LOG: the ten longest tests of a ctest output, longest first.
slowest_tests() {
    echo "Slowest tests:"
    sed -nE 's/^ *[0-9]+\/[0-9]+ +Test +#[0-9]+: ([^ ]+) .* ([0-9]+\.[0-9]+) sec$/\2 \1/p' "$1" |
        sort -rn | head -n 10 | awk '{ printf "  %8.2f s  %s\n", $1, $2 }'
}

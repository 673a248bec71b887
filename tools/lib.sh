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

build_all() {
    build_one i686
    build_one x86_64 -DVENDOR_HOST="$TEST_HOST"
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

# The size of the virtual X screen and of the Wine desktop that the tests run on.
TEST_SCREEN=1280x1024

# prepare_test_prefix BUILD_DIR: readies the Wine prefix named by TORNQUILL_WINEPREFIX for the
# tests of BUILD_DIR before the first one starts, so that none of them pays for it: the prefix is
# created once, every program is drawn in a virtual desktop of the test screen's size, and the
# session's processes run. Without a window manager, Wine waits two seconds for every top-level
# window that it hides, for a confirmation that only a window manager gives; in a virtual desktop
# Wine manages the windows itself and nothing waits.
prepare_test_prefix() {
    local run=(env "TORNQUILL_BUILD_DIR=$1" "$root/tools/wine-run") log="$TORNQUILL_WINEPREFIX.log"
    local server=(env "WINEPREFIX=$TORNQUILL_WINEPREFIX" /usr/lib/wine/wineserver)
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

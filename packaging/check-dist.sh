#!/usr/bin/env bash
# Checks every file that packaging/dist.sh made, as a learner would get it:
# lintian on each package; the amd64 package installed, played and removed,
# the ARM ones played under qemu with the foreign libraries; each archive's
# program statically linked and played, the x86_64 one also in an empty root
# directory; the Windows program's DLLs and texts, and a game under wine; the
# web page's size, its page checks, and games in Chromium (from disk and over
# http), Firefox and WebKit; the web app installed, offline and updated in
# Chromium and Firefox, and offline in old Chromium builds. The dialogue tests drive every program, an emulated one through a
# wrapper that execs qemu, the page through a relay that types into it.
# Leaves the machine as it found it, also when a check fails. Needs root (it installs the .deb and uses chroot), the Debian
# packages that `tools/deps ci` installs and the tests' npm packages
# (npm ci --prefix tests/web).
set -euo pipefail
cd "$(dirname "$0")/.."
version=$(git show HEAD:CMakeLists.txt | sed -n 's/^project(iondrill VERSION \([^ ]*\) .*/\1/p')
apt=(apt-get -y -q -o DPkg::Lock::Timeout=600)
if dpkg-query -W -f '${db:Status-Status}' iondrill 2>/dev/null | grep -q installed; then
    echo "check-dist: iondrill is installed already; remove it first" >&2
    exit 1
fi

tmp=$(mktemp -d)
export TMPDIR=$tmp  # lintian and wine leave their own files behind
installed=
cleanup() {
    if [ -n "$installed" ]; then "${apt[@]}" remove iondrill >/dev/null || true; fi
    if [ -n "${WINEPREFIX-}" ]; then wineserver -k 2>/dev/null || true; fi
    jobs -p | xargs -r kill 2>/dev/null || true  # the web server, a game in Firefox
    rm -rf "$tmp"
}
trap cleanup EXIT
passed=0
pass() { passed=$((passed + 1)); echo "check-dist: $*: ok"; }
fail() { echo "check-dist: $*" >&2; exit 1; }
dialogue() {
    local log
    log=$(mktemp -p "$tmp")
    IONDRILL=$1 timeout 600 python3 tests/dialogue/dialogue_test.py >"$log" 2>&1 || { cat "$log" >&2; fail "the dialogue tests failed on $1"; }
}
# A program for another processor, played through a wrapper: emulated NAME COMMAND...
emulated() {
    local wrapper=$tmp/$1.run
    shift
    printf '#!/bin/bash\nexec%s "$@"\n' "$(printf ' %q' "$@")" >"$wrapper"
    chmod +x "$wrapper"
    dialogue "$wrapper"
}
# No program interpreter and no shared library: it runs on any Linux.
static() {
    if readelf -lW "$1" | grep -q INTERP || readelf -d "$1" | grep -q NEEDED; then
        fail "$1 is not statically linked"
    fi
}

# The amd64 package: installed, played, its manual page read, and removed
# without a file left behind.
deb_amd64() {
    local deb=dist/iondrill_${version}_amd64.deb
    installed=yes
    "${apt[@]}" install "./$deb" >/dev/null
    dialogue /usr/games/iondrill
    if ! out=$(man --warnings iondrill 2>&1 >/dev/null) || [ -n "$out" ]; then
        fail "man iondrill: ${out:-no page}"
    fi
    dpkg-query -L iondrill >"$tmp/files"
    "${apt[@]}" remove iondrill >/dev/null
    installed=
    while IFS= read -r f; do
        if [ -f "$f" ]; then fail "$f left behind"; fi
    done <"$tmp/files"
    if dpkg-query -W -f '${db:Status-Status}' iondrill 2>/dev/null | grep -q installed; then
        fail "iondrill is still installed"
    fi
    pass "$deb installs, plays, has its manual page and is removed cleanly"
}

# An ARM package, unpacked and played under qemu with the foreign libraries:
# deb_arm ARCH QEMU-ARCH
deb_arm() {
    local deb=dist/iondrill_${version}_$1.deb
    dpkg-deb -x "$deb" "$tmp/$1"
    emulated "$1" "qemu-$2-static" -L / "$tmp/$1/usr/games/iondrill"
    pass "$deb plays under qemu"
}

# A Linux archive: its program static and played, under qemu where it is
# for another processor: archive ARCH [QEMU...]
archive() {
    local arch=$1 tgz=dist/iondrill-$version-linux-$1.tar.gz bin
    shift
    tar -xzf "$tgz" -C "$tmp"
    bin=$tmp/iondrill-$version-linux-$arch/bin/iondrill
    static "$bin"
    if [ $# -gt 0 ]; then
        emulated "$arch-archive" "$@" "$bin"
    else
        dialogue "$bin"
    fi
    pass "$tgz is static and plays"
}

# The x86_64 archive's program also plays in an empty root directory.
archive_in_empty_root() {
    local out
    mkdir "$tmp/root"
    cp "$tmp/iondrill-$version-linux-x86_64/bin/iondrill" "$tmp/root/iondrill"
    out=$(printf '1\nx\n\n' | chroot "$tmp/root" /iondrill)
    grep -qx 'Number correct: 0 out of 1 (0%)' <<<"$out" || fail "no game in an empty root: $out"
    pass "the x86_64 archive's program plays in an empty root"
}

# The Windows zip: a program that needs only Windows' own DLLs, texts plain
# for Notepad, and a game under wine.
windows_zip() {
    local zip=dist/iondrill-$version-windows-x86_64.zip win=$tmp/iondrill-$version-windows-x86_64
    (cd "$tmp" && unzip -q "$OLDPWD/$zip")
    x86_64-w64-mingw32-objdump -p "$win/iondrill.exe" | sed -n 's/^\tDLL Name: //p' | tr '[:upper:]' '[:lower:]' >"$tmp/dlls"
    while IFS= read -r dll; do
        case $dll in
            kernel32.dll | msvcrt.dll | user32.dll | advapi32.dll) ;;
            *) fail "iondrill.exe needs $dll, which Windows does not have" ;;
        esac
    done <"$tmp/dlls"
    for text in "$win"/*.txt; do
        if grep -q $'[^\r]$\|^$' "$text"; then fail "$text has a line break without CR"; fi
        # Old Notepad reads UTF-8 only after a byte-order mark.
        if [ "$(head -c 3 "$text")" != $'\xef\xbb\xbf' ] && LC_ALL=C grep -q '[^ -~'$'\r\t\f'']' "$text"; then
            fail "$text is neither ASCII nor marked as UTF-8"
        fi
        if awk '/[[:alpha:]]-\r$/ { p = 1; next } p && /^[[:space:]]*[[:lower:]]/ { f = 1 } { p = 0 } END { exit !f }' "$text"; then
            fail "$text hyphenates a word across lines"
        fi
    done
    export WINEPREFIX=$tmp/wine
    WINEDEBUG=-all wineboot --init >/dev/null 2>&1
    dialogue "$win/iondrill.exe"
    pass "$zip: needs only system DLLs ($(paste -sd ' ' "$tmp/dlls")), texts plain for Notepad, plays under wine"
}

# The page: its size and page checks, and games in Chromium from disk and
# over http, in Firefox and in WebKit.
web_page() {
    local page=dist/iondrill-$version.html size port firefox
    size=$(stat -c %s "$page")
    cmake -DPAGES="$page" -P tests/checks/page_budget.cmake >/dev/null || fail "$page is over its budget"
    IONDRILL_ENGINES="chromium firefox webkit" timeout 300 node tests/web/page_test.mjs "$page" >"$tmp/page.log" 2>&1 || { cat "$tmp/page.log" >&2; fail "the page checks failed"; }
    port=$((20000 + RANDOM % 20000))
    python3 -m http.server --bind 127.0.0.1 --directory dist "$port" >/dev/null 2>&1 &
    # Firefox, slowest to start, plays beside the others.
    IONDRILL_BROWSER=firefox dialogue "$page" &
    firefox=$!
    dialogue "$page"
    dialogue "http://127.0.0.1:$port/${page#dist/}"
    IONDRILL_BROWSER=webkit dialogue "$page"
    wait "$firefox" || fail "the dialogue tests failed in Firefox"
    pass "$page is $size bytes, passes its page checks, plays in Chromium from disk and over http, in Firefox and in WebKit"
}

# The web app's folder: installable, kept offline and updated in Chromium and
# Firefox, served under a sub-path, and kept offline in old Chromium builds;
# its index.html plays from disk too.
web_zip() {
    local zip=dist/iondrill-$version-web.zip
    (cd "$tmp" && unzip -q "$OLDPWD/$zip")
    timeout 300 node tests/web/app_test.mjs "$tmp/iondrill" >"$tmp/app.log" 2>&1 || { cat "$tmp/app.log" >&2; fail "the app checks failed"; }
    pass "$zip installs, runs offline and updates in Chromium and Firefox, runs offline in Chromium 64, 72 and 92, and plays from disk"
}

lintian --fail-on error,warning dist/iondrill_"$version"_{amd64,arm64,armhf}.deb
pass "lintian on the three packages"
deb_amd64
deb_arm arm64 aarch64
deb_arm armhf arm
archive x86_64
archive_in_empty_root
archive arm64 qemu-aarch64-static
# The Raspberry Pi 1 and Zero core: an ARMv7 instruction would stop the game.
archive armv6 qemu-arm-static -cpu arm1176
windows_zip
web_page
web_zip
echo "check-dist: $passed passed, 0 failed"

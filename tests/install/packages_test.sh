#!/usr/bin/env bash
# Checks the Debian packages that scripts/package made, as a user meets them:
# their control fields and contents, then the programs, the manual pages, the
# menu entry, the AppStream data and the bash completion from the files the
# packages install (unpacked into a throw-away root). As root with CI=true
# (or TULEX_INSTALL_TEST=1) it also installs them for real with apt, looks at
# them from /usr, and removes them again.
#   tests/install/packages_test.sh PACKAGES_DIR
set -uo pipefail
packages="$(cd "${1:?usage: packages_test.sh PACKAGES_DIR}" && pwd)"

passed=0
failed=0
check() {  # check "what" command...
    local what="$1"
    shift
    local output
    if output="$("$@" 2>&1)"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: $what"
        [ -n "$output" ] && sed 's/^/    /' <<<"$output"
    fi
}

deb_of() { ls "$packages/$1"_*.deb 2>/dev/null | head -1; }
contains() { grep -qF -- "$2" <<<"$1" || { echo "expected \"$2\" in:"; echo "$1"; return 1; }; }
lacks() { ! grep -qF -- "$2" <<<"$1" || { echo "did not expect \"$2\" in:"; echo "$1"; return 1; }; }
equal() { [ "$1" = "$2" ] || { echo "expected \"$2\", got \"$1\""; return 1; }; }

arch="$(dpkg --print-architecture)"
tulex="$(deb_of tulex)"
cli="$(deb_of tulex-cli)"
sim="$(deb_of tulex-sim)"
check "three packages: tulex, tulex-cli, tulex-sim" test -f "$tulex" -a -f "$cli" -a -f "$sim"
[ "$failed" -eq 0 ] || { echo "0 passed, $failed failed"; exit 1; }
version="$(dpkg-deb -f "$tulex" Version)"

# Control fields: one version, the machine's architecture, Depends from
# dpkg-shlibdeps, Qt only for the window.
for deb in "$tulex" "$cli" "$sim"; do
    name="$(dpkg-deb -f "$deb" Package)"
    check "$name: version $version like the others" equal "$(dpkg-deb -f "$deb" Version)" "$version"
    check "$name: architecture $arch" equal "$(dpkg-deb -f "$deb" Architecture)" "$arch"
    check "$name: file name" equal "$(basename "$deb")" "${name}_${version}_${arch}.deb"
    check "$name: depends on the C and C++ libraries" contains "$(dpkg-deb -f "$deb" Depends)" "libstdc++6"
    check "$name: has a maintainer and a description" test -n "$(dpkg-deb -f "$deb" Maintainer)" \
        -a -n "$(dpkg-deb -f "$deb" Description)"
done
check "tulex depends on the Qt widgets it links" contains "$(dpkg-deb -f "$tulex" Depends)" "libqt6widgets6"
check "tulex-cli needs no Qt" lacks "$(dpkg-deb -f "$cli" Depends)" "qt"
check "tulex-sim needs no Qt" lacks "$(dpkg-deb -f "$sim" Depends)" "qt"

# Contents: every file under /usr, exactly these.
files_of() { dpkg-deb -c "$1" | awk '$1 !~ /^d/ {print $6}' | sort; }
id=org.tulex.Tulex
expected_tulex="$(printf '%s\n' ./usr/bin/tulex ./usr/share/applications/$id.desktop \
    ./usr/share/doc/tulex/changelog.gz ./usr/share/doc/tulex/copyright \
    ./usr/share/icons/hicolor/{16x16,24x24,32x32,48x48,64x64,128x128,256x256}/apps/$id.png \
    ./usr/share/icons/hicolor/scalable/apps/$id.svg ./usr/share/man/man1/tulex.1.gz \
    ./usr/share/metainfo/$id.metainfo.xml | sort)"
expected_cli="$(printf '%s\n' ./usr/bin/tulex-cli ./usr/share/bash-completion/completions/tulex-cli \
    ./usr/share/doc/tulex-cli/changelog.gz ./usr/share/doc/tulex-cli/copyright \
    ./usr/share/man/man1/tulex-cli.1.gz | sort)"
expected_sim="$(printf '%s\n' ./usr/bin/tulex-sim ./usr/share/doc/tulex-sim/README.md \
    ./usr/share/doc/tulex-sim/changelog.gz ./usr/share/doc/tulex-sim/copyright \
    ./usr/share/doc/tulex-sim/examples/demo.json ./usr/share/man/man1/tulex-sim.1.gz | sort)"
check "tulex holds the window, its menu entry, icons, AppStream data and manual" \
    equal "$(files_of "$tulex")" "$expected_tulex"
check "tulex-cli holds the program, its manual and completion" equal "$(files_of "$cli")" "$expected_cli"
check "tulex-sim holds the program, its manual and the scenario documentation" \
    equal "$(files_of "$sim")" "$expected_sim"
for deb in "$tulex" "$cli" "$sim"; do
    check "$(basename "$deb"): every file belongs to root, none writable by others" equal \
        "$(dpkg-deb -c "$deb" | awk '$2 != "root/root" || $1 ~ /^.{8}w/')" ""
done
check "the dependencies can be had on this system" \
    apt-get install --simulate -q "$tulex" "$cli" "$sim"

# The installed files, unpacked into a throw-away root.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
root="$work/root"
for deb in "$tulex" "$cli" "$sim"; do dpkg-deb -x "$deb" "$root"; done
bin="$root/usr/bin"

check "tulex-cli --version" equal "$("$bin/tulex-cli" --version)" "tulex-cli $version"
check "tulex-sim --version" equal "$("$bin/tulex-sim" --version)" "tulex-sim $version"
check "tulex --version" equal "$("$bin/tulex" --version)" "tulex $version"
check "tulex-sim --help" contains "$("$bin/tulex-sim" --help)" "Usage: tulex-sim"
check "tulex-cli --help" contains "$("$bin/tulex-cli" --help)" "Usage: tulex-cli"

manual() {  # the manual page rendered as man shows it, no groff warnings
    local page="$1" text warnings
    text="$(MANWIDTH=80 man -l "$page" 2>"$work/man.err")" || return 1
    warnings="$(cat "$work/man.err")"
    [ -z "$warnings" ] || { echo "$warnings"; return 1; }
    echo "$text"
}
for program in tulex tulex-cli tulex-sim; do
    page="$(manual "$root/usr/share/man/man1/$program.1.gz")"
    check "man $program renders" contains "$page" "NAME"
    check "man $program carries the version" contains "$page" "ТУЛЕКС $version"
done
check "man tulex-cli tells the dialout remedy" contains "$(manual "$root/usr/share/man/man1/tulex-cli.1.gz")" \
    "adduser \$USER dialout"

desktop="$root/usr/share/applications/$id.desktop"
check "desktop-file-validate" desktop-file-validate "$desktop"
check "the menu entry starts the packaged program" test -x "$bin/$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")"
check "the menu entry's icon is in the package" \
    test -f "$root/usr/share/icons/hicolor/scalable/apps/$(sed -n 's/^Icon=//p' "$desktop").svg"
check "the menu entry has a Russian name" contains "$(cat "$desktop")" "Name[ru]=ТУЛЕКС"
check "appstreamcli validate" appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml"
check "the AppStream release is the version" contains "$(cat "$root/usr/share/metainfo/$id.metainfo.xml")" \
    "<release version=\"$version\""
png_size() {  # the width and height in a PNG's header
    python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print("%dx%d" % struct.unpack(">II", d[16:24]))' "$1"
}
for size in 16 48 256; do
    check "the ${size}x$size icon is ${size}x$size" \
        equal "$(png_size "$root/usr/share/icons/hicolor/${size}x$size/apps/$id.png")" "${size}x$size"
done

# Bash completion, as bash-completion runs it: COMP_WORDS up to the cursor.
complete_words() {  # complete_words COMPLETION_FILE "LINE " -> the candidates
    PATH="$bin:$PATH" TULEX_SIM_DIR="$work/sim" bash -c '
        source /usr/share/bash-completion/bash_completion
        source "$1"
        COMP_LINE="$2"; COMP_POINT=${#COMP_LINE}
        read -ra COMP_WORDS <<<"$COMP_LINE"
        [[ "$COMP_LINE" == *" " ]] && COMP_WORDS+=("")
        COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
        COMPREPLY=()
        registered="$(complete -p tulex-cli)" || exit 1
        function="$(sed "s/.*-F \([^ ]*\) .*/\1/" <<<"$registered")"
        "$function" tulex-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
        printf "%s\n" "${COMPREPLY[@]}"' completion "$1" "$2"
}
mkdir -p "$work/sim"
ln -s /dev/null "$work/sim/SIM7"  # a virtual line the port list shows
completion="$root/usr/share/bash-completion/completions/tulex-cli"
commands="$(complete_words "$completion" "tulex-cli ")"
for command in ports listen check params search converter; do
    check "tulex-cli <TAB> offers $command" contains "$commands" "$command"
done
check "tulex-cli ch<TAB> completes check" equal "$(complete_words "$completion" "tulex-cli ch")" "check"
check "tulex-cli --po<TAB> completes --port" equal "$(complete_words "$completion" "tulex-cli --po")" "--port"
check "tulex-cli --port <TAB> offers the ports" contains "$(complete_words "$completion" "tulex-cli --port ")" "SIM7"
check "tulex-cli -p SIM7 mode G <TAB> offers the modes" \
    equal "$(complete_words "$completion" "tulex-cli -p SIM7 mode G " | sort | tr '\n' ' ')" "autonomous offline online "

# A real install, where it may change the machine.
if [ "$(id -u)" -eq 0 ] && { [ "${CI:-}" = true ] || [ "${TULEX_INSTALL_TEST:-}" = 1 ]; }; then
    already="$(dpkg-query -W -f='${Package} ${Status}\n' tulex tulex-cli tulex-sim 2>/dev/null | grep -c ' installed$')"
    if [ "$already" -ne 0 ]; then
        echo "skipped the real install: tulex packages are installed on this machine already"
    else
        trap 'DEBIAN_FRONTEND=noninteractive apt-get purge -y -q tulex tulex-cli tulex-sim >/dev/null 2>&1; rm -rf "$work"' EXIT
        check "apt installs the three packages" env DEBIAN_FRONTEND=noninteractive \
            apt-get install -y -q -o DPkg::Lock::Timeout=120 "$tulex" "$cli" "$sim"
        check "/usr/bin/tulex-cli --version" equal "$(/usr/bin/tulex-cli --version)" "tulex-cli $version"
        check "/usr/bin/tulex-sim --help" contains "$(/usr/bin/tulex-sim --help)" "Usage: tulex-sim"
        check "man tulex-cli finds the page" equal "$(man -w tulex-cli)" "/usr/share/man/man1/tulex-cli.1.gz"
        check "bash-completion loads the completion on demand" bash -c \
            'source /usr/share/bash-completion/bash_completion; __load_completion tulex-cli && complete -p tulex-cli'
        check "apt removes them again" env DEBIAN_FRONTEND=noninteractive \
            apt-get purge -y -q -o DPkg::Lock::Timeout=120 tulex tulex-cli tulex-sim
        check "nothing is left in /usr/bin" test ! -e /usr/bin/tulex -a ! -e /usr/bin/tulex-cli
    fi
fi

echo "packages: $passed passed, $failed failed"
[ "$failed" -eq 0 ]

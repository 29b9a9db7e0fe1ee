#!/bin/sh
# Builds the Debian package from a configured and built tree and checks what an installer gets:
# the files in their places, the dependencies, a valid desktop entry, AppStream metainfo and
# manual page, a package lintian finds no error in, and a program that starts and closes from a
# read-only installation, keeping its settings in the user's configuration directory; and the
# demo launcher, which finds its simulated unit and leaves no process and no file behind, even
# when it is killed outright.
#   packaging/check_package.sh <build dir>
set -eu

build=${1:?usage: check_package.sh <build dir>}
build=$(cd "$build" && pwd)

fail() {
    echo "check_package: FAIL: $*" >&2
    exit 1
}

for tool in cpack dpkg-deb dpkg-parsechangelog desktop-file-validate readelf appstreamcli lintian man gzip; do
    command -v "$tool" >/dev/null 2>&1 || fail "$tool is not installed"
done
[ -f "$build/CPackConfig.cmake" ] || fail "$build is not a configured build directory"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/dorvik-package.XXXXXX")
program_pid=
demo_pid=
cleanup() {
    if [ -n "$program_pid" ]; then kill -KILL "$program_pid" 2>/dev/null || true; fi
    if [ -n "$demo_pid" ]; then kill -KILL "-$demo_pid" 2>/dev/null || true; fi
    chmod -R u+w "$scratch" 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

# ---- The package ----
if ! cpack --config "$build/CPackConfig.cmake" -B "$scratch/cpack" >"$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log" >&2
    fail "cpack could not build the package"
fi
set -- "$scratch"/cpack/*.deb
{ [ $# -eq 1 ] && [ -f "$1" ]; } || fail "cpack made no single .deb: $*"
deb=$1
echo "check_package: built $(basename "$deb")"

dpkg-deb -c "$deb" | awk '{ print $NF }' | sed 's|^\./|/|' >"$scratch/contents"
for path in /usr/bin/dorvik_m_wizard \
            /usr/bin/dorvik_sim \
            /usr/bin/dorvik_m_wizard_demo \
            /usr/share/applications/dorvik-m-wizard.desktop \
            /usr/share/applications/dorvik-m-wizard-demo.desktop \
            /usr/share/man/man1/dorvik_sim.1.gz \
            /usr/share/man/man1/dorvik_m_wizard_demo.1.gz \
            /usr/share/pixmaps/dorvik-m-wizard.xpm \
            /usr/lib/udev/rules.d/60-dorvik-serial.rules \
            /usr/share/metainfo/local.dorvik.m_wizard.metainfo.xml \
            /usr/share/man/man1/dorvik_m_wizard.1.gz \
            /usr/share/doc/dorvik-m-wizard/copyright \
            /usr/share/doc/dorvik-m-wizard/changelog.gz; do
    grep -qx "$path" "$scratch/contents" || fail "the package lacks $path"
done

depends=$(dpkg-deb -f "$deb" Depends)
recommends=$(dpkg-deb -f "$deb" Recommends)
has_package() {   # has_package <list> <name>: the name appears as a whole package in the list
    printf '%s\n' "$1" | tr '|' ',' | tr ',' '\n' | sed 's/^ *//; s/[ (].*//' | grep -qx "$2"
}
for lib in libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 libqt6multimedia6; do
    has_package "$depends" "$lib" || fail "Depends lacks $lib: $depends"
done
has_package "$depends" libqt6sql6-sqlite || fail "Depends lacks libqt6sql6-sqlite (the site journal's driver): $depends"
has_package "$recommends" fonts-wine || fail "Recommends lacks fonts-wine: $recommends"
has_package "$recommends" qt6-translations-l10n || fail "Recommends lacks qt6-translations-l10n: $recommends"

root=$scratch/root
dpkg-deb -x "$deb" "$root"
# Every Qt library the program links needs its package among the dependencies, not just the
# ones named above (libQt6SerialPort.so.6 -> libqt6serialport6).
for needed in $(readelf -d "$root/usr/bin/dorvik_m_wizard" | sed -n 's/.*Shared library: \[\(libQt6[^]]*\)\.so\.6\].*/\1/p'); do
    pkg=$(printf '%s6' "$needed" | tr '[:upper:]' '[:lower:]')
    has_package "$depends" "$pkg" || fail "the program links $needed.so.6 but Depends lacks $pkg: $depends"
done

for entry in dorvik-m-wizard dorvik-m-wizard-demo; do
    desktop-file-validate "$root/usr/share/applications/$entry.desktop" ||
        fail "the desktop entry $entry does not validate"
done
grep -qx 'Name=ДОРВИК-М Визард (демо)' "$root/usr/share/applications/dorvik-m-wizard-demo.desktop" ||
    fail "the demo's desktop entry is not named 'ДОРВИК-М Визард (демо)'"
grep -qx 'Exec=dorvik_m_wizard_demo' "$root/usr/share/applications/dorvik-m-wizard-demo.desktop" ||
    fail "the demo's desktop entry does not start dorvik_m_wizard_demo"

# ---- The desktop's conventions: AppStream metainfo, manual page, changelog, lintian ----
source_dir=$(cd "$(dirname "$0")/.." && pwd)
version=$(dpkg-deb -f "$deb" Version)
desktop=$root/usr/share/applications/dorvik-m-wizard.desktop
metainfo=$root/usr/share/metainfo/local.dorvik.m_wizard.metainfo.xml

# validate-tree also looks for the desktop entry the metainfo launches. Its verdict fails on
# warnings as well as errors. One info remains: cid-maybe-not-rdns, because the id begins with
# "local", on purpose no real domain, so no top-level domain the validator knows.
if ! appstreamcli validate-tree --no-net "$root" >"$scratch/appstream.log" 2>&1; then
    cat "$scratch/appstream.log" >&2
    fail "the AppStream metainfo does not validate"
fi
sed 's/^/check_package: appstreamcli: /' "$scratch/appstream.log"
desktop_categories=$(sed -n 's/^Categories=//p' "$desktop" | tr ';' '\n' | sed '/^$/d' | sort)
metainfo_categories=$(sed -n 's|.*<category>\(.*\)</category>.*|\1|p' "$metainfo" | sort)
{ [ -n "$desktop_categories" ] && [ "$desktop_categories" = "$metainfo_categories" ]; } ||
    fail "the metainfo's categories ($metainfo_categories) are not the desktop entry's ($desktop_categories)"
# A new version needs its release in the metainfo and its entry in the changelog.
release=$(sed -n 's|.*<release version="\([^"]*\)".*|\1|p' "$metainfo" | head -n 1)
[ "$release" = "$version" ] || fail "the metainfo's newest release is '$release', the package's version $version"
gzip -dc "$root/usr/share/doc/dorvik-m-wizard/changelog.gz" >"$scratch/changelog"
changelog_version=$(dpkg-parsechangelog -l "$scratch/changelog" -S Version) ||
    fail "the package's changelog does not parse"
[ "$changelog_version" = "$version" ] ||
    fail "the changelog's newest entry is $changelog_version, the package's version $version"

# The page has to render cleanly for any user: in the C locale too, where anything outside
# ASCII cannot be drawn.
page=$root/usr/share/man/man1/dorvik_m_wizard.1.gz
for name in dorvik_m_wizard dorvik_sim dorvik_m_wizard_demo; do
    for locale in C C.UTF-8; do
        LC_ALL=$locale MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/$name.1.gz" >/dev/null 2>"$scratch/man.err" ||
            { cat "$scratch/man.err" >&2; fail "man cannot render the manual page of $name ($locale)"; }
        [ ! -s "$scratch/man.err" ] ||
            { cat "$scratch/man.err" >&2; fail "the manual page of $name renders with warnings ($locale)"; }
    done
done
# Every command-line key, environment variable and file the program knows is on the page.
gzip -dc "$page" | sed 's/\\-/-/g' >"$scratch/page"
keys=$(sed -n 's/.*QStringLiteral("\(-[A-Z]*\)").*/\1/p' "$source_dir/src/connection/params.cpp")
variables=$(grep -rhoE '(qgetenv|qEnvironmentVariable[A-Za-z]*)\("[A-Z_]+"' "$source_dir/src" |
            sed 's/.*("//; s/"$//' | sort -u)
files=$(sed -n 's/.*_FILE\[\] = "\([^"]*\)".*/\1/p' "$source_dir/src/connection/texts.h")
{ [ -n "$keys" ] && [ -n "$variables" ] && [ -n "$files" ]; } ||
    fail "could not read the program's keys, environment variables and files from its sources"
for word in $keys $variables $files dorvik_sim; do
    grep -qF -- "$word" "$scratch/page" || fail "the manual page does not mention $word"
done

# Errors fail; warnings and infos are shown. None is suppressed. The infos left, and why:
#  - binary-has-unneeded-section .comment: CPack strips with plain `strip`, which keeps
#    .comment, and takes no options for it;
#  - hardening-no-bindnow, hardening-no-fortify-functions: the build (Debug or Release) links
#    without -z now and defines no _FORTIFY_SOURCE; compiler and linker flags belong to the
#    build, not to the packaging.
lintian_status=0
lintian --display-info "$deb" >"$scratch/lintian.log" 2>&1 || lintian_status=$?
grep -v '^running with root privileges' "$scratch/lintian.log" | sed 's/^/check_package: lintian: /'
if [ $lintian_status -ne 0 ] || grep -q '^E:' "$scratch/lintian.log"; then
    fail "lintian finds errors in the package (status $lintian_status)"
fi

# ---- The program from a read-only installation ----
# Root writes into read-only folders anyway, so as root the program runs as an ordinary user;
# everything it may write then has to be that user's.
run_as=
if [ "$(id -u)" -eq 0 ]; then
    command -v setpriv >/dev/null 2>&1 || fail "setpriv is needed to run the program as nobody"
    run_as="setpriv --reuid=nobody --regid=nogroup --clear-groups --"
fi
chmod 755 "$scratch"
mkdir -p "$scratch/home/config" "$scratch/work"
[ -z "$run_as" ] || chown -R nobody:nogroup "$scratch/home" "$scratch/work"
chmod a-w "$root/usr/bin"

cd "$scratch/work"
# shellcheck disable=SC2086 # run_as is a command prefix of several words, or nothing
env -u DORVIK_SETTINGS_DIR \
    QT_QPA_PLATFORM=offscreen DORVIK_SERIAL_PORTS= \
    HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/config" XDG_RUNTIME_DIR= \
    ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}" \
    $run_as "$root/usr/bin/dorvik_m_wizard" >"$scratch/program.log" 2>&1 &
program_pid=$!
sleep 2
kill -0 "$program_pid" 2>/dev/null || { cat "$scratch/program.log" >&2; fail "the program ended by itself before SIGTERM"; }
kill -TERM "$program_pid"
waited=0
while kill -0 "$program_pid" 2>/dev/null; do
    [ $waited -lt 100 ] || { cat "$scratch/program.log" >&2; fail "the program did not close within 10 s of SIGTERM"; }
    sleep 0.1
    waited=$((waited + 1))
done
status=0
wait "$program_pid" || status=$?
program_pid=
cd /
[ $status -eq 0 ] || { cat "$scratch/program.log" >&2; fail "the program exited with status $status after SIGTERM"; }

[ ! -e "$root/usr/bin/KVR_Dorvik.con" ] || fail "the settings were written next to the read-only executable"
settings=$(find "$scratch/home/config" -name KVR_Dorvik.con -type f)
[ -n "$settings" ] || { cat "$scratch/program.log" >&2; fail "no KVR_Dorvik.con under XDG_CONFIG_HOME"; }
grep -q '^\[INTERF\]' "$settings" || fail "$settings has no [INTERF] section"
[ -f "$scratch/work/KVR_Dorvik.rps" ] || fail "no report file in the working directory"

# ---- The demo, as the desktop entry starts it ----
# Each run in a session of its own: whatever the launcher starts stays in its process group,
# and the group tells whether anything was left behind.
group_members() {   # group_members <pgid>: the processes left in the group; a zombie has ended
    ps -e -o pid=,pgid=,stat=,args= | awk -v g="$1" '$2 == g && $3 !~ /^Z/'
}
wait_group_empty() {   # wait_group_empty <pgid> <what>
    waited=0
    while [ -n "$(group_members "$1")" ]; do
        [ $waited -lt 150 ] || { group_members "$1" >&2; cat "$scratch/demo.log" >&2; fail "$2: processes left behind"; }
        sleep 0.1
        waited=$((waited + 1))
    done
}
mkdir -p "$scratch/demo" "$scratch/demo-tmp"
[ -z "$run_as" ] || chown nobody:nogroup "$scratch/demo" "$scratch/demo-tmp"
for ending in "the program closed" "the launcher terminated" "the launcher killed"; do
    rm -f "$scratch/demo/Connect.txt"
    cd "$scratch/demo"
    # shellcheck disable=SC2086 # run_as is a command prefix of several words, or nothing
    env -u DORVIK_SETTINGS_DIR -u DORVIK_SERIAL_PORTS \
        QT_QPA_PLATFORM=offscreen HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/config" XDG_RUNTIME_DIR= \
        TMPDIR="$scratch/demo-tmp" ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}" \
        $run_as setsid "$root/usr/bin/dorvik_m_wizard_demo" >"$scratch/demo.log" 2>&1 &
    demo_pid=$!
    cd /
    # Found: the search's log says so (the program writes its logs in windows-1251).
    waited=0
    until [ -f "$scratch/demo/Connect.txt" ] && iconv -f CP1251 -t UTF-8 "$scratch/demo/Connect.txt" 2>/dev/null | grep -q 'Успешно!'; do
        kill -0 "$demo_pid" 2>/dev/null || { cat "$scratch/demo.log" >&2; fail "the demo ended before it found its unit"; }
        [ $waited -lt 600 ] || { cat "$scratch/demo.log" >&2; fail "the demo did not find its simulated unit within 60 s"; }
        sleep 0.1
        waited=$((waited + 1))
    done
    if [ "$ending" = "the program closed" ]; then
        # By its command, not its name: the launcher's own name begins the same way.
        program=$(group_members "$demo_pid" | awk '$4 ~ /\/dorvik_m_wizard$/ { print $1 }')
        [ -n "$program" ] || { group_members "$demo_pid" >&2; fail "the demo's program is not in its process group"; }
        kill -TERM "$program"
    elif [ "$ending" = "the launcher terminated" ]; then
        kill -TERM "$demo_pid"
    else
        kill -KILL "$demo_pid"
    fi
    wait_group_empty "$demo_pid" "the demo after $ending"
    # The launcher's own files; Qt's runtime folder (XDG_RUNTIME_DIR is unset) is the program's.
    left=$(ls -A "$scratch/demo-tmp" | grep '^dorvik-demo\.' || true)
    [ -z "$left" ] || fail "the demo after $ending left files in its TMPDIR: $left"
    wait "$demo_pid" 2>/dev/null || true
    demo_pid=
done

echo "check_package: OK (settings in ${settings#"$scratch/home/config/"}; the demo found its unit and left nothing behind, killed too)"

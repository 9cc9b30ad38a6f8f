#!/usr/bin/env bash
# Checks the Debian package that scripts/package.sh built, as far as a machine without containers can:
#
#   - its control fields: name, version, architecture, the libraries it depends on (from
#     dpkg-shlibdeps) and the Qt platform plugins, FreeImage only recommended;
#   - no maintainer scripts and no conffiles: only control and md5sums in its control part;
#   - its file list, exactly packaging/package-files.txt, with the modes Debian expects;
#   - lintian: no errors or warnings, and none of the infos of binaries stripped short of Debian's way,
#     built without Debian's hardening flags or overridden without need (everything it says is printed,
#     the overridden tags too);
#   - its md5sums match its files; the desktop entry (desktop-file-validate);
#   - every dependency installable from the archive on a Debian machine with nothing installed (apt's
#     solver on an empty package status);
#   - installed with dpkg --root into a fresh root: the menu entry's program and icon are there, the
#     binaries find every library, the program answers --version, starts on Qt's offscreen platform
#     with its file-browser library loaded from the package, and takes a second start's picture;
#   - the installed AppStream metainfo: Debian's appstreamcli validates it with no error, warning or
#     info (pedantic remarks are printed);
#   - removed (dpkg --remove, as apt-get remove does): nothing of the package is left in that root, and
#     dpkg no longer lists it, not even as "rc" (removed, configuration left).
#
# Usage: scripts/check-package.sh [PACKAGE]   (default: the one in build-package/)
# Needs root (dpkg --root) and the packages of `scripts/install-deps.sh package`.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
package=$(realpath "${1:-$(ls "$root"/build-package/orvalis_*_amd64.deb)}")
version=$(sed -n 's/^project(Orvalis VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")

"$root/scripts/install-deps.sh" package

started=$(date +%s)
pass() { echo "ok   $*"; }
fail() {
    echo "FAIL $*" >&2
    exit 1
}
work=$(mktemp -d /tmp/orvalis-package.XXXXXX)
program_pid=""
cleanup() {
    if [[ -n "$program_pid" ]] && kill -0 "$program_pid" 2>/dev/null; then
        kill -9 "$program_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# --- Control fields -----------------------------------------------------------------------------------

field() { dpkg-deb --field "$package" "$1"; }
[[ "$(field Package)" == orvalis ]] || fail "the package is named $(field Package)"
[[ "$(field Version)" == "$version" ]] || fail "the package's version is $(field Version), not $version"
[[ "$(field Architecture)" == amd64 ]] || fail "the package is for $(field Architecture)"
[[ "$(basename "$package")" == "orvalis_${version}_amd64.deb" ]] || fail "the package file is $(basename "$package")"
depends=$(field Depends)
recommends=$(field Recommends)
# The names alone, one a line.
names() { tr ',|' '\n' <<<"$1" | sed 's/([^)]*)//; s/^ *//; s/ *$//' | sed '/^$/d'; }
for needed in libc6 libstdc++6 libgcc-s1 libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 \
    libjpeg62-turbo libopenjp2-7 zlib1g qt6-qpa-plugins qt6-wayland; do
    names "$depends" | grep -qx "$needed" || fail "Depends lacks $needed: $depends"
done
names "$depends" | grep -qx libfreeimage3 && fail "FreeImage is a dependency, not a recommendation: $depends"
names "$recommends" | grep -qx libfreeimage3 || fail "FreeImage is not recommended: $recommends"
names "$recommends" | grep -qx libheif1 || fail "libheif (HEIF and AVIF) is not recommended: $recommends"
names "$depends" | grep -qx libheif1 && fail "libheif is a dependency, not a recommendation: $depends"
names "$recommends" | grep -qx libjxl0.7 || fail "libjxl (JPEG XL) is not recommended: $recommends"
names "$depends" | grep -qx libjxl0.7 && fail "libjxl is a dependency, not a recommendation: $depends"
pass "orvalis $version for amd64; Depends: $depends; Recommends: $recommends"

# Maintainer scripts or conffiles would keep the package in dpkg's database after apt-get remove.
control_part=$(dpkg-deb --ctrl-tarfile "$package" | tar -t | sed 's|^\./||; /^$/d' | sort | tr '\n' ' ')
[[ "$control_part" == "control md5sums " ]] ||
    fail "the package's control part holds more than control and md5sums: $control_part"
pass "no maintainer scripts, no conffiles"

# --- Files --------------------------------------------------------------------------------------------

dpkg-deb --contents "$package" >"$work/contents"
# Files and links only (folders come with them), as absolute paths.
awk '$1 !~ /^d/ { print substr($6, 2) }' "$work/contents" | sort >"$work/files"
sort "$root/packaging/package-files.txt" >"$work/expected"
diff -u "$work/expected" "$work/files" >"$work/files.diff" ||
    fail "the package's files differ from packaging/package-files.txt: $(cat "$work/files.diff")"
while read -r mode owner _ _ _ path; do
    path=${path#.}
    [[ "$owner" == root/root ]] || fail "$path belongs to $owner"
    case "$path" in
        /usr/bin/orvalis | /usr/lib/orvalis/orvalis-decoder) [[ "$mode" == -rwxr-xr-x ]] ;;
        */) [[ "$mode" == drwxr-xr-x ]] ;;
        *) [[ "$mode" == -rw-r--r-- ]] ;;
    esac || fail "$path has the mode $mode"
done <"$work/contents"
pass "$(wc -l <"$work/files") files as listed in packaging/package-files.txt, owned by root with Debian's modes"

# --- lintian, the desktop entry -------------------------------------------------------------------------

lintian_status=0
lintian --fail-on error,warning --display-info --show-overrides "$package" >"$work/lintian" 2>&1 ||
    lintian_status=$?
sed 's/^/     lintian: /' "$work/lintian"
((lintian_status == 0)) || fail "lintian reports errors or warnings"
# Infos that say the package is not built or stripped as Debian builds and strips, that ldconfig runs
# from a maintainer script, or that an override in packaging/lintian-overrides no longer matches.
for tag in binary-has-unneeded-section hardening-no-fortify-functions hardening-no-bindnow \
    maintscript-calls-ldconfig unused-override mismatched-override; do
    if grep -q "^[EWI]: orvalis: $tag\b" "$work/lintian"; then
        fail "lintian says $tag: $(grep "^[EWI]: orvalis: $tag\b" "$work/lintian")"
    fi
done
pass "lintian: no errors or warnings, $(grep -c '^I:' "$work/lintian" || true) infos, $(grep -c '^O:' "$work/lintian" || true) overridden"

extracted="$work/extracted"
dpkg-deb --extract "$package" "$extracted"
# The package is packed a second time after CPack (packaging/drop-ldconfig-scripts.cmake): its md5sums
# must still be those of its files.
(cd "$extracted" && md5sum --check --quiet <(dpkg-deb --info "$package" md5sums)) >"$work/md5sums" 2>&1 ||
    fail "the package's md5sums do not match its files: $(cat "$work/md5sums")"
desktop="$extracted/usr/share/applications/com.quenmark.Orvalis.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop entry"
grep -qx 'Exec=orvalis %F' "$desktop" || fail "the desktop entry does not start orvalis with the chosen files"
grep -q '^MimeType=.*image/jpeg;' "$desktop" || fail "the desktop entry offers Orvalis for no JPEG"
pass "md5sums match; desktop entry valid; Exec=orvalis %F with $(sed -n 's/^MimeType=//p' "$desktop" | tr ';' '\n' | grep -c .) picture types"

# --- Installable on a machine with nothing installed --------------------------------------------------

# apt's solver against an empty package status: every dependency, and theirs, must be in the archive.
: >"$work/empty-status"
simulate() {
    apt-get --simulate --no-install-recommends -o Dir::State::status="$work/empty-status" \
        -o Debug::NoLocking=1 install "$package" >"$work/simulate" 2>&1
}
if ! simulate; then
    apt-get update -qq
    simulate || fail "apt cannot install the package on a bare machine: $(tail -n 20 "$work/simulate")"
fi
for needed in libqt6widgets6 qt6-qpa-plugins qt6-wayland libjpeg62-turbo libopenjp2-7; do
    grep -q "^Inst $needed " "$work/simulate" || fail "installing on a bare machine does not bring $needed"
done
grep -q "^Inst orvalis " "$work/simulate" || fail "apt does not install orvalis itself: $(tail -n 5 "$work/simulate")"
pass "installable on a bare Debian machine: $(grep -c '^Inst ' "$work/simulate") packages with their dependencies"

# --- Installed into a fresh root ------------------------------------------------------------------------

fresh="$work/root"
mkdir -p "$fresh/var/lib/dpkg/info" "$fresh/var/lib/dpkg/updates"
: >"$fresh/var/lib/dpkg/status"
dpkg_root=(dpkg --root="$fresh" --force-depends --force-script-chrootless --force-not-root)
"${dpkg_root[@]}" --install "$package" >"$work/dpkg-install" 2>&1 ||
    fail "dpkg --root --install failed: $(cat "$work/dpkg-install")"
dpkg --root="$fresh" --listfiles orvalis | grep -q '^/usr/bin/orvalis$' || fail "dpkg does not list /usr/bin/orvalis"
[[ -x "$fresh/usr/bin/$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")" ]] ||
    fail "the desktop entry's program is not in /usr/bin"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[[ -f "$fresh/usr/share/icons/hicolor/48x48/apps/$icon.png" ]] || fail "the desktop entry's icon $icon is not in the hicolor theme"
for binary in usr/bin/orvalis usr/lib/orvalis/orvalis-decoder usr/lib/orvalis/libBrackwell.so; do
    if ldd "$fresh/$binary" | grep -q 'not found'; then
        fail "$binary misses libraries: $(ldd "$fresh/$binary" | grep 'not found')"
    fi
done
[[ "$("$fresh/usr/bin/orvalis" --version)" == "orvalis $version" ]] || fail "the installed program's --version is wrong"
pass "installed with dpkg --root: menu entry's program and icon in place, every library found, --version answers"

# The metainfo as installed, as Debian's appstreamcli reads it: errors and warnings fail the validation,
# infos (a tag it does not know, for one) are refused here; pedantic remarks are only printed.
metainfo="$fresh/usr/share/metainfo/com.quenmark.Orvalis.metainfo.xml"
appstream_status=0
appstreamcli validate --no-net --pedantic "$metainfo" >"$work/appstream" 2>&1 || appstream_status=$?
sed 's/^/     appstream: /' "$work/appstream"
((appstream_status == 0)) || fail "appstreamcli rejects the installed metainfo"
grep -q '^[EWI]:' "$work/appstream" && fail "appstreamcli has remarks on the installed metainfo: $(grep '^[EWI]:' "$work/appstream")"
pass "metainfo valid for appstreamcli $(appstreamcli --version | sed -n 's/^AppStream version: //p'): $(grep -c '^P:' "$work/appstream" || true) pedantic remarks"

# The installed program on Qt's offscreen platform, with folders of its own: it loads its file-browser
# library from the package, and a second start hands it a picture and ends.
export QT_QPA_PLATFORM=offscreen HOME="$work/home" XDG_DATA_HOME="$work/home/data" \
    XDG_CONFIG_HOME="$work/home/config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
cp "$fresh/usr/share/icons/hicolor/32x32/apps/com.quenmark.Orvalis.png" "$work/picture.png"
"$fresh/usr/bin/orvalis" >"$work/program.log" 2>&1 &
program_pid=$!
library="$fresh/usr/lib/orvalis/libBrackwell.so"
for _ in $(seq 300); do
    grep -qF "$library" "/proc/$program_pid/maps" 2>/dev/null && [[ -S "$XDG_RUNTIME_DIR/orvalis-$(id -u)-offscreen" ]] && break
    kill -0 "$program_pid" 2>/dev/null || fail "the installed program ended at start: $(cat "$work/program.log")"
    sleep 0.1
done
grep -qF "$library" "/proc/$program_pid/maps" || fail "the installed program did not load $library"
[[ -S "$XDG_RUNTIME_DIR/orvalis-$(id -u)-offscreen" ]] || fail "the installed program takes no hand-overs"
timeout 60 "$fresh/usr/bin/orvalis" "$work/picture.png" >"$work/second.log" 2>&1 ||
    fail "a second start of the installed program failed: $(cat "$work/second.log")"
kill -0 "$program_pid" 2>/dev/null || fail "the installed program ended when a second start handed it a picture"
kill "$program_pid"
wait "$program_pid" 2>/dev/null || true
program_pid=""
pass "the installed program starts with its file-browser library and takes a second start's picture"

# --- Removed again -------------------------------------------------------------------------------------

# Removed as apt-get remove removes it, not purged: with nothing to purge, dpkg forgets it altogether.
"${dpkg_root[@]}" --remove orvalis >"$work/dpkg-remove" 2>&1 || fail "dpkg --root --remove failed: $(cat "$work/dpkg-remove")"
left=$(cd "$fresh" && find . -mindepth 1 -not -path './var/lib/dpkg' -not -path './var/lib/dpkg/*' \
    -not -path './var/lib' -not -path './var')
[[ -z "$left" ]] || fail "removing the package left behind: $left"
listed=$(dpkg --root="$fresh" --list 'orvalis*' 2>/dev/null | grep '^[a-z][a-zA-Z] ' || true)
[[ -z "$listed" ]] || fail "dpkg still lists the removed package: $listed"
kept=$(find "$fresh/var/lib/dpkg/info" -name 'orvalis.*')
[[ -z "$kept" ]] || fail "dpkg keeps files of the removed package: $kept"
pass "removed: nothing of the package is left in the root, and dpkg no longer lists it"

pass "package checks passed in $(($(date +%s) - started)) s"

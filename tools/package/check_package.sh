#!/usr/bin/env bash
# Checks what the build installs and the Debian package made from it.
#
#   tools/package/check_package.sh BUILD_DIR            validate and inspect
#   tools/package/check_package.sh BUILD_DIR --install  also install the package,
#                                                       run it and remove it (root)
#
# Validates the desktop entry (desktop-file-validate), the AppStream metadata
# (appstreamcli, no network) and the manual pages (man, with warnings on), then
# builds the .deb with CPack, compares its file list with the expected one and
# runs lintian, which must report no errors. Web and mail addresses: the package
# names none but those the build was configured with, and a build configured
# without packaging options names none outside the reserved .invalid domain.
set -euo pipefail
build=$(realpath "$1")
install_it=${2:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check_package: $*" >&2; exit 1; }
cache() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
# The web and mail addresses in the text files given, one a line.
addresses_in() {
  grep -rIhoE 'https?://[^][[:space:]<>"'"'"'()]+|[[:alnum:]._%+-]+@[[:alnum:].-]+\.[[:alpha:]]+' "$@" \
    | sed 's/&amp;/\&/g' | sort -u || true
}

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || fail "no project version in $build/CMakeCache.txt"
app_id=org.brazdovar.Brazdovar

echo "-- install into a temporary prefix"
cmake --install "$build" --prefix "$work/prefix" > /dev/null
share=$work/prefix/share

echo "-- desktop entry, AppStream metadata, manual pages"
desktop-file-validate "$share/applications/$app_id.desktop"
appstreamcli validate --no-net --explain "$share/metainfo/$app_id.metainfo.xml"
grep -q "<release version=\"$version\"" "$share/metainfo/$app_id.metainfo.xml" \
  || fail "the metainfo release is not $version"
for page in "$share"/man/man*/*.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 > /dev/null)
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done
"$work/prefix/bin/brazdovar" --version | grep -qx "brazdovar $version" \
  || fail "brazdovar --version does not say $version"

echo "-- Debian package"
(cd "$build" && cpack -G DEB > "$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$build/brazdovar_${version}_amd64.deb
[ -f "$deb" ] || fail "no $deb"
expected=(
  usr/games/brazdovar usr/games/brazdovar-sim usr/games/brazdovar-imgconv
  usr/share/brazdovar/tank.bmp usr/share/brazdovar/tank2.bmp usr/share/brazdovar/tank3.bmp
  usr/share/brazdovar/tank4.bmp usr/share/brazdovar/ptica.bmp usr/share/brazdovar/blok.bmp
  usr/share/brazdovar/metak.bmp
  "usr/share/applications/$app_id.desktop" "usr/share/metainfo/$app_id.metainfo.xml"
  usr/share/man/man6/brazdovar.6.gz usr/share/man/man6/brazdovar-sim.6.gz
  usr/share/man/man1/brazdovar-imgconv.1.gz
  usr/share/doc/brazdovar/README.md usr/share/doc/brazdovar/changelog.gz
  usr/share/doc/brazdovar/copyright)
for size in 32 48 64 128 256; do
  expected+=("usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png")
done
dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ {sub(/^\.\//, "", $6); print $6}' | sort > "$work/files"
printf '%s\n' "${expected[@]}" | sort > "$work/expected"
diff -u "$work/expected" "$work/files" || fail "the package's files differ from the list above"
dpkg-deb --field "$deb" Section | grep -qx games || fail "section is not games"
dpkg-deb --field "$deb" Depends | grep -q libsdl2 || fail "no computed dependency on SDL2"
# Its warnings are shown; an error fails the check. (It warns about being run
# as root, which says nothing of the package.)
lintian_status=0
lintian --fail-on error "$deb" > "$work/lintian.log" 2>&1 || lintian_status=$?
grep -v 'running with root privileges' "$work/lintian.log" || true
[ "$lintian_status" -eq 0 ] || fail "lintian reports errors"

echo "-- addresses"
homepage=$(cache BRAZDOVAR_HOMEPAGE)
screenshot=$(cache BRAZDOVAR_SCREENSHOT_URL)
maintainer=$(cache BRAZDOVAR_MAINTAINER)
[ "$(dpkg-deb --field "$deb" Maintainer)" = "$maintainer" ] \
  || fail "the Maintainer field is not the configured '$maintainer'"
[ "$(dpkg-deb --field "$deb" Homepage)" = "$homepage" ] \
  || fail "the Homepage field is not the configured '$homepage'"
# Every text file of the package, compressed ones unpacked, and its control files.
dpkg-deb --raw-extract "$deb" "$work/root"
find "$work/root" -name '*.gz' -exec gunzip -k {} +
maintainer_address=${maintainer##*<}
unowned=$(addresses_in "$work/root" | grep -v '\.invalid$' \
  | grep -vxF -e "$homepage" -e "$screenshot" -e "${maintainer_address%>}" || true)
[ -z "$unowned" ] || fail "the package names addresses it was not configured with: $unowned"
# The defaults: the source configured afresh, without packaging options.
cmake -S "$(cache CMAKE_HOME_DIRECTORY)" -B "$work/defaults" -G Ninja -DBRAZDOVAR_TESTS=OFF \
  -DBRAZDOVAR_BENCH=OFF > "$work/defaults.log" 2>&1 || { cat "$work/defaults.log"; fail "cmake failed"; }
unowned=$(addresses_in "$work/defaults/CPackConfig.cmake" "$work/defaults/packaging/$app_id.metainfo.xml" \
  | grep -v '\.invalid$' || true)
[ -z "$unowned" ] || fail "by default the package or its metainfo names $unowned"

if [ "$install_it" = "--install" ]; then
  echo "-- install the package, run it, remove it"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" > "$work/apt.log" 2>&1 \
    || { cat "$work/apt.log"; fail "apt-get install failed"; }
  /usr/games/brazdovar --version | grep -qx "brazdovar $version" \
    || fail "the installed brazdovar --version does not say $version"
  DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq brazdovar > "$work/apt.log" 2>&1 \
    || { cat "$work/apt.log"; fail "apt-get purge failed"; }
  for file in "${expected[@]}"; do
    [ ! -e "/$file" ] || fail "/$file is left after removing the package"
  done
  for dir in /usr/share/brazdovar /usr/share/doc/brazdovar; do
    [ ! -e "$dir" ] || fail "$dir is left after removing the package"
  done
fi
echo "-- package checks passed: $(basename "$deb")"

#!/usr/bin/env bash
# Checks what users get from a built tree: the desktop entry and the store metadata, the tree that
# `cmake --install` lays out, and the Debian package that `cpack -G DEB` makes (its fields, its
# computed dependencies and its file list). Reuses the built tree; never touches the system.
#
#   scripts/check-package.sh BUILD_DIR
#
# Needs desktop-file-utils, appstream, dpkg-dev (scripts/deps.sh installs them).
set -uo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: check-package.sh BUILD_DIR}" && pwd)
work=$(mktemp -d /tmp/sonvelia-package.XXXXXX)
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
pass() { echo "ok: $*"; }

app_id=org.example.sonvelia
desktop=$source_dir/app/$app_id.desktop
metainfo=$source_dir/app/$app_id.metainfo.xml
private_dir=lib/sonvelia    # the program's own folder under the prefix
icon_sizes=(16 32 48 64 128 256)  # pixels, the hicolor PNG sizes shipped

for tool in desktop-file-validate appstreamcli cpack dpkg-deb dpkg-shlibdeps readelf; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (scripts/deps.sh installs it)"; exit 1; }
done

# Width and height of a PNG, from its header (IHDR), as "W H".
png_size() {
  local bytes
  bytes=($(od -An -tu1 -j16 -N8 "$1"))
  [ ${#bytes[@]} -eq 8 ] || return 1
  echo "$(((bytes[0] << 24) | (bytes[1] << 16) | (bytes[2] << 8) | bytes[3]))" \
       "$(((bytes[4] << 24) | (bytes[5] << 16) | (bytes[6] << 8) | bytes[7]))"
}

# --- 1. The sources of the desktop entry and the store metadata -------------------------------
if out=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$out" ]; then
  pass "desktop entry valid"
else
  fail "desktop-file-validate $desktop: $out"
fi
if out=$(appstreamcli validate --strict --no-net "$metainfo" 2>&1); then
  pass "metainfo valid"
else
  fail "appstreamcli validate: $out"
fi
grep -q '^Categories=.*\bAudio;' "$desktop" || fail "the desktop entry is not in the Audio category"
grep -q '^Comment\[fr\]=' "$desktop" || fail "the desktop entry has no French comment"
grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
  fail "the metainfo does not launch $app_id.desktop"

# Every screenshot the metainfo lists is one of ours, stored in app/screenshots with the size the
# metainfo states, and captioned in French as well as English.
failures_before=$failures
shots=0
while read -r width height name; do
  shots=$((shots + 1))
  file=$source_dir/app/screenshots/$name
  if [ ! -f "$file" ]; then
    fail "screenshot $name listed in the metainfo is not in app/screenshots"
  elif [ "$(png_size "$file")" != "$width $height" ]; then
    fail "screenshot $name is $(png_size "$file"), the metainfo says $width x $height"
  fi
done < <(sed -n 's|.*<image type="source" width="\([0-9]*\)" height="\([0-9]*\)">https://sonvelia.example.org/captures/\([^<]*\)</image>.*|\1 \2 \3|p' "$metainfo")
[ "$shots" -ge 1 ] || fail "the metainfo lists no screenshot of ours"
[ "$(grep -c '<screenshot[ >]' "$metainfo")" -eq "$shots" ] ||
  fail "some screenshots of the metainfo are not images under https://sonvelia.example.org/captures/"
[ "$(grep -c '<caption xml:lang="fr">' "$metainfo")" -eq "$shots" ] ||
  fail "not every screenshot has a French caption"
[ "$failures" -eq "$failures_before" ] && pass "$shots screenshots listed, stored and captioned"

# --- 2. A real install into a staging folder --------------------------------------------------
# The prefix is inside the staging folder itself, so nothing can land in the system.
stage=$work/stage
prefix=$stage/usr
if ! cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
  fail "cmake --install: $(cat "$work/install.log")"
fi

expected=(
  bin/sonvelia
  "$private_dir/sonvelia"
  "$private_dir/sonveliamde.html"
  share/applications/$app_id.desktop
  share/metainfo/$app_id.metainfo.xml
  share/icons/hicolor/scalable/apps/sonvelia.svg
  share/man/man1/sonvelia.1.gz
  share/doc/sonvelia/changelog.gz
  share/doc/sonvelia/copyright
)
for size in "${icon_sizes[@]}"; do expected+=("share/icons/hicolor/${size}x${size}/apps/sonvelia.png"); done
# The manual's pictures go beside it: every picture it shows, and nothing it does not.
manual_pictures=$(grep -o 'src="[^"]*"' "$source_dir/docs/sonveliamde.html" | sed 's/src="\(.*\)"/\1/' | sort -u)
for picture in $manual_pictures; do
  case $picture in
    */* | *:*) fail "the manual shows $picture, which is not a file beside it" ;;
    *) expected+=("$private_dir/$picture") ;;
  esac
done
printf '%s\n' "${expected[@]}" | sort >"$work/expected"
(cd "$prefix" && find . ! -type d | sed 's|^\./||' | sort) >"$work/installed"
if diff -u "$work/expected" "$work/installed" >"$work/install.diff"; then
  pass "installed files: $(wc -l <"$work/installed") as expected"
else
  fail "installed files differ from the expected list (- expected, + installed):"
  sed -n '3,$p' "$work/install.diff"
fi

link=$prefix/bin/sonvelia
if [ "$(readlink "$link")" = "../$private_dir/sonvelia" ]; then
  pass "bin/sonvelia -> ../$private_dir/sonvelia"
else
  fail "bin/sonvelia is '$(readlink "$link")', not a link to ../$private_dir/sonvelia"
fi
# The help command looks for the manual in the folder of the real executable.
real=$(readlink -f "$link")
if [ -x "$real" ] && [ -f "$(dirname "$real")/sonveliamde.html" ]; then
  pass "the link leads to the executable, with the manual beside it"
else
  fail "bin/sonvelia does not lead to an executable with sonveliamde.html beside it"
fi
# The installed program starts through the link and keeps running (it has no command line: it is
# stopped after a while; 124 is timeout's status for a program it had to stop).
QT_QPA_PLATFORM=offscreen timeout 3 "$link" >"$work/run.log" 2>&1
status=$?
if [ "$status" -eq 124 ]; then
  pass "the installed program starts and runs"
else
  fail "the installed program ended with status $status: $(cat "$work/run.log")"
fi

failures_before=$failures
for size in "${icon_sizes[@]}"; do
  icon=$prefix/share/icons/hicolor/${size}x${size}/apps/sonvelia.png
  [ -f "$icon" ] && [ "$(png_size "$icon")" != "$size $size" ] &&
    fail "icon ${size}x${size} is $(png_size "$icon") pixels"
done
grep -q '<svg' "$prefix/share/icons/hicolor/scalable/apps/sonvelia.svg" 2>/dev/null ||
  fail "the scalable icon is not an SVG picture"
icon_name=$(sed -n 's/^Icon=//p' "$desktop")
[ "$icon_name" = sonvelia ] || fail "the desktop entry's icon is '$icon_name', the installed icons are sonvelia"
[ "$failures" -eq "$failures_before" ] && pass "icons: SVG and ${icon_sizes[*]} pixel PNGs, named as the entry says"
if out=$(desktop-file-validate "$prefix/share/applications/$app_id.desktop" 2>&1) && [ -z "$out" ] &&
   out=$(appstreamcli validate-tree --strict --no-net "$stage" 2>&1); then
  pass "installed desktop entry and metainfo valid together"
else
  fail "installed tree: $out"
fi

# --- 3. The Debian package --------------------------------------------------------------------
if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/cpack" >"$work/cpack.log" 2>&1; then
  fail "cpack -G DEB: $(cat "$work/cpack.log")"
  echo "$failures failed"
  exit 1
fi
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
arch=$(dpkg --print-architecture)
deb=$work/cpack/sonvelia_${version}_$arch.deb
if [ -f "$deb" ]; then
  pass "package $(basename "$deb") built"
else
  fail "no $(basename "$deb") in: $(ls "$work/cpack")"
  echo "$failures failed"
  exit 1
fi

field() { dpkg-deb -f "$deb" "$1"; }
failures_before=$failures
[ "$(field Package)" = sonvelia ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', the project is $version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is '$(field Architecture)'"
[ "$(field Section)" = sound ] || fail "Section is '$(field Section)'"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo has no release $version"
changelog_top=$(gzip -dc "$prefix/share/doc/sonvelia/changelog.gz" 2>/dev/null | head -1)
[[ $changelog_top == "sonvelia ($version) "* ]] ||
  fail "the change log starts with '$changelog_top', not with version $version"
gzip -dc "$prefix/share/man/man1/sonvelia.1.gz" 2>/dev/null | grep -q '^\.TH SONVELIA 1 ' ||
  fail "the manual page is not a section 1 page of sonvelia"
[ "$failures" -eq "$failures_before" ] && pass "fields: $(field Package) $(field Version) $(field Architecture), section $(field Section)"

# Depends is computed from the executable: every library it needs must come from a package that
# Depends names with a version, and the sound and widget libraries must be among them.
depends=$(field Depends)
echo "   Depends: $depends"
dep_names=" $(echo "$depends" | tr ',' '\n' | sed 's/^ *\([^ (]*\).*/\1/' | tr '\n' ' ') "
for needed in libqt6widgets6 libpulse0; do
  echo "$depends" | grep -Eq "(^|, )$needed \(>= [^)]+\)" || fail "Depends lacks '$needed (>= ...)'"
done
dpkg-deb -x "$deb" "$work/unpacked"
executable=$work/unpacked/usr/$private_dir/sonvelia
# The package owning a library file; dpkg may know it under /lib or /usr/lib (merged /usr).
owner_of() {
  local path candidate
  for path in "$1" "$(readlink -f "$1")"; do
    for candidate in "$path" "${path#/usr}" "/usr$path"; do
      dpkg -S "$candidate" 2>/dev/null | head -1 | cut -d: -f1 | grep . && return 0
    done
  done
  return 1
}
failures_before=$failures
while read -r soname; do
  path=$(ldconfig -p | awk -v so="$soname" '$1 == so { print $NF; exit }')
  owner=$([ -n "$path" ] && owner_of "$path")
  if [ -z "$owner" ]; then
    fail "no package provides $soname, which the executable needs"
  elif [[ $dep_names != *" $owner "* ]]; then
    fail "$soname comes from $owner, which Depends does not name"
  fi
done < <(readelf -d "$executable" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
case $depends in *-dev*) fail "Depends names a development package" ;; esac
[ "$failures" -eq "$failures_before" ] && pass "every library the executable needs is covered by Depends"

# The package holds exactly the installed tree, the link kept as a link.
dpkg-deb -c "$deb" >"$work/contents"
awk '$1 !~ /^d/ { sub(/^\.\/usr\//, "", $6); print $6 }' "$work/contents" | sort >"$work/packaged"
if diff -u "$work/installed" "$work/packaged" >"$work/package.diff"; then
  pass "package files: the installed tree"
else
  fail "package files differ from the installed tree (- installed, + packaged):"
  sed -n '3,$p' "$work/package.diff"
fi
grep -q "^l.* \./usr/bin/sonvelia -> \.\./$private_dir/sonvelia$" "$work/contents" ||
  fail "the package's usr/bin/sonvelia is not the link to ../$private_dir/sonvelia"
grep -q "^-rwxr-xr-x .* \./usr/$private_dir/sonvelia$" "$work/contents" ||
  fail "the package's executable is not mode 755"

if [ "$failures" -eq 0 ]; then
  echo "package checks passed"
else
  echo "$failures package checks failed"
  exit 1
fi

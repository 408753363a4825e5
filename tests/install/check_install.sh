#!/usr/bin/env bash
# The installed program and its Debian package, checked as a desktop and dpkg see them.
#   check_install.sh tree|package BUILD_DIR SOURCE_DIR APP_ID VERSION OFFICE_PROGRAM_DIR
#   tree:    installs into a temporary DESTDIR; the program runs from there by its PATH name,
#            without a display; the desktop entry and the metainfo pass their validators.
#   package: builds the .deb with cpack and checks its name, control fields and file list.
set -euo pipefail
mode=$1 build=$2 source=$3 id=$4 version=$5 office=$6
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# The files of the installed tree, relative to the prefix.
files=(bin/slide-ferry bin/slide-ferry-batch "share/applications/$id.desktop"
  "share/metainfo/$id.metainfo.xml" "share/icons/hicolor/scalable/apps/$id.svg"
  share/man/man1/slide-ferry.1.gz share/man/man1/slide-ferry-batch.1.gz)
for size in 16 22 24 32 48 64 128 256; do
  files+=("share/icons/hicolor/${size}x${size}/apps/$id.png")
done

if [ "$mode" = tree ]; then
  DESTDIR="$tmp/root" cmake --install "$build" --prefix /usr >/dev/null
  prefix="$tmp/root/usr"
  for f in "${files[@]}"; do [ -s "$prefix/$f" ] || fail "not installed: $f"; done
  for size in 16 48 256; do
    file "$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png" |
      grep -q "PNG image data, $size x $size" || fail "icon of $size px has another size"
  done
  zcat "$prefix/share/man/man1/slide-ferry.1.gz" | grep -qF '\-\-version' ||
    fail "the manual page lacks the options of --help"

  # No display, no build tree: only the prefix on PATH and the office's own directory.
  run() { env -i PATH="$prefix/bin:/usr/bin:/bin" HOME="$tmp" slide-ferry "$@"; }
  [ "$(run --version)" = "slide-ferry $version" ] || fail "--version: $(run --version)"
  run --help | grep -q '^Usage: slide-ferry \[options\] \[FILE\]$' || fail "--help: $(run --help)"
  batch() { env -i PATH="$prefix/bin:/usr/bin:/bin" HOME="$tmp" slide-ferry-batch "$@"; }
  batch --help | grep -q '^Usage: slide-ferry-batch \[OPTION\]' || fail "batch --help: $(batch --help)"
  [ "$(batch --version)" = "slide-ferry-batch $version" ] || fail "batch --version"
  zcat "$prefix/share/man/man1/slide-ferry-batch.1.gz" | grep -qF 'SLIDE_FERRY_LUMORA_PASSWORD' ||
    fail "the batch manual page lacks the text of its --help"
  # The batch command runs where there is no display: it must not load Qt's widgets.
  ! readelf -d "$prefix/bin/slide-ferry-batch" | grep -q 'libQt6Widgets' ||
    fail "slide-ferry-batch links Qt Widgets"
  for program in slide-ferry slide-ferry-batch; do
    runpath=$(readelf -d "$prefix/bin/$program" | sed -n 's/.*R.*PATH.*\[\(.*\)\]/\1/p')
    [ "$runpath" = "$office" ] || fail "$program: runpath is '$runpath', not the office's $office"
  done

  checked=$(desktop-file-validate "$prefix/share/applications/$id.desktop" 2>&1) ||
    fail "desktop-file-validate: $checked"
  if grep -v ': hint: ' <<<"$checked" | grep -q .; then fail "desktop-file-validate: $checked"; fi
  appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" >"$tmp/as.log" ||
    fail "appstreamcli validate: $(cat "$tmp/as.log")"
  exit 0
fi

# package
(cd "$build" && cpack -G DEB -B "$tmp" >/dev/null)
deb="$tmp/slide-ferry_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $deb among: $(ls "$tmp")"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package) $(field Version)" = "slide-ferry $version" ] || fail "Package/Version"
depends=$(field Depends)
# From dpkg-shlibdeps (Qt, libcurl, the URE), and the office's Impress named by hand.
for dep in libc6 libqt6widgets6 libcurl4 libuno-cppu3 'libreoffice-impress-nogui | libreoffice-impress'; do
  [[ "$depends" == *"$dep"* ]] || fail "Depends lacks $dep: $depends"
done
[[ "$depends" != *python* ]] || fail "the demo server's Python is no dependency: $depends"
dpkg-deb -c "$deb" | awk '{print $6}' >"$tmp/list"
for f in "${files[@]}"; do grep -qx "./usr/$f" "$tmp/list" || fail "package lacks /usr/$f"; done
dpkg-deb -x "$deb" "$tmp/x"
file "$tmp/x/usr/bin/slide-ferry" | grep -q ', stripped' || fail "the binary is not stripped"
! strings "$tmp/x/usr/bin/slide-ferry" | grep -q -e "$build" -e "$source" ||
  fail "the binary names a path of the build or source tree"

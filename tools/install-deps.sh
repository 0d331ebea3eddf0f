#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages that building, testing or benchmarking Korvane
# need, when they are missing, and then checks that what is installed can do
# what the task needs (for the tests: ImageMagick reads BMP and WMF, unrtf,
# halibut and clang run, Qt's translations are there). Says what is missing
# and exits with 1 when a check fails, 2 for a usage error.
# Usage: tools/install-deps.sh [build|test|bench]
set -euo pipefail

task="${1:-build}"
# libjs-lunr is built into the library: every web site carries it for its
# search; libicu-dev folds the text of that search.
# libchm-dev reads back the HTML Help files that fp-utils' chmcmd compiles
# (--chm), so that their context map can be written.
want=(cmake make g++ pkgconf libgtest-dev qt6-base-dev halibut libuchardet-dev libmagick++-dev libjs-lunr libicu-dev
      libchm-dev fp-utils)
case "$task" in
  build) ;;
  # libmagickcore-6.q16-6-extra holds ImageMagick's WMF coder, which a
  # --no-install-recommends install of imagemagick leaves out.
  # python3, tidy and chromium check the sites of the HTML export
  # (tests/html/check_site.sh). mingw-w64 (with zlib and GoogleTest's
  # source) cross-builds the Windows programs, Wine runs their tests.
  test) want+=(clang unrtf imagemagick libmagickcore-6.q16-6-extra libwmf-bin qt6-translations-l10n xvfb xauth
        lintian desktop-file-utils appstream groff-base man-db dpkg-dev python3 tidy chromium xz-utils
        xdg-utils shared-mime-info libfile-mimeinfo-perl libglib2.0-bin
        g++-mingw-w64-x86-64-posix libz-mingw-w64-dev googletest wine wine64
        libchm-bin python3-chm xchm node-acorn x11-utils) ;;
  bench) want+=(bc python3) ;;
  *) echo "usage: $0 [build|test|bench]" >&2; exit 2 ;;
esac

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep 'install ok installed' >/dev/null || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}" >&2
  SUDO=()
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
      SUDO=(sudo)
    else
      echo "install-deps: not root and no sudo: cannot install ${missing[*]}" >&2
    fi
  fi
  export DEBIAN_FRONTEND=noninteractive
  if ! { "${SUDO[@]}" apt-get update -qq &&
         "${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; }; then
    echo "install-deps: apt-get could not install all of: ${missing[*]}" >&2
  fi
fi

# What the task needs, checked whether or not anything was installed.
problems=()
need_program() {  # PROGRAM PACKAGE
  command -v "$1" >/dev/null 2>&1 || problems+=("the program $1 (package $2)")
}
need_file() {  # GLOB WHAT PACKAGE
  compgen -G "$1" >/dev/null || problems+=("$2 (package $3)")
}
need_pkg_config() {  # MODULE WHAT PACKAGE
  pkg-config --exists "$1" 2>/dev/null || problems+=("$2 for pkg-config (package $3)")
}

need_program cmake cmake
need_program make make
need_program g++ g++
need_file '/usr/include/gtest/gtest.h' 'the GoogleTest headers' libgtest-dev
need_file '/usr/lib/*/cmake/Qt6Widgets/Qt6WidgetsConfig.cmake' 'Qt 6 Widgets for CMake' qt6-base-dev
need_program halibut halibut
need_pkg_config uchardet 'uchardet' libuchardet-dev
need_pkg_config Magick++ "ImageMagick's Magick++" libmagick++-dev
need_pkg_config icu-uc 'ICU' libicu-dev
need_file '/usr/share/javascript/lunr/lunr.min.js' 'lunr.js' libjs-lunr
need_file '/usr/include/chm_lib.h' "chmlib's header" libchm-dev
need_program chmcmd fp-utils

case "$task" in
  test)
    need_program clang++ clang
    # xz unpacks the fuzzing campaign's corpus.
    need_program xz xz-utils
    need_program unrtf unrtf
    need_program identify imagemagick
    need_program compare imagemagick
    if command -v convert >/dev/null 2>&1; then
      formats="$(convert -list format 2>/dev/null || true)"
      # Lines like "      WMF* WMF       r--   Windows Meta File": the mode
      # must allow reading.
      for f in BMP WMF; do
        grep -Eq "^ *$f\*? +[A-Z0-9]+ +r" <<<"$formats" ||
          problems+=("ImageMagick reading $f (convert -list format; WMF is in package libmagickcore-6.q16-6-extra)")
      done
      grep -Eq "^ *PNG\*? +[A-Z0-9]+ +rw" <<<"$formats" || problems+=("ImageMagick reading and writing PNG (convert -list format)")
    else
      problems+=("the program convert (package imagemagick)")
    fi
    need_program wmf2svg libwmf-bin
    need_file '/usr/share/qt6/translations/qtbase_de.qm' "Qt's German translations" qt6-translations-l10n
    need_program Xvfb xvfb
    need_program xauth xauth
    need_program lintian lintian
    need_program desktop-file-validate desktop-file-utils
    # The file types of an installation as xdg-open sees them
    # (tests/install/check_install.sh): xdg-mime asks mimetype on a desktop
    # it does not know and gio on GNOME's.
    need_program update-desktop-database desktop-file-utils
    need_program update-mime-database shared-mime-info
    need_program xdg-mime xdg-utils
    need_program mimetype libfile-mimeinfo-perl
    need_program gio libglib2.0-bin
    need_program appstreamcli appstream
    need_program dpkg-shlibdeps dpkg-dev
    need_program python3 python3
    need_program tidy tidy
    need_program x86_64-w64-mingw32-g++-posix g++-mingw-w64-x86-64-posix
    need_file '/usr/x86_64-w64-mingw32/lib/libz.a' 'zlib for mingw-w64' libz-mingw-w64-dev
    need_file '/usr/src/googletest/CMakeLists.txt' "GoogleTest's source" googletest
    need_program wine wine
    need_file '/usr/lib/wine/wine64' 'the 64-bit Wine' wine64
    # HTML5 elements (nav, header) and the hidden attribute are known from
    # tidy 5 on; version 4's "-v" prints no version number.
    tidy -v 2>/dev/null | grep -Eq 'version [5-9]' || problems+=("tidy 5 or later (package tidy)")
    # The HTML Help files (tests/chm): read back with chmlib, from the
    # system's Python (python3-chm is built for it alone), their scripts
    # parsed by acorn, shown by xchm under Xvfb and measured.
    need_program extract_chmLib libchm-bin
    /usr/bin/python3 -c 'import chm.chmlib, chm.extra' 2>/dev/null || problems+=("chmlib for /usr/bin/python3 (package python3-chm)")
    need_program node node-acorn
    node -e 'require("/usr/share/nodejs/acorn")' 2>/dev/null || problems+=("acorn for node (package node-acorn)")
    need_program xchm xchm
    need_program xwininfo x11-utils
    need_program chromium chromium
    if command -v chromium >/dev/null 2>&1; then
      # It must start headless as this user and run a page's script.
      profile="$(mktemp -d)"
      dom="$(timeout 60 chromium --headless --no-sandbox --disable-gpu --user-data-dir="$profile" --dump-dom \
        'data:text/html,<p id=p></p><script>document.getElementById("p").textContent="r"+"uns"</script>' 2>/dev/null || true)"
      rm -rf "$profile"
      grep -q '<p id="p">runs</p>' <<<"$dom" || problems+=("chromium running headless with scripts (package chromium)")
    fi
    ;;
  bench)
    need_program bc bc
    ;;
esac

if [ ${#problems[@]} -gt 0 ]; then
  echo "install-deps: the $task task cannot run; missing:" >&2
  for p in "${problems[@]}"; do echo "  - $p" >&2; done
  echo "Install them (apt-get install as root) and run again." >&2
  exit 1
fi

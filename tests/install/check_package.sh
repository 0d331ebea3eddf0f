#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package from the build folder and checks it as the
# distribution would: lintian without errors, the control fields, a
# dependency for the package of every shared library the programs load,
# and, unpacked into a scratch root, exactly the installed files.
# Usage: check_package.sh BUILD_DIR VERSION
set -euo pipefail
build=$(cd "$1" && pwd) version=$2
here=$(cd "$(dirname "$0")" && pwd)
for tool in cpack dpkg-deb dpkg-shlibdeps lintian objdump; do
    command -v "$tool" >/dev/null || { echo "missing $tool: run tools/install-deps.sh test" >&2; exit 1; }
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0
problem() { echo "FAIL: $*" >&2; failed=1; }

(cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >cpack.log 2>&1) ||
    { cat "$scratch/cpack.log" >&2; exit 1; }
debs=("$scratch"/out/korvane_*.deb)
[[ ${#debs[@]} == 1 && -f ${debs[0]} ]] || { echo "FAIL: no single korvane_*.deb" >&2; exit 1; }
deb=${debs[0]}
arch=$(dpkg --print-architecture)
[[ $(basename "$deb") == "korvane_${version}_$arch.deb" ]] || problem "package file named $(basename "$deb")"

# Lintian: errors fail, the rest is shown.
lintian --fail-on error "$deb" || problem "lintian reports errors"

field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Package) == korvane ]] || problem "Package: $(field Package)"
[[ $(field Version) == "$version" ]] || problem "Version: $(field Version)"
[[ $(field Architecture) == "$arch" ]] || problem "Architecture: $(field Architecture)"
depends=$(field Depends)
echo "Depends: $depends"
depended=$(sed 's/ *([^)]*)//g; s/ *| */\n/g; s/, */\n/g' <<<"$depends")

root=$scratch/root
dpkg -x "$deb" "$root"

# Every shared library a program needs comes from a package it depends on.
for program in "$root"/usr/bin/*; do
    for lib in $(objdump -p "$program" | awk '$1 == "NEEDED" { print $2 }'); do
        path=$(ldconfig -p | awk -v l="$lib" '$1 == l && !found { print $NF; found = 1 }')
        [[ -n $path ]] || { problem "$lib (needed by $(basename "$program")) is not installed here"; continue; }
        owner=$(dpkg -S "$(readlink -f "$path")" 2>/dev/null | sed -n 1p | cut -d: -f1) ||
            owner=$(dpkg -S "$path" | sed -n 1p | cut -d: -f1)
        grep -qxF "$owner" <<<"$depended" ||
            problem "$(basename "$program") needs $lib from $owner, which is not in Depends"
    done
done
# The GUI needs Qt's platform plugins, which no program links against.
if objdump -p "$root/usr/bin/korvane" | grep 'NEEDED.*libQt6Widgets' >/dev/null; then
    grep -qx 'qt6-qpa-plugins' <<<"$depended" || problem "Depends lacks qt6-qpa-plugins"
fi

# Exactly the installed files, under /usr, owned by root.
expected=$(grep -v -e '^#' -e '^$' "$here/installed_files.txt" | sed 's|^|./usr/|' | sort)
actual=$(cd "$root" && find . -type f -o -type l | sort)
[[ $actual == "$expected" ]] || problem "package contents differ:
$(diff <(echo "$expected") <(echo "$actual") || true)"
owners=$(dpkg-deb -c "$deb" | awk '$2 != "root/root"')
[[ -z $owners ]] || problem "files not owned by root: $owners"
[[ $("$root/usr/bin/korvane-cli" --version) == "korvane-cli $version" ]] ||
    problem "the packaged korvane-cli does not run"

exit $failed

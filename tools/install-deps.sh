#!/usr/bin/env bash
# Installs the Debian packages that building and testing Korvane need, when
# they are missing. Usage: tools/install-deps.sh [build|test|bench]
set -euo pipefail

want=(cmake make g++ libgtest-dev qt6-base-dev halibut libuchardet-dev)
case "${1:-build}" in
  test) want+=(clang unrtf imagemagick libwmf-bin xvfb xauth lintian desktop-file-utils appstream groff-base man-db dpkg-dev) ;;
  bench) want+=(bc) ;;
esac

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}" >&2
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

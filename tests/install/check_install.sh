#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the build into a scratch prefix and checks what a desktop and a
# shell get from it: every file, the desktop entry, the metainfo file and
# the manual pages through their validators, the manual and the completion
# against korvane-cli's own option list, and the completion through bash.
# Usage: check_install.sh BUILD_DIR VERSION
set -euo pipefail
build=$1 version=$2
here=$(cd "$(dirname "$0")" && pwd)
for tool in desktop-file-validate appstreamcli groff man; do
    command -v "$tool" >/dev/null || { echo "missing $tool: run tools/install-deps.sh test" >&2; exit 1; }
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix=$scratch/usr
cmake --install "$build" --prefix "$prefix" >/dev/null

failed=0
problem() { echo "FAIL: $*" >&2; failed=1; }

while read -r f; do
    [[ -z $f || $f == \#* ]] && continue
    [[ -f $prefix/$f ]] || problem "not installed: $f"
done <"$here/installed_files.txt"
[[ $failed == 0 ]] || exit 1

[[ $("$prefix/bin/korvane-cli" --version) == "korvane-cli $version" ]] ||
    problem "korvane-cli --version does not say $version"

# Desktop entry and metainfo: the validators, the MIME type of help files,
# an Exec and a launchable that point at what was installed.
desktop=$prefix/share/applications/org.korvane.Korvane.desktop
metainfo=$prefix/share/metainfo/org.korvane.Korvane.metainfo.xml
desktop-file-validate "$desktop" || problem "desktop-file-validate"
appstreamcli validate --no-net "$metainfo" || problem "appstreamcli validate"
grep -qx 'MimeType=application/winhlp;' "$desktop" || problem "the desktop entry lacks application/winhlp"
exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[[ -x $prefix/bin/$exec_program ]] || problem "Exec names '$exec_program', which is not installed"
grep -q "<launchable type=\"desktop-id\">$(basename "$desktop")</launchable>" "$metainfo" ||
    problem "the metainfo file does not launch $(basename "$desktop")"

# Manual pages: no warnings from groff or man.
for page in korvane korvane-cli; do
    gz=$prefix/share/man/man1/$page.1.gz
    warnings=$(zcat "$gz" | groff -ww -z -man 2>&1)
    [[ -z $warnings ]] || problem "groff on $page.1: $warnings"
    warnings=$(MANWIDTH=80 man --warnings -l "$gz" 2>&1 >/dev/null)
    [[ -z $warnings ]] || problem "man on $page.1: $warnings"
done

# Every option that korvane-cli --help lists is in its manual and completes.
mapfile -t options < <("$prefix/bin/korvane-cli" --help |
    grep -oE '(^|[ ,])--?[A-Za-z][A-Za-z-]*' | tr -d ' ,' | sort -u)
[[ ${#options[@]} -ge 10 ]] || problem "korvane-cli --help lists only ${#options[@]} options"
manual=$(zcat "$prefix/share/man/man1/korvane-cli.1.gz" | groff -man -Tascii -P-cbou 2>/dev/null)
for o in "${options[@]}"; do
    grep -qE -- "(^|[^-A-Za-z])$o([^A-Za-z-]|\$)" <<<"$manual" || problem "korvane-cli.1 does not mention $o"
done

# Completion: runs the installed script in a bare bash inside a folder of
# sample files and prints the candidates for the command line given, whose
# last word is the one being completed ("%" stands for an empty word).
files=$scratch/files
mkdir -p "$files/sub" "$files/Sources"
touch "$files/A.HLP" "$files/b.hlp" "$files/c.txt" "$files/D.Mvb" "$files/e.m13" "$files/sub/F.HLP"
complete_words() {
    (cd "$files" && LC_ALL=C bash --norc --noprofile -c '
        compopt() { :; }  # only valid while readline completes
        source "$1"; shift
        line=$(complete -p "$1") || exit 1
        fn=${line##*-F }; fn=${fn%% *}
        COMP_WORDS=("${@//%/}"); COMP_CWORD=$(($# - 1))
        COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
        "$fn" "$1" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
        [[ ${#COMPREPLY[@]} -eq 0 ]] || printf "%s\n" "${COMPREPLY[@]}" | sort' _ "$1" "${@:2}")
}
check_completion() {
    local script=$1 expected=$2
    shift 2
    local got
    got=$(complete_words "$script" "$@" | tr '\n' ' ')
    [[ $got == "$expected" ]] || problem "completing '$*': got '$got', want '$expected'"
}
completions=$prefix/share/bash-completion/completions
for command in korvane korvane-cli; do
    while IFS='|' read -r expected words; do
        # shellcheck disable=SC2086
        check_completion "$completions/$command" "$expected" $command $words
    done <<'CASES'
A.HLP D.Mvb Sources b.hlp e.m13 sub |%
A.HLP |A
sub/F.HLP |sub/F
CASES
done
while IFS='|' read -r expected words; do
    # shellcheck disable=SC2086
    check_completion "$completions/korvane-cli" "$expected" korvane-cli $words
done <<'CASES'
--print |--pr
--page-break --print |--p
--output-dir= |--out
Sources sub |-C %
Sources |-C S
Sources sub |--output-dir = %
--output-dir=Sources |--output-dir=S
932 936 |--codepage = 93
|--flags = %
A.HLP |-q --print A
CASES
check_completion "$completions/korvane" "--help " korvane --he
mapfile -t offered < <(complete_words "$completions/korvane-cli" korvane-cli - | tr -d =)
for o in "${options[@]}"; do
    printf '%s\n' "${offered[@]}" | grep -x -- "$o" >/dev/null || problem "completion does not offer $o"
done

exit $failed

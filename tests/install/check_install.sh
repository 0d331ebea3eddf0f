#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the build into a scratch prefix and checks what a desktop and a
# shell get from it: every file, the desktop entry, the metainfo file and
# the manual pages through their validators, the file types that the
# desktop opens with Korvane, the manuals and the completions against each
# program's own option list, and the completion through bash.
# Usage: check_install.sh BUILD_DIR VERSION
set -euo pipefail
build=$1 version=$2
here=$(cd "$(dirname "$0")" && pwd)
for tool in desktop-file-validate appstreamcli groff man update-mime-database update-desktop-database xdg-mime \
    mimetype gio; do
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

# Desktop entry and metainfo: the validators, an Exec and a launchable
# that point at what was installed.
desktop=$prefix/share/applications/org.korvane.Korvane.desktop
metainfo=$prefix/share/metainfo/org.korvane.Korvane.metainfo.xml
desktop-file-validate "$desktop" || problem "desktop-file-validate"
appstreamcli validate --no-net "$metainfo" || problem "appstreamcli validate"
# The entry's own Exec and its actions' all run what was installed.
while read -r exec_program; do
    [[ -x $prefix/bin/$exec_program ]] || problem "Exec names '$exec_program', which is not installed"
done < <(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
grep -q "<launchable type=\"desktop-id\">$(basename "$desktop")</launchable>" "$metainfo" ||
    problem "the metainfo file does not launch $(basename "$desktop")"

# File types. The desktop entry's types are the ones the metainfo file
# says it provides.
desktop_types=$(sed -n 's/^MimeType=//p' "$desktop" | tr ';' '\n' | sed '/^$/d' | sort)
provided_types=$(sed -n 's|.*<mediatype>\(.*\)</mediatype>.*|\1|p' "$metainfo" | sort)
[[ $desktop_types == "$provided_types" ]] ||
    problem "the desktop entry's types ($(echo "$desktop_types" | paste -sd' ')) are not the metainfo's" \
        "($(echo "$provided_types" | paste -sd' '))"
# What xdg-open sees once the caches of the installation are built: the
# type of a file (the prefix's MIME database before the system's), and the
# default program of a type (the prefix's desktop entries alone). xdg-mime
# asks mimetype (File::MimeInfo) on a desktop it does not know and gio on
# GNOME's, so both are asked. The configuration folders are empty scratch
# folders, where no one's choice of a program overrides the entry.
share=$prefix/share
XDG_DATA_DIRS=$share update-mime-database "$share/mime" || problem "update-mime-database"
update-desktop-database "$share/applications" || problem "update-desktop-database"
[[ -f $share/mime/mime.cache && -f $share/applications/mimeinfo.cache ]] || problem "no MIME or desktop caches"
types=$scratch/types
mkdir -p "$types/home" "$types/config" "$types/files"
title=$here/../corpus/winfile/winfile.hlp
xdg_env=(env -i PATH="$PATH" HOME="$types/home" XDG_CONFIG_HOME="$types/config" XDG_CONFIG_DIRS="$types/config"
    XDG_DATA_HOME="$types/home")
while read -r name want; do
    cp "$title" "$types/files/$name"
    for desktop_name in X-Generic GNOME; do
        got=$("${xdg_env[@]}" XDG_CURRENT_DESKTOP=$desktop_name GIO_USE_VFS=local XDG_DATA_DIRS="$share:/usr/share" \
            xdg-mime query filetype "$types/files/$name" 2>&1) || true
        [[ $got == "$want" ]] || problem "$desktop_name: the type of $name is '$got', not $want"
    done
done <<'TYPES'
WINFILE.MVB application/x-msmediaview
winfile.mvb application/x-msmediaview
WINFILE.M13 application/x-msmediaview
winfile.m14 application/x-msmediaview
WINFILE.HLP application/winhlp
WINFILE application/winhlp
TYPES
default_program() {
    "${xdg_env[@]}" XDG_CURRENT_DESKTOP=X-Generic XDG_DATA_DIRS="$share" xdg-mime query default "$1" 2>&1 || true
}
for type in application/winhlp application/winhelp application/x-msmediaview; do
    got=$(default_program "$type")
    [[ $got == "$(basename "$desktop")" ]] || problem "the default program of $type is '$got'"
done
got=$(default_program text/plain)
[[ -z $got ]] || problem "the installation opens text/plain with '$got'"

# Manual pages: no warnings from groff or man, and every option that the
# program's --help lists is in its manual and (below) completes.
options_of() {
    "$prefix/bin/$1" --help | grep -oE '(^|[ ,])--?[A-Za-z][A-Za-z-]*' | tr -d ' ,' | sort -u
}
for page in korvane korvane-cli; do
    gz=$prefix/share/man/man1/$page.1.gz
    warnings=$(zcat "$gz" | groff -ww -z -man 2>&1)
    [[ -z $warnings ]] || problem "groff on $page.1: $warnings"
    warnings=$(MANWIDTH=80 man --warnings -l "$gz" 2>&1 >/dev/null)
    [[ -z $warnings ]] || problem "man on $page.1: $warnings"
    manual=$(zcat "$gz" | groff -man -Tascii -P-cbou 2>/dev/null)
    mapfile -t options < <(options_of $page)
    [[ ${#options[@]} -ge 3 ]] || problem "$page --help lists only ${#options[@]} options"
    for o in "${options[@]}"; do
        grep -qE -- "(^|[^-A-Za-z])$o([^A-Za-z-]|\$)" <<<"$manual" || problem "$page.1 does not mention $o"
    done
done

# Completion: runs the installed script in a bare bash inside a folder of
# sample files and prints the candidates for the command line given, whose
# last word is the one being completed ("%" stands for an empty word).
files=$scratch/files
mkdir -p "$files/sub" "$files/Sources"
touch "$files/A.HLP" "$files/b.hlp" "$files/c.txt" "$files/D.Mvb" "$files/e.m13" "$files/G.M14" "$files/sub/F.HLP"
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
completions=$prefix/share/bash-completion/completions
while IFS='|' read -r command expected words; do
    # shellcheck disable=SC2086
    got=$(complete_words "$completions/$command" $command $words | tr '\n' ' ')
    [[ $got == "$expected" ]] || problem "completing '$command $words': got '$got', want '$expected'"
done <<'CASES'
korvane|A.HLP D.Mvb G.M14 Sources b.hlp e.m13 sub |%
korvane|A.HLP |--read A
korvane||A.HLP --r
korvane-cli|A.HLP D.Mvb G.M14 Sources b.hlp e.m13 sub |%
korvane-cli|sub/F.HLP |sub/F
korvane-cli|A.HLP |-q --print A
korvane-cli|--page-break --print |--p
korvane-cli|Sources sub |-C %
korvane-cli|--output-dir=Sources |--output-dir=S
korvane-cli|932 936 |--codepage = 93
korvane-cli||--flags = %
CASES
for command in korvane korvane-cli; do
    mapfile -t offered < <(complete_words "$completions/$command" $command - | tr -d =)
    for o in $(options_of $command); do
        printf '%s\n' "${offered[@]}" | grep -x -- "$o" >/dev/null || problem "$command's completion does not offer $o"
    done
done

exit $failed

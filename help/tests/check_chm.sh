#!/usr/bin/env bash
# Help.chm in the program folder is a real CHM that holds every page of the
# project, each byte for byte, and the browser copies are there too.
#   check_chm.sh <program dir> <help source dir>
set -euo pipefail
program="$1" source="$2"
fail() { echo "FAIL: $*" >&2; exit 1; }

chm="$program/Help.chm"
[ -f "$chm" ] || fail "no $chm"
[ "$(head -c 4 "$chm")" = "ITSF" ] || fail "Help.chm has no ITSF header"
work="$(mktemp -d "${TMPDIR:-/tmp}/snipora-chm.XXXXXX")"
trap 'rm -rf "$work"' EXIT
chmls -p -n list "$chm" >"$work/list.txt" || fail "chmls cannot list Help.chm"
pages="$(sed -n '/^\[FILES\]/,/^\[/p' "$source/Help.hhp" | grep -v '^\[' | tr -d '\r' | sed '/^$/d')"
[ -n "$pages" ] || fail "Help.hhp lists no pages"
for page in $pages; do
    grep -qx "/$page" "$work/list.txt" || fail "Help.chm lacks $page"
    chmls extract "$chm" "/$page" "$work/$page" >/dev/null || fail "chmls cannot extract $page"
    cmp "$source/$page" "$work/$page" || fail "$page in Help.chm differs from the source"
    cmp "$source/$page" "$program/help/$page" || fail "help/$page in the program folder differs from the source"
done
for topic in index.html toc.hhc index.hhk; do
    grep -qx "/$topic" "$work/list.txt" || fail "Help.chm lacks $topic"
done
# Every local link of every page leads to a page the help has.
for page in $pages; do
    for target in $(grep -o 'href="[^"]*"' "$source/$page" | sed 's/^href="//; s/"$//' | grep -v '://' \
        | sed 's/#.*//' | sort -u); do
        # A match in the shell itself: "echo | grep -q" under pipefail fails
        # now and then, when grep quits before echo has written.
        [ -z "$target" ] || [[ $'\n'"$pages"$'\n' == *$'\n'"$target"$'\n'* ]] \
            || fail "$page links to $target, which is not in the help"
    done
done
echo "Help.chm holds all $(echo "$pages" | wc -l) pages"

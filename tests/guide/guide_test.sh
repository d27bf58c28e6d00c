#!/usr/bin/env bash
# Checks that the user guide is whole, on the outputs the build made of it.
#
#   guide_test.sh PROJECT.pvx GUIDE.chm WEBHELP_FOLDER
#
# - every topic of the project has its page below the root folder, with the topic's title,
#   and every page below the root folder is a topic (none forgotten in the tree);
# - the compiled file holds every topic page and every picture and style sheet of the guide;
# - in the Web Help and in the pages of the compiled file, every relative href, src and CSS
#   url() of every page resolves to a file.
#
# Every check prints "ok:" or "FAIL:"; the script exits 1 when any check failed.
set -uo pipefail

if [ $# -ne 3 ]; then
    echo "usage: $0 PROJECT.pvx GUIDE.chm WEBHELP_FOLDER" >&2
    exit 2
fi
project=$1
chm=$2
web=${3%/}

failures=0
ok() { echo "ok: $*"; }
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
die() {
    echo "FAIL: $*" >&2
    exit 1
}
command -v chmls >/dev/null || die "chmls is missing (scripts/setup installs the fp-utils package)"
[ -s "$project" ] || die "$project is missing"
[ -s "$chm" ] || die "$chm is missing: was the guide built (target parvane_guide)?"
[ -s "$web/index.htm" ] || die "$web/index.htm is missing: was the guide built?"

tmp=$(mktemp -d "${TMPDIR:-/tmp}/parvane-guide-test.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

# The project file: CR LF lines; RootDir is relative to the project file's folder.
tr -d '\r' <"$project" >"$tmp/project.ini"
value() { sed -n "s/^$1=//p" "$tmp/project.ini" | head -1; }
rootDir=$(value RootDir | tr '\\' '/')
root=$(cd "$(dirname "$project")" && cd "$rootDir" && pwd) || die "RootDir '$rootDir' does not exist"
count=$(value TitleList)
[[ $count =~ ^[0-9]+$ ]] && [ "$count" -gt 0 ] || die "the project has no topics (TitleList=$count)"

# topics.txt: the pages of the contents and non-contents topics, "url<TAB>title";
# templates.txt: the template pages (they are applied, not shipped as topics).
: >"$tmp/topics.txt"
: >"$tmp/templates.txt"
for ((i = 0; i < count; i++)); do
    url=$(value "TitleList.Url.$i" | tr '\\' '/')
    [ "$(value "TitleList.Status.$i")" = 0 ] && [ -n "$url" ] || continue
    if [ "$(value "TitleList.Kind.$i")" = 2 ]; then
        echo "$url" >>"$tmp/templates.txt"
    else
        printf '%s\t%s\n' "$url" "$(value "TitleList.Title.$i")" >>"$tmp/topics.txt"
    fi
done
topics=$(wc -l <"$tmp/topics.txt")
[ "$topics" -ge 20 ] && ok "the guide has $topics topic pages" ||
    fail "the guide has only $topics topic pages"

# The sources: each topic's page exists and carries the topic's title; no page is left out
# of the tree.
missing="" mistitled=""
while IFS=$'\t' read -r url title; do
    page=$root/$url
    if [ ! -f "$page" ]; then
        missing+=" $url"
        continue
    fi
    pageTitle=$(tr -d '\r\n' <"$page" | sed -n 's:.*<title>\(.*\)</title>.*:\1:Ip')
    [ "$pageTitle" = "$title" ] || mistitled+=" $url ('$pageTitle' is not '$title');"
done <"$tmp/topics.txt"
[ -z "$missing" ] && ok "every topic's page exists below $root" || fail "topic pages missing:$missing"
[ -z "$mistitled" ] && ok "every page's <title> is its topic's title" || fail "titles differ:$mistitled"

cut -f1 "$tmp/topics.txt" | cat - "$tmp/templates.txt" | LC_ALL=C sort >"$tmp/known.txt"
(cd "$root" && find . -type f \( -iname '*.htm' -o -iname '*.html' \) | sed 's|^\./||' | LC_ALL=C sort) >"$tmp/pages.txt"
orphans=$(LC_ALL=C comm -13 "$tmp/known.txt" "$tmp/pages.txt" | tr '\n' ' ')
[ -z "$orphans" ] && ok "every page below the root folder is a topic" ||
    fail "pages that no topic shows: $orphans"

# The compiled file. chmls prints "<section> <offset> <size> /path".
chmls list "$chm" >"$tmp/chmls.txt" 2>&1 || die "chmls cannot read $chm: $(tail -3 "$tmp/chmls.txt")"
head -c 4 "$chm" | grep -q '^ITSF' && ok "$(basename "$chm") is a compiled help file (ITSF)" ||
    fail "$chm does not start with ITSF"
awk 'NF >= 4 && $4 ~ /^\// {print substr($4, 2)}' "$tmp/chmls.txt" | LC_ALL=C sort >"$tmp/inchm.txt"
# Every topic page, and every picture and style sheet of the guide (as a template's pictures
# are, after the template is applied to the pages).
(
    cut -f1 "$tmp/topics.txt"
    cd "$root" && find . -type f ! \( -iname '*.htm' -o -iname '*.html' \) | sed 's|^\./||'
) | LC_ALL=C sort >"$tmp/wanted.txt"
notInChm=$(LC_ALL=C comm -23 "$tmp/wanted.txt" "$tmp/inchm.txt" | tr '\n' ' ')
[ -z "$notInChm" ] && ok "the .chm holds all $(wc -l <"$tmp/wanted.txt") pages, pictures and style sheets" ||
    fail "not in the .chm: $notInChm"
# The contents (.hhc), the keyword index (.hhk compiled into $WWKeywordLinks) and search.
for entry in '[^/]*\.hhc' '[^/]*\.hhk' '\$WWKeywordLinks/BTree' '\$FIftiMain'; do
    grep -qE "^$entry\$" "$tmp/inchm.txt" && ok "the .chm holds $entry" || fail "the .chm lacks $entry"
done

# The Web Help: every topic is in scr/.
missing=""
while IFS=$'\t' read -r url _; do
    [ -f "$web/scr/$url" ] || missing+=" scr/$url"
done <"$tmp/topics.txt"
[ -z "$missing" ] && ok "the Web Help holds every topic page in scr/" || fail "not in the Web Help:$missing"

# check_refs FOLDER LABEL: every relative href, src and CSS url() of every page and style
# sheet below FOLDER names a file. Links with a scheme (http:, mailto:, javascript:) and
# bare fragments are not files.
check_refs() {
    local folder=$1 label=$2 broken="" checked=0 page dir refs ref
    while IFS= read -r -d '' page; do
        dir=$(dirname "$page")
        if [[ $page == *.css ]]; then
            refs=$(grep -oiE 'url\([^)]*\)' "$page" | sed -E "s/^url\(['\"]?//I; s/['\"]?\)$//")
        else
            refs=$(tr -d '\r\n' <"$page" | grep -oiE '(href|src)[[:space:]]*=[[:space:]]*"[^"]*"' |
                sed -E 's/^[^"]*"//; s/"$//')
        fi
        while IFS= read -r ref; do
            ref=${ref%%#*}
            ref=${ref%%\?*}
            [ -z "$ref" ] || [[ $ref == *:* ]] && continue
            checked=$((checked + 1))
            if [[ $ref == /* ]]; then
                broken+=" ${page#"$folder"/} -> $ref (absolute);"
            elif [ ! -e "$dir/$ref" ]; then
                broken+=" ${page#"$folder"/} -> $ref;"
            fi
        done <<<"$refs"
    done < <(find "$folder" -type f \( -iname '*.htm' -o -iname '*.html' -o -iname '*.css' \) -print0)
    if [ "$checked" -le "$topics" ]; then
        fail "only $checked references were found in the $label: is the check blind?"
    elif [ -z "$broken" ]; then
        ok "all $checked relative links, pictures and style sheets of the $label resolve"
    else
        fail "broken references in the $label:$broken"
    fi
}
check_refs "$web" "Web Help"
# The compiled file's pages as the help viewer reads them.
if extract_chmLib "$chm" "$tmp/chm" >/dev/null 2>&1 && [ -f "$tmp/chm/welcome.htm" ]; then
    check_refs "$tmp/chm" "compiled help"
else
    fail "extract_chmLib cannot unpack $chm (scripts/setup installs libchm-bin)"
fi

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "all checks passed"

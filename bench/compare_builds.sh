#!/bin/bash
# Builds one manual with two parvane-cli binaries and compares: the time and peak memory of
# each build, and whether the two outputs differ. For a change meant to make the builds
# faster without changing what they write, on real content (Debian's manuals under
# /usr/share/doc/*/html).
#
#   bench/compare_builds.sh OLD_CLI NEW_CLI MANUAL_FOLDER [WORK_FOLDER]
#
# The manual is copied (symbolic links replaced by their targets) into WORK_FOLDER (default:
# a new folder in $TMPDIR; a tmpfs of your own measures the program rather than the disk),
# imported with `parvane-cli new --import`, and built into Web Help, Single HTML and HTML
# Help with each binary in turn. HTML Help runs with a stand-in compiler that does nothing,
# so its time is Parvane's part and its staged project is what is compared (the project file
# names the compiled file, which differs between the two builds). The binaries must be
# where they find their support files (build/bin). Exits 1 when the outputs differ.
set -u
if [ $# -lt 3 ]; then
    sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
fi
old=$(realpath "$1")
new=$(realpath "$2")
manual=$(realpath "$3")
if [ $# -ge 4 ]; then
    mkdir -p "$4"
    work=$(realpath "$4")
    trap 'rm -rf "$work/site" "$work/site.pvx" "$work/out-"* "$work/stand-in" "$work/time"' EXIT
else
    work=$(mktemp -d "${TMPDIR:-/tmp}/parvane-compare-XXXXXX")
    trap 'rm -rf "$work"' EXIT
fi

cp -rL "$manual" "$work/site" 2>/dev/null
start=$(date +%s.%N)
cp -r "$work/site" "$work/out-copy"
printf 'cp -r of the manual: %.2f s\n' "$(echo "$(date +%s.%N) - $start" | bc)"
rm -rf "$work/out-copy"
"$new" new "$work/site" --output "$work/site.pvx" --import --quiet > /dev/null || exit 2
echo "topics: $(sed -n 's/^TitleList=//p' "$work/site.pvx")"

mkdir -p "$work/stand-in"
printf '#!/bin/sh\nexit 0\n' > "$work/stand-in/chmcmd"
chmod +x "$work/stand-in/chmcmd"

differ=0
for kind in webhelp single-html htmlhelp; do
    for which in old new; do
        cli=$old
        [ $which = new ] && cli=$new
        out="$work/out-$which"
        if [ $kind = htmlhelp ]; then
            mkdir -p "$out-chm"
            args=(--out "$out-chm/help.chm" --keep-project "$out")
        else
            args=(--out "$out")
        fi
        PATH="$work/stand-in:$PATH" /usr/bin/time -o "$work/time" \
            -f "%e s wall, %U s user, %S s system, %M KB peak" \
            "$cli" build "$work/site.pvx" --$kind "${args[@]}" --force > /dev/null 2>&1
        echo "$kind, $which: $(tail -1 "$work/time")"
    done
    changed=$(diff -rq -x '*.hhp' "$work/out-old" "$work/out-new")
    for hhp in "$work/out-old"/*.hhp; do
        [ -f "$hhp" ] || continue
        other="$work/out-new/$(basename "$hhp")"
        if ! diff -q <(grep -v '^Compiled file=' "$hhp") \
                <(grep -v '^Compiled file=' "$other" 2>/dev/null) > /dev/null; then
            changed="$changed"$'\n'"$(basename "$hhp") differs beyond the compiled file's name"
        fi
    done
    if [ -n "$changed" ]; then
        echo "$kind: the outputs differ:"
        echo "$changed" | head -20
        differ=1
    else
        echo "$kind: the outputs are the same"
    fi
    rm -rf "$work/out-"*
done
exit $differ

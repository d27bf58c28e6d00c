#!/usr/bin/env bash
# Checks Parvane as it is installed, on the binaries of a build tree.
#
#   package_test.sh install BUILD SOURCE
#       cmake --install into a temporary prefix, checks the program folder (support/ and
#       the user guide), then runs the installed parvane-cli on the installed sample
#       project: $AppDir$ must resolve to <prefix>/share/parvane.
#   package_test.sh deb BUILD SOURCE
#       makes the Debian package with cpack and inspects it: file list, control fields,
#       the desktop entry, the MIME type, the icons and the man page.
#
# Every check prints "ok:" or "FAIL:"; the script exits 1 when any check failed.
# CMAKE and CPACK name the tools (CTest passes the ones of the build).
set -uo pipefail

if [ $# -ne 3 ] || [[ $1 != install && $1 != deb ]]; then
    echo "usage: $0 install|deb BUILD SOURCE" >&2
    exit 2
fi
mode=$1
build=$(cd "$2" && pwd)
source=$(cd "$3" && pwd)
CMAKE=${CMAKE:-cmake}
CPACK=${CPACK:-cpack}

tmp=$(mktemp -d "${TMPDIR:-/tmp}/parvane-package-test.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
# Nothing below may read or write the real home or settings, nor a program folder
# other than the one under test.
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config
unset PARVANE_DATA_DIR
mkdir -p "$XDG_CONFIG_HOME"

failures=0
ok() { echo "ok: $*"; }
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
# Stops at a failure that leaves nothing else to check.
die() {
    echo "FAIL: $*" >&2
    exit 1
}
need() {
    command -v "$1" >/dev/null || die "$1 is missing (scripts/setup installs the $2 package)"
}
# expect_file DESCRIPTION PATH: a regular file that is not empty.
expect_file() {
    if [ -s "$2" ]; then ok "$1"; else fail "$1: $2 is missing or empty"; fi
}
# contains TEXT FILE
contains() { grep -qF -- "$1" "$2"; }

# Lists every file below a folder with its size and modification time.
snapshot() { (cd "$1" && find . -printf '%p %s %T@\n' | LC_ALL=C sort); }

# The files that support/ of the sources holds and the installed program folder must
# hold, no more and no less.
support_files() { (cd "$source/support" && find . -type f ! -name '.*' ! -name '*~' | LC_ALL=C sort); }

check_install() {
    local prefix=$tmp/prefix
    "$CMAKE" --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1 ||
        { cat "$tmp/install.log" >&2; die "cmake --install $build --prefix $prefix failed"; }
    ok "cmake --install into $prefix"

    local cli=$prefix/bin/parvane-cli appdir=$prefix/share/parvane
    [ -x "$cli" ] && ok "bin/parvane-cli installed" || fail "bin/parvane-cli is not installed as an executable"
    if [ -e "$build/bin/parvane" ]; then
        [ -x "$prefix/bin/parvane" ] && ok "bin/parvane installed" || fail "bin/parvane was built but is not installed"
    fi
    expect_file "share/applications/parvane.desktop" "$prefix/share/applications/parvane.desktop"
    expect_file "share/mime/packages/parvane.xml" "$prefix/share/mime/packages/parvane.xml"
    expect_file "share/man/man1/parvane-cli.1.gz" "$prefix/share/man/man1/parvane-cli.1.gz"
    expect_file "the 48x48 icon" "$prefix/share/icons/hicolor/48x48/apps/parvane.png"

    # The program folder is support/ of the sources (nothing a test left in the build
    # tree's copy, nothing missing) plus the user guide built from guide/: parvane.chm and
    # its Web Help in help/.
    (cd "$appdir" 2>/dev/null && find . -type f | LC_ALL=C sort) >"$tmp/installed.txt"
    support_files >"$tmp/expected.txt"
    grep -vE '^\./(parvane\.chm|help/.*)$' "$tmp/installed.txt" >"$tmp/installed-support.txt"
    if diff -u "$tmp/expected.txt" "$tmp/installed-support.txt" >"$tmp/support.diff"; then
        ok "share/parvane holds exactly the files of support/ ($(wc -l <"$tmp/expected.txt") files) and the guide"
    else
        fail "share/parvane differs from support/ (- missing, + not from support/):"
        sed -n '3,40p' "$tmp/support.diff" >&2
    fi
    if [ -s "$appdir/parvane.chm" ] && [ "$(head -c 4 "$appdir/parvane.chm")" = ITSF ]; then
        ok "share/parvane/parvane.chm is a compiled help file"
    else
        fail "share/parvane/parvane.chm is missing or not a compiled help file (ITSF)"
    fi
    expect_file "the guide's Web Help, share/parvane/help/index.htm" "$appdir/help/index.htm"
    expect_file "the guide's welcome page in the Web Help" "$appdir/help/scr/welcome.htm"
    # Not even the marker file a build leaves in its output folder.
    if grep -qE '^\./help/(.*/)?\.[^/]*$' "$tmp/installed.txt"; then
        fail "share/parvane/help holds hidden files: $(grep -E '^\./help/(.*/)?\.[^/]*$' "$tmp/installed.txt" | tr '\n' ' ')"
    fi
    [ -x "$cli" ] && [ -s "$appdir/sample.pvx" ] || die "nothing to run: the CLI or the sample project is missing"

    # Marks the installed copies so the outputs show which program folder was read.
    local marker="parvane-installed-copy-$$"
    sed -i "s|</body>|<p>$marker</p></body>|" "$appdir/sample/welcome.htm"
    sed -i "s|</head>|<meta name=\"x-check\" content=\"$marker\"></head>|" "$appdir/webhelp/index.htm"
    contains "$marker" "$appdir/sample/welcome.htm" || die "could not mark the installed sample/welcome.htm"
    snapshot "$appdir" >"$tmp/before.txt"

    # tree: the same project as the sources' sample.
    if "$cli" tree "$appdir/sample.pvx" >"$tmp/tree.txt" 2>"$tmp/tree.err"; then
        "$build/bin/parvane-cli" tree "$source/support/sample.pvx" >"$tmp/tree-expected.txt" 2>&1
        if cmp -s "$tmp/tree.txt" "$tmp/tree-expected.txt" && contains "welcome.htm" "$tmp/tree.txt"; then
            ok "installed parvane-cli tree prints the sample's $(wc -l <"$tmp/tree.txt") nodes"
        else
            fail "installed parvane-cli tree printed another tree than the sources' sample:"
            diff "$tmp/tree-expected.txt" "$tmp/tree.txt" | head -20 >&2
        fi
    else
        fail "installed parvane-cli tree failed: $(cat "$tmp/tree.err")"
    fi

    # build --single-html: the pages must come from <prefix>/share/parvane/sample.
    local out=$tmp/out
    if "$cli" build "$appdir/sample.pvx" --single-html --out "$out" --force >"$tmp/single.log" 2>&1; then
        ok "installed parvane-cli build --single-html"
        expect_file "Single HTML page" "$out/index.htm"
        expect_file "the sample's pictures copied" "$out/images/logo.png"
        if [ -f "$out/index.htm" ]; then
            if contains "$marker" "$out/index.htm"; then
                ok "\$AppDir\$ resolved to $appdir"
            else
                fail "\$AppDir\$ did not resolve to $appdir: the page does not hold the installed copy's text"
            fi
            if grep -qF -e "$build" -e "$source" "$out/index.htm"; then
                fail "the Single HTML page refers to the build or source tree"
            fi
        fi
    else
        fail "installed parvane-cli build --single-html failed:"
        tail -20 "$tmp/single.log" >&2
    fi

    # build --webhelp: the frame pages come from the installed program folder too.
    local web=$tmp/web
    if "$cli" build "$appdir/sample.pvx" --webhelp --out "$web" --force >"$tmp/web.log" 2>&1; then
        ok "installed parvane-cli build --webhelp"
        if [ -f "$web/index.htm" ] && contains "$marker" "$web/index.htm" &&
            [ -f "$web/scr/welcome.htm" ] && contains "$marker" "$web/scr/welcome.htm"; then
            ok "Web Help frame pages and topics come from $appdir"
        else
            fail "Web Help output lacks the installed frame page or topic (index.htm, scr/welcome.htm)"
        fi
        # The search library copied from npm is part of the package, not of the build tree.
        if [ -f "$appdir/webhelp/minisearch.js" ] && [ -f "$web/minisearch.js" ] &&
            [ -f "$web/porter2.js" ] && [ -f "$web/webhelpsearchdata.js" ]; then
            ok "the Web Help search and its libraries are installed and written"
        else
            fail "the Web Help search or its libraries are missing from the package or the output"
        fi
    else
        fail "installed parvane-cli build --webhelp failed:"
        tail -20 "$tmp/web.log" >&2
    fi

    # Installed, the program folder is read-only: building must not write into it.
    snapshot "$appdir" >"$tmp/after.txt"
    if cmp -s "$tmp/before.txt" "$tmp/after.txt"; then
        ok "the builds left share/parvane untouched"
    else
        fail "building the sample changed the program folder:"
        diff "$tmp/before.txt" "$tmp/after.txt" | head -20 >&2
    fi
}

# field NAME: one field of the package's control file.
field() { sed -n "s/^$1: *//p" "$tmp/control"; }

check_deb() {
    need dpkg-deb dpkg
    need dpkg-shlibdeps dpkg-dev
    need desktop-file-validate desktop-file-utils
    need update-mime-database shared-mime-info
    need file file

    "$CPACK" --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/deb" >"$tmp/cpack.log" 2>&1 ||
        { cat "$tmp/cpack.log" >&2; die "cpack -G DEB failed"; }
    local debs=("$tmp"/deb/parvane_*.deb)
    [ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || die "cpack made no parvane_*.deb (or several): ${debs[*]}"
    local deb=${debs[0]}
    ok "cpack made $(basename "$deb")"

    # The file list.
    dpkg-deb -c "$deb" >"$tmp/contents" || die "dpkg-deb -c cannot read $deb"
    awk '{print $6}' "$tmp/contents" >"$tmp/paths"
    local path
    for path in usr/bin/parvane usr/bin/parvane-cli usr/bin/parvane-pdf usr/share/parvane/sample.pvx \
        usr/share/parvane/webhelp/index.htm usr/share/parvane/parvane.chm \
        usr/share/parvane/help/index.htm usr/share/applications/parvane.desktop \
        usr/share/mime/packages/parvane.xml usr/share/man/man1/parvane-cli.1.gz \
        usr/share/icons/hicolor/scalable/apps/parvane.svg; do
        if grep -qxF "./$path" "$tmp/paths"; then ok "package holds /$path"; else fail "package lacks /$path"; fi
    done
    local size
    for size in 16 22 24 32 48 64 128 256; do
        path=usr/share/icons/hicolor/${size}x${size}/apps/parvane.png
        grep -qxF "./$path" "$tmp/paths" || fail "package lacks /$path"
    done
    for path in usr/bin/parvane usr/bin/parvane-cli usr/bin/parvane-pdf; do
        if grep -qE "^-rwxr-xr-x root/root .* \./$path\$" "$tmp/contents"; then
            ok "/$path is executable, owned by root"
        elif grep -qxF "./$path" "$tmp/paths"; then
            fail "/$path is not mode 0755 root/root: $(grep -F "./$path" "$tmp/contents")"
        fi
    done
    if grep -vqE '^[-dl][rwx-]{9} root/root ' "$tmp/contents"; then
        fail "files not owned by root/root:"
        grep -vE '^[-dl][rwx-]{9} root/root ' "$tmp/contents" | head >&2
    fi
    if grep -qE '\./usr/share/parvane/.*(/\.[^/]+|~)$' "$tmp/paths"; then
        fail "the program folder ships hidden or backup files:"
        grep -E '\./usr/share/parvane/.*(/\.[^/]+|~)$' "$tmp/paths" >&2
    fi

    # The control fields.
    dpkg-deb -I "$deb" control >"$tmp/control" || die "dpkg-deb -I cannot read $deb"
    [ "$(field Package)" = parvane ] && ok "Package: parvane" || fail "Package is '$(field Package)', not parvane"
    [ "$(field Section)" = devel ] && ok "Section: devel" || fail "Section is '$(field Section)', not devel"
    [[ $(field Maintainer) == *'<'*@*'>' ]] && ok "Maintainer: $(field Maintainer)" ||
        fail "Maintainer '$(field Maintainer)' is not a name with an address"
    [ -n "$(field Description)" ] && ok "Description: $(field Description)" || fail "no Description"
    local version
    version=$("$build/bin/parvane-cli" --version | awk '{print $2}')
    [ "$(field Version)" = "$version" ] && ok "Version $version, as parvane-cli --version says" ||
        fail "Version is '$(field Version)' but parvane-cli --version says '$version'"
    # Package names of Depends, without version constraints or alternatives.
    field Depends | tr ',|' '\n\n' | awk 'NF {print $1}' | LC_ALL=C sort -u >"$tmp/depends"
    local dep
    for dep in fp-utils shared-mime-info desktop-file-utils libc6 libstdc++6 \
        libqt6widgets6 libqt6webenginewidgets6 libqt6webenginecore6 libqt6webenginecore6-bin \
        libqt6webchannel6 libjemalloc2; do
        if grep -qxF "$dep" "$tmp/depends"; then ok "Depends on $dep"; else fail "Depends lacks $dep (Depends: $(field Depends))"; fi
    done

    # The files themselves.
    local root=$tmp/root
    dpkg-deb -x "$deb" "$root" || die "dpkg-deb -x cannot unpack $deb"
    local desktop=$root/usr/share/applications/parvane.desktop
    if [ -f "$desktop" ]; then
        if desktop-file-validate "$desktop" >"$tmp/validate.log" 2>&1 && ! [ -s "$tmp/validate.log" ]; then
            ok "desktop-file-validate accepts parvane.desktop"
        else
            fail "desktop-file-validate rejects parvane.desktop:"
            cat "$tmp/validate.log" >&2
        fi
        local line
        for line in "Name=Parvane" "GenericName=Help Authoring Tool" "Exec=parvane %f" "Icon=parvane" \
            "Type=Application" "Categories=Development;Documentation;Qt;"; do
            grep -qxF "$line" "$desktop" && ok "desktop entry: $line" || fail "desktop entry lacks the line $line"
        done
        grep -qE '^MimeType=(.*;)?application/x-parvane-project;' "$desktop" &&
            ok "desktop entry opens application/x-parvane-project" ||
            fail "desktop entry's MimeType lacks application/x-parvane-project"
    fi

    # The MIME type as the desktop sees it: compile the package's entry into a database.
    if [ -f "$root/usr/share/mime/packages/parvane.xml" ]; then
        mkdir -p "$tmp/mime/packages"
        cp "$root/usr/share/mime/packages/parvane.xml" "$tmp/mime/packages/"
        # Placed as $XDG_DATA_HOME/mime, so the tool does not warn about the search path.
        if XDG_DATA_HOME=$tmp update-mime-database "$tmp/mime" >"$tmp/mime.log" 2>&1 && ! [ -s "$tmp/mime.log" ] &&
            grep -qxF "50:application/x-parvane-project:*.pvx" "$tmp/mime/globs2"; then
            ok "update-mime-database maps *.pvx to application/x-parvane-project"
        else
            fail "the MIME entry does not map *.pvx to application/x-parvane-project:"
            cat "$tmp/mime.log" "$tmp/mime/globs2" 2>/dev/null | head -20 >&2
        fi
        contains "<comment>Parvane help project</comment>" "$root/usr/share/mime/packages/parvane.xml" &&
            ok "MIME comment \"Parvane help project\"" || fail "the MIME entry lacks the comment \"Parvane help project\""
    fi

    # Each PNG is the size its hicolor folder says.
    for size in 16 22 24 32 48 64 128 256; do
        path=$root/usr/share/icons/hicolor/${size}x${size}/apps/parvane.png
        [ -f "$path" ] || continue
        file -b "$path" | grep -q "^PNG image data, $size x $size," ||
            fail "icon ${size}x${size}/apps/parvane.png is $(file -b "$path")"
    done

    # The man page: valid gzip, and it documents every option the commands' help prints.
    local man=$root/usr/share/man/man1/parvane-cli.1.gz
    if [ -f "$man" ] && gzip -t "$man" 2>/dev/null; then
        zcat "$man" | sed 's/\\-/-/g' >"$tmp/man.txt"
        local command option missing=""
        for command in tree new build check; do
            for option in $("$build/bin/parvane-cli" "$command" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
                [ "$option" = --help ] || grep -qF -- "$option" "$tmp/man.txt" || missing+=" $command $option;"
            done
        done
        [ -z "$missing" ] && ok "the man page documents every option of tree, new, build and check" ||
            fail "the man page does not document:$missing"
        grep -qF ".SH EXIT STATUS" "$tmp/man.txt" && ok "the man page has an EXIT STATUS section" ||
            fail "the man page has no EXIT STATUS section"
    else
        fail "parvane-cli.1.gz is missing or not a gzip file"
    fi
}

case $mode in
install) check_install ;;
deb) check_deb ;;
esac

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "all checks passed"

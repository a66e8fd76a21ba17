#!/bin/sh
# Installs the build into a temporary prefix and checks what a desktop needs
# of it: the programs, the help book, the desktop file, the icons and the
# AppStream metadata, each accepted by the desktop's own validators; and that
# the installed program keeps the user's files out of the installation.
#   install_test.sh BUILD_DIR SOURCE_DIR
set -e
build=$1
source=$2
id=com.tarnwick.Vorantel
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
fail=0
check() { # description, command...
    what=$1
    shift
    if "$@" >"$work/out" 2>&1; then
        echo "ok: $what"
    else
        echo "FAILED: $what"
        cat "$work/out"
        fail=1
    fi
}

DESTDIR= cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || {
    cat "$work/install.log"
    exit 1
}

for f in bin/vorantel bin/vorantel-cli; do
    check "$f is installed and runnable" test -x "$prefix/$f"
done
for page in index camera newcamera batch retouch effects hotpixels camerafiles formats; do
    check "help page $page.html" test -s "$prefix/share/vorantel/help/$page.html"
done
check "the help book's pictures" test -s "$prefix/share/vorantel/help/images/camera.png"
# The program looks for the book beside itself at ../share/vorantel/help.
check "the book where the installed program looks" \
    test -s "$prefix/bin/../share/vorantel/help/index.html"
# The run command of a clone finds the book beside the built program.
check "the book beside the built program" test -s "$build/help/index.html"

desktop=$prefix/share/applications/$id.desktop
check "desktop file" test -s "$desktop"
check "desktop-file-validate accepts it" desktop-file-validate "$desktop"
check "it starts the installed program with a file" grep -qx 'Exec=vorantel %f' "$desktop"
check "its generic name" grep -qx 'GenericName=Hot Pixel Remover' "$desktop"
check "its categories" grep -qx 'Categories=Graphics;Photography;' "$desktop"
for type in image/jpeg image/tiff image/png; do
    check "it opens $type" grep -q "^MimeType=.*$type;" "$desktop"
done
# "Open with": the desktop's cache of which program opens which type.
if command -v update-desktop-database >/dev/null; then
    check "Open with Vorantel is offered for JPEG photos" \
        grep -q "^image/jpeg=.*$id.desktop" "$prefix/share/applications/mimeinfo.cache"
fi

for size in 16 22 24 32 48 64 128 256; do
    icon=$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png
    check "icon ${size}x${size}" test -s "$icon"
    if command -v identify >/dev/null; then
        check "icon ${size}x${size} is ${size} pixels square" \
            sh -c "[ \"\$(identify -format '%wx%h' '$icon')\" = '${size}x${size}' ]"
    fi
done

metainfo=$prefix/share/metainfo/$id.metainfo.xml
check "AppStream metadata" test -s "$metainfo"
check "appstreamcli validate accepts it" appstreamcli validate --no-net "$metainfo"
version=$(sed -n 's/^project(Vorantel VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
check "its newest release is $version" grep -q "<release version=\"$version\"" "$metainfo"

# Installed, the program writes nothing beside itself, even where it could.
{
    echo "P3 9 9 255"
    for i in $(seq 81); do
        if [ "$i" -eq 41 ]; then echo "200 200 200"; else echo "0 0 0"; fi
    done
} >"$work/blackshot.ppm"
XDG_DATA_HOME=$work/data "$prefix/bin/vorantel-cli" define --name Test "$work/blackshot.ppm" \
    >"$work/define.log" 2>&1 || cat "$work/define.log"
check "a camera goes to the user's data folder" test -s "$work/data/Vorantel/Cameras/Test.cam"
check "and not into the installation" test ! -e "$prefix/bin/Cameras"

[ $fail -eq 0 ] && echo "the installed tree is complete"
exit $fail

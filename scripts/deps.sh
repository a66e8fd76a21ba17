#!/bin/sh
# Installs the Debian packages Vorantel needs to build, run and test, if any
# of them is missing. Run as root (or through sudo). The tests also use an X
# server (Xvfb, xprop) for the window titles, a window manager (openbox)
# with xdotool and wmctrl to drive the program as a user does, and the
# desktop's validators for the installed tree.
set -e
PACKAGES="g++ make cmake pkg-config qt6-base-dev libjpeg62-turbo-dev zlib1g-dev \
libgtest-dev libgmock-dev libbenchmark-dev fonts-dejavu-core libimage-exiftool-perl \
xvfb x11-utils openbox xdotool wmctrl desktop-file-utils appstream shared-mime-info"
missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
        missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO=sudo
    $SUDO apt-get update
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
fi

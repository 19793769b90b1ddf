#!/usr/bin/env bash
# Makes a private 32-bit Wine that runs the shipped i686 programs on this x86_64 machine, which
# cannot execute 32-bit code: Debian's i386 Wine packages and QEMU's user-mode emulator (from
# bookworm-backports; bookworm's own is too slow for Wine) are downloaded and unpacked into a
# cache, never installed. The host's packages stay as they are: adding the i386 architecture or
# wine32 to the host breaks its 64-bit Wine. Safe to run again; a second run takes seconds.
#   ROMWIZARD_I386_CACHE  downloads and unpacked files (default /var/cache/romwizard-i386, or
#                         ~/.cache/romwizard-i386 without root); kept outside the clone so that a
#                         fresh clone on the same machine reuses it
# Prints the folder of its commands (wine, wineboot, winepath) on its last line.
set -euo pipefail

cache="${ROMWIZARD_I386_CACHE:-/var/cache/romwizard-i386}"
# Without root, /var/cache is not ours: the user's own cache serves as well.
if [ -z "${ROMWIZARD_I386_CACHE:-}" ] && ! mkdir -p "$cache" 2>/dev/null; then
    cache="${XDG_CACHE_HOME:-$HOME/.cache}/romwizard-i386"
fi
root="$cache/root"
qemu_dir="$cache/qemu"
bin="$cache/bin"
# Raise when what this script makes changes, so that older caches are remade.
generation=6
ready="$cache/ready.$generation"

[ -f "$ready" ] && { echo "$bin"; exit 0; }

mkdir -p "$cache"
exec 9>"$cache/lock"
flock 9
[ -f "$ready" ] && { echo "$bin"; exit 0; }

# The 32-bit Wine must be the host's version: the host's wineserver serves its prefixes.
wine_version="$(dpkg-query -W -f='${Version}' wine64)"

# A private apt: its own state, lists and download cache, nothing read from the host's
# configuration but the archive keys.
private_apt() { # NAME ARCH SUITES...
    local dir="$cache/apt-$1" arch=$2
    shift 2
    mkdir -p "$dir/state/lists/partial" "$dir/cache/archives/partial" "$dir/etc"
    : >"$dir/state/status"
    {
        echo "Types: deb"
        echo "URIs: http://deb.debian.org/debian"
        echo "Suites: $*"
        echo "Components: main"
        echo "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg"
    } >"$dir/etc/debian.sources"
    # The security archive's path differs; only the bookworm suites use it.
    if [[ " $* " == *" bookworm "* ]]; then
        printf '\nTypes: deb\nURIs: http://deb.debian.org/debian-security\nSuites: bookworm-security\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
            >>"$dir/etc/debian.sources"
    fi
    cat >"$dir/apt.conf" <<EOF
APT::Architecture "$arch";
APT::Architectures { "$arch"; };
APT::Install-Recommends "false";
APT::Install-Suggests "false";
Dir::State "$dir/state";
Dir::State::status "$dir/state/status";
Dir::Cache "$dir/cache";
Dir::Etc::SourceList "/dev/null";
Dir::Etc::SourceParts "$dir/etc";
Dir::Etc::Preferences "/dev/null";
Dir::Etc::PreferencesParts "/dev/null";
Dir::Etc::Parts "/dev/null";
APT::Sandbox::User "$(id -un)";
EOF
    echo "$dir"
}

if [ ! -f "$cache/wine-debs.$generation" ]; then
    # fonts-liberation: the host's Wine draws "Arial" with Liberation Sans; the emulated one reads
    # only the root's fonts and must measure texts the same.
    echo "i386-wine: downloading Debian's i386 Wine $wine_version" >&2
    apt_dir="$(private_apt wine i386 bookworm bookworm-updates)"
    APT_CONFIG="$apt_dir/apt.conf" apt-get update -qq
    APT_CONFIG="$apt_dir/apt.conf" apt-get install --download-only -y -qq \
        "wine32=$wine_version" "libwine=$wine_version" "wine=$wine_version" fonts-wine \
        libxrender1 libxrandr2 libxi6 libxcursor1 libxinerama1 libxcomposite1 libxfixes3 \
        libgnutls30 libxxf86vm1 fonts-liberation >/dev/null
    touch "$cache/wine-debs.$generation"
fi

if [ ! -f "$cache/qemu-debs.$generation" ]; then
    echo "i386-wine: downloading QEMU from bookworm-backports" >&2
    apt_dir="$(private_apt qemu amd64 bookworm-backports)"
    APT_CONFIG="$apt_dir/apt.conf" apt-get update -qq
    (cd "$apt_dir/cache/archives" && APT_CONFIG="$apt_dir/apt.conf" apt-get download -qq qemu-user)
    touch "$cache/qemu-debs.$generation"
fi

if [ ! -f "$cache/unpacked.$generation" ]; then
    echo "i386-wine: unpacking" >&2
    rm -rf "$root" "$qemu_dir"
    mkdir -p "$root" "$qemu_dir"
    for deb in "$cache"/apt-wine/cache/archives/*.deb; do dpkg -x "$deb" "$root"; done
    # Of all QEMU's emulators only the i386 one is needed.
    for deb in "$cache"/apt-qemu/cache/archives/qemu-user_*.deb; do
        dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$qemu_dir" ./usr/bin/qemu-i386
    done
    touch "$cache/unpacked.$generation"
fi

# Its user-mode emulators are linked statically: they need nothing from the host.
qemu="$qemu_dir/usr/bin/qemu-i386"
[ -x "$qemu" ] || { echo "i386-wine: no qemu-i386 in $qemu_dir" >&2; exit 1; }

# The emulated programs must read the root's library cache, not the host's, and keep their font
# cache in the root: the host's is not theirs, and it would go stale when the root is unpacked
# anew.
ldconfig -r "$root"
mkdir -p "$root/var/cache/fontconfig"
sed -i "s|<cachedir>/var/cache/fontconfig</cachedir>|<cachedir>$root/var/cache/fontconfig</cachedir>|" \
    "$root/etc/fonts/fonts.conf"

# user32 needs zlib1.dll, which the i386 packages keep beside the MinGW libraries only; a new
# prefix's first programs find it only among Wine's own libraries.
cp "$root/usr/i686-w64-mingw32/lib/zlib1.dll" "$root/usr/lib/i386-linux-gnu/wine/i386-windows/"

# Wine starts <bindir>/wine-preloader and its child processes directly, which the kernel refuses;
# this script in its place runs them through the emulator.
rm -f "$root/usr/lib/wine/wine-preloader"
printf '#!/bin/sh\nexec "%s" -L "%s" "$@"\n' "$qemu" "$root" >"$root/usr/lib/wine/wine-preloader"
chmod +x "$root/usr/lib/wine/wine-preloader"

# The commands the rig calls by name. The host's wineserver serves 32-bit prefixes as well.
mkdir -p "$bin"
printf '#!/bin/sh\nexec "%s" -L "%s" "%s/usr/lib/wine/wine" "$@"\n' "$qemu" "$root" "$root" >"$bin/wine"
for tool in wineboot winepath; do
    printf '#!/bin/sh\nexec "%s/wine" %s.exe "$@"\n' "$bin" "$tool" >"$bin/$tool"
done
chmod +x "$bin"/*

touch "$ready"
echo "$bin"

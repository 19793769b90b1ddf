#!/usr/bin/env bash
# Source this: as scripts/wine-env.sh, but for the shipped i686 programs: the private 32-bit Wine
# of scripts/i386-wine.sh (made on first use) first on PATH as `wine`, a win32 prefix of its own
# and a virtual display of its own.
#   ROMWIZARD_WINE32_DIR         where the 32-bit prefix lives (default: build/wine32)
#   ROMWIZARD_VIRTUAL32_DISPLAY  its virtual display's number (default :78)
#   ROMWIZARD_DISPLAY            "user" keeps the caller's $DISPLAY, as for 64-bit Wine

_root32="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
_bin32="$(bash "$_root32/scripts/i386-wine.sh" | tail -n 1)" || return 1
case ":$PATH:" in *":$_bin32:"*) ;; *) export PATH="$_bin32:$PATH" ;; esac
export ROMWIZARD_WINE_DIR="${ROMWIZARD_WINE32_DIR:-$_root32/build/wine32}"
export ROMWIZARD_WINE_ARCH=win32
export ROMWIZARD_VIRTUAL_DISPLAY="${ROMWIZARD_VIRTUAL32_DISPLAY:-:78}"
# user32 needs zlib1.dll, which the i386 packages keep beside the MinGW libraries only.
export WINEPATH="Z:${_bin32%/bin}/root/usr/i686-w64-mingw32/lib"
source "$_root32/scripts/wine-env.sh"
unset _root32 _bin32

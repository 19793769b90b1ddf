#!/usr/bin/env bash
# Runs a Windows program under the project's Wine prefix and display (CTest's crossing emulator).
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
exec wine "$@" 2> >(grep -v -e 'wine32 is missing' -e 'multiarch needs' -e 'dpkg --add-architecture' -e 'apt-get update' -e 'apt-get install wine32' -e '^$' >&2)

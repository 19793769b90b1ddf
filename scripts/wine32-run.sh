#!/usr/bin/env bash
# Runs a shipped i686 program under the private 32-bit Wine (CTest's crossing emulator of win32).
source "$(dirname "${BASH_SOURCE[0]}")/wine32-env.sh"
exec wine "$@" 2> >(grep -v -e 'Failed to create ifstub' -e 'Failed to open RpcSs' >&2)

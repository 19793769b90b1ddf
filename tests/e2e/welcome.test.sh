#!/usr/bin/env bash
# The Welcome page alone (the road `welcome`), for a short run of another build.
exec bash "$(dirname "$0")/roads.test.sh" welcome

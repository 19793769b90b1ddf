# The Wine programs of this prefix ($WINEPREFIX) whose command line matches a pattern, one pid a
# line; programs of other prefixes (other people's) are never listed. Source it.
prefix_programs() {
    local pid
    for pid in $(pgrep -f "$1"); do
        grep -qzx "WINEPREFIX=$WINEPREFIX" "/proc/$pid/environ" 2>/dev/null && echo "$pid"
    done
}

#!/usr/bin/env bash
# Evidence that the native tests catch faults: makes each fault of scripts/mutation-faults.txt in
# a copy of the tree (the caller's files stay as they are), one at a time, builds the native
# preset there and runs its tests. A fault is caught when the build passes and a test fails; a
# fault whose text is not found exactly once, or that does not build, is an error of the list.
#
#   bash scripts/mutation-check.sh [NAME...]     (default: every fault; at the lowest priority)
#
# The copy and its build stay in $ROMWIZARD_MUTATION_DIR (default build/mutation), so a second
# run builds only what changed. Logs: build/mutation/logs/NAME.log. Exit 0 only when all caught.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
faults=$root/scripts/mutation-faults.txt
work=${ROMWIZARD_MUTATION_DIR:-$root/build/mutation}
tree=$work/tree
logs=$work/logs
# The file a run left faulty when it was killed: copied back, it must still be rebuilt.
dirty=$work/dirty

run() { nice -n 19 "$@"; }

copy_tree() {
    mkdir -p "$tree" "$logs"
    # A file restored after its fault keeps its newer time, so that it is built again; with the
    # older time of the caller's copy the build would keep the faulty object.
    tar -C "$root" --exclude=./build --exclude=./artefacts --exclude=./.git --exclude=./.wine \
        -cf - . | tar -C "$tree" --keep-newer-files -xf - 2>/dev/null
    # A file deleted from the caller's tree since the last run leaves the copy too, or it would
    # still be built there.
    (cd "$tree" && find . -path ./build -prune -o -type f -print0) |
        while IFS= read -r -d '' file; do
            [[ -e $root/$file ]] || rm -f "$tree/$file"
        done
    if [[ -f $dirty ]]; then
        cp "$root/$(cat "$dirty")" "$tree/$(cat "$dirty")"
        touch "$tree/$(cat "$dirty")"
        rm -f "$dirty"
    fi
}

build_and_test() {
    (cd "$tree" && run cmake --preset native && run cmake --build --preset native -j 1) \
        </dev/null >"$1" 2>&1 || return 2
    (cd "$tree" && run ctest --preset native -j 1 --stop-on-failure) </dev/null >>"$1" 2>&1 ||
        return 1
}

# Replaces the one occurrence of $2 in file $1 by $3 ("\n" a line break); fails unless found once.
apply_fault() {
    python3 - "$@" <<'PY'
import sys
path, old, new = sys.argv[1], *(t.replace("\\n", "\n") for t in sys.argv[2:4])
text = open(path, encoding="utf-8").read()
if text.count(old) != 1:
    sys.exit(f"found {text.count(old)} times")
open(path, "w", encoding="utf-8").write(text.replace(old, new))
PY
}

trim() { sed -e 's/^[[:space:]]*//' -e 's/[[:space:]]*$//' <<<"$1"; }

copy_tree
echo "baseline: building the unchanged copy and running its tests ..."
if ! build_and_test "$logs/baseline.log"; then
    echo "the unchanged tree fails its build or tests: see $logs/baseline.log" >&2
    exit 2
fi

caught=0 missed=0 errors=0 total=0
table=""
while IFS='|' read -r name file original faulty extra; do
    name=$(trim "$name")
    [[ -z $name || $name == \#* ]] && continue
    if (($# > 0)) && [[ " $* " != *" $name "* ]]; then continue; fi
    file=$(trim "$file") original=$(trim "$original") faulty=$(trim "$faulty")
    total=$((total + 1))
    log=$logs/$name.log
    target=$tree/$file
    why=""
    if [[ -n $extra || -z $faulty || ! -f $target ]]; then
        result="ERROR: malformed line"
    elif ! cp -p "$target" "$work/original" || ! why=$(apply_fault "$target" "$original" "$faulty" 2>&1); then
        result="ERROR: text ${why:-not applied}"
    else
        echo "$file" >"$dirty"
        echo "$name: building and testing ..."
        status=0
        build_and_test "$log" || status=$?
        cp "$work/original" "$target"
        touch "$target"
        rm -f "$dirty"
        case $status in
            1) result="caught" ;;
            2) result="ERROR: does not build" ;;
            *) result="NOT CAUGHT" ;;
        esac
    fi
    case $result in
        caught) caught=$((caught + 1)) ;;
        NOT*) missed=$((missed + 1)) ;;
        *) errors=$((errors + 1)) ;;
    esac
    table+=$(printf '%-28s %-36s %s' "$name" "$file" "$result")$'\n'
done <"$faults"

printf '\n%-28s %-36s %s\n%s' fault file result "$table"
echo "caught $caught of $total (not caught: $missed, errors: $errors)"
((total > 0 && caught == total))

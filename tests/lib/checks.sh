# Assertions for the shell-driven tests: check prints one line per comparison and counts the
# failures; finish ends the test with the verdict.
CHECK_FAILURES=0

check() {
    local what=$1 expected=$2 actual=$3
    if [ "$expected" == "$actual" ]; then
        echo "  ok   $what"
    else
        printf '  FAIL %s\n       expected: %s\n       actual:   %s\n' "$what" "$expected" "$actual"
        CHECK_FAILURES=$((CHECK_FAILURES + 1))
    fi
}

finish() {
    if [ "$CHECK_FAILURES" -ne 0 ]; then
        echo "$CHECK_FAILURES check(s) failed"
        exit 1
    fi
    echo "all checks passed"
}

#!/usr/bin/env bash
# The manual pages are clean for mandoc's checker, their compressed copies
# (the ones installed) are current, and afconvert(1) lists every option that
# "afconvert -h" prints.
#   manpages_test.sh AFCONVERT MAN_DIR
set -euo pipefail
afconvert=$1 mandir=$2

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

for page in "$mandir"/afconvert.1 "$mandir"/sondrel.1; do
    lint=$(mandoc -T lint -W warning "$page" 2>&1) || true
    [[ -z $lint ]] || fail "mandoc finds faults in $page: $lint"
    gzip -dc "$page.gz" | cmp -s - "$page" || fail "$page.gz is not $page"
done

# The option names of "afconvert -h": what an option line holds before the
# gap to its description.
mapfile -t options < <("$afconvert" -h | sed -n 's/^ \{1,8\}\(-[^ ].*\)/\1/p' |
    sed 's/  .*//' | grep -oE -- '(^|[ ,])--?[A-Za-z][-A-Za-z0-9]*' | sed 's/^[ ,]//' | sort -u)
((${#options[@]} >= 5)) || fail "found only ${#options[@]} options in afconvert -h"
[[ " ${options[*]} " == *" --help "* ]] || fail "afconvert -h was not read as expected"
text=$(mandoc -T ascii -O width=300 "$mandir/afconvert.1" | sed 's/.\x08//g')
missing=()
for option in "${options[@]}"; do
    grep -qE -- "(^|[^-A-Za-z0-9])$option([^-A-Za-z0-9]|\$)" <<<"$text" || missing+=("$option")
done
((${#missing[@]} == 0)) || fail "afconvert(1) lacks ${missing[*]}"

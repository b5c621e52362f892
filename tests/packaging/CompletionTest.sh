#!/usr/bin/env bash
# The kvtool bash completion: what a Tab offers at each place on the line.
#   CompletionTest.sh COMPLETION_SCRIPT
set -u
source "$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" && touch walk001.kvd walk001.wav notes.csv report.pdf page.png && mkdir sessions
failed=0

offers() { # "EXPECTED WORDS" word... : completes the last word of the line
    local expected=$1
    shift
    COMP_WORDS=(kvtool "$@")
    COMP_CWORD=$#
    COMP_LINE="kvtool $*"
    _kvtool
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | tr '\n' ' ')
    got=${got% }
    if [ "$got" != "$expected" ]; then
        echo "FAIL: kvtool $* -> '$got', expected '$expected'"
        failed=1
    fi
}

offers "info" in
offers "recompute render report" re
offers "--help --version" --
offers "sessions walk001.kvd" info ""
offers "walk001.kvd" recompute w
offers "--knob" recompute walk001.kvd --k
offers "--clock --clock-left" render walk001.kvd --clo
offers "off on" recompute walk001.kvd --freeze ""
offers "notes.csv sessions" export walk001.kvd -o ""
offers "--from --help --to -o" cut walk001.kvd --from 1 --to 2 -
offers "" info walk001.kvd --from
offers "--help" channel --
offers "" frobnicate ""
offers "events" ev
offers "--help --kinds --min-fall --window -o" events walk001.kvd -
offers "notes.csv sessions" events walk001.kvd -o ""
offers "motion" events walk001.kvd --kinds mo
offers "tag,reaction" events walk001.kvd --kinds tag,re
offers "" events walk001.kvd --window ""
offers "summary" su
offers "report" rep
offers "--help --jobs -o" summary sessions -
offers "sessions walk001.kvd" summary ""
offers "" summary sessions --jobs ""
offers "notes.csv sessions" summary sessions -o ""
offers "--from --help --to -o" report walk001.kvd -
offers "page.png report.pdf sessions" report walk001.kvd -o ""
offers "trend" tr
offers "--help --jobs -o" trend sessions -
offers "sessions walk001.kvd" trend ""
offers "notes.csv page.png report.pdf sessions" trend sessions -o ""
offers "" trend sessions --jobs ""
exit $failed

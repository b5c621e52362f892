#!/bin/bash
# A cut killed between its two renames, as another process sees it: readers
# report the pair as interrupted, a load waits for a save that holds the pair,
# a load from a read-only mount changes nothing, and a load from another
# working folder finishes the save on the right files. Also: a SIGTERM that
# arrives while the journal is being removed reports the save as done.
# usage: InterruptedSaveTest.sh KVTOOL KVGEN
set -u
KVTOOL=$(realpath "$1")
KVGEN=$(realpath "$2")
command -v strace >/dev/null || { echo "strace is not installed"; exit 77; }

WORK=$(mktemp -d)
trap 'umount "$WORK/rec" 2>/dev/null; rm -rf "$WORK"' EXIT
REC=$WORK/rec
OTHER=$WORK/other
mkdir -p "$REC" "$OTHER"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
sum() { sha256sum "$1" 2>/dev/null | cut -c1-64; }
# Runs kvtool, keeping its exit code and what it printed on standard error.
run() { "$KVTOOL" "$@" >"$WORK/out" 2>"$WORK/err"; code=$?; }
said() { grep -q -- "$1" "$WORK/err" || fail "$2: expected '$1' in: $(cat "$WORK/err")"; }
notsaid() { ! grep -q -- "$1" "$WORK/err" || fail "$2: did not expect '$1' in: $(cat "$WORK/err")"; }

"$KVGEN" recording "$REC/src" 40 wav >/dev/null 2>&1 || { echo "kvgen failed"; exit 1; }
run cut "$REC/src.kvd" --from 0 --to 30 -o "$REC/out.kvd"
[ "$code" = 0 ] || { echo "the first cut failed: $(cat "$WORK/err")"; exit 1; }
OLD_KVD=$(sum "$REC/out.kvd")
OLD_WAV=$(sum "$REC/out.wav")

# Kill the second cut at the rename that puts the new sound in place: the
# fourth (the sound's own temporary, the journal, the data file, the sound).
(strace -f -qq -o /dev/null -e trace=rename,renameat,renameat2 \
    -e inject=rename,renameat,renameat2:error=EIO:signal=SIGKILL:when=4 \
    "$KVTOOL" cut "$REC/src.kvd" --from 5 --to 25 -o "$REC/out.kvd"; true) >/dev/null 2>&1
[ -f "$REC/out.kvjournal" ] || { echo "the kill left no journal"; ls -a "$REC"; exit 1; }
MID_KVD=$(sum "$REC/out.kvd")
[ "$MID_KVD" != "$OLD_KVD" ] || fail "the data file should be the new one after the first rename"
[ "$(sum "$REC/out.wav")" = "$OLD_WAV" ] || fail "the sound should still be the old one"
NEW_WAV=$(sum "$(ls "$REC"/.kvsave-*out.wav.tmp)")

unchanged() {
    [ "$(sum "$REC/out.kvd")" = "$MID_KVD" ] && [ "$(sum "$REC/out.wav")" = "$OLD_WAV" ] &&
        [ -f "$REC/out.kvjournal" ] || fail "$1: the files or the journal changed"
}

# Readers do not take the half-replaced pair for a whole one.
for cmd in info export events recompute; do
    run "$cmd" "$REC/out.kvd"
    [ "$code" = 1 ] || fail "$cmd: exit $code, expected 1"
    said "interrupted" "$cmd"
done
run summary "$REC/out.kvd"
tail -n 1 "$WORK/out" | grep -q 'interrupted: ' || fail "summary: status is not interrupted: $(cat "$WORK/out")"
[ "$code" = 1 ] || fail "summary: exit $code, expected 1"
unchanged "readers"

# Another program holds the pair, as a save does: the load waits, then leaves it alone.
exec 9>"$REC/out.kvlock"
flock 9
run cut "$REC/out.kvd" --from 0 --to 5 -o "$OTHER/part.kvd" 9>&-
exec 9>&-
[ "$code" = 1 ] || fail "busy: exit $code, expected 1"
said "is being saved by another program" "busy"
notsaid "was completed" "busy"
[ ! -e "$OTHER/part.kvd" ] || fail "busy: a mixed pair was loaded and cut"
unchanged "busy"

# A read-only mount: nothing can be finished, nothing is claimed, nothing is loaded.
if unshare -m true 2>/dev/null; then
    unshare -m sh -c 'mount --bind "$1" "$1" && mount -o remount,bind,ro "$1" &&
        cd / && exec "$2" cut "$1/out.kvd" --from 0 --to 5 -o "$3/part.kvd"' \
        sh "$REC" "$KVTOOL" "$OTHER" >"$WORK/out" 2>"$WORK/err"
    code=$?
    [ "$code" = 1 ] || fail "read-only: exit $code, expected 1"
    said "could not be finished or undone" "read-only"
    notsaid "was completed" "read-only"
    [ ! -e "$OTHER/part.kvd" ] || fail "read-only: a mixed pair was loaded and cut"
    unchanged "read-only"
else
    echo "note: no mount namespaces here; the read-only case is left out"
fi

# Files of the same names in the working folder are not the journal's.
echo "unrelated data" >"$OTHER/out.kvd"
echo "unrelated sound" >"$OTHER/out.wav"
(cd "$OTHER" && "$KVTOOL" cut ../rec/out.kvd --from 0 --to 5 -o part.kvd >"$WORK/out" 2>"$WORK/err")
code=$?
[ "$code" = 0 ] || fail "other folder: exit $code, expected 0: $(cat "$WORK/err")"
said "was completed: the new files are in place" "other folder"
[ "$(sum "$REC/out.kvd")" = "$MID_KVD" ] || fail "other folder: the new data file was not kept"
[ "$(sum "$REC/out.wav")" = "$NEW_WAV" ] || fail "other folder: the new sound is not in place"
[ "$(cat "$OTHER/out.kvd")" = "unrelated data" ] || fail "other folder: a file of the same name changed"
[ "$(cat "$OTHER/out.wav")" = "unrelated sound" ] || fail "other folder: a file of the same name changed"
left=$(ls -A "$REC" | grep -v -x -e src.kvd -e src.wav -e out.kvd -e out.wav)
[ -z "$left" ] || fail "other folder: left behind: $left"

# A SIGTERM while the journal is removed: the new files are in place, and said so.
BEFORE=$(sum "$REC/out.kvd")
strace -f -qq -o /dev/null -P "$REC/out.kvjournal" -e trace=unlink,unlinkat \
    -e inject=unlink,unlinkat:signal=SIGTERM:when=1 \
    "$KVTOOL" cut "$REC/src.kvd" --from 10 --to 30 -o "$REC/out.kvd" >"$WORK/out" 2>"$WORK/err"
code=$?
[ "$code" = 0 ] || fail "late signal: exit $code, expected 0: $(cat "$WORK/err")"
said "saved" "late signal"
notsaid "was not written" "late signal"
[ "$(sum "$REC/out.kvd")" != "$BEFORE" ] || fail "late signal: out.kvd was not replaced"
[ ! -e "$REC/out.kvjournal" ] || fail "late signal: the journal was left"

# A load while another program's save is between its renames (held there by a
# delay): it waits for that save and then loads the whole new pair, or, when
# the save takes longer than it waits, leaves everything alone and says so.
mkdir -p "$WORK/ref"
run cut "$REC/src.kvd" --from 2 --to 22 -o "$WORK/ref/a.kvd"
REF_KVD=$(sum "$WORK/ref/a.kvd")
REF_WAV=$(sum "$WORK/ref/a.wav")
for delay in 1000000 3500000; do
    (strace -f -qq -o /dev/null -e trace=rename,renameat,renameat2 \
        -e inject=rename,renameat,renameat2:delay_enter=$delay:when=4 \
        "$KVTOOL" cut "$REC/src.kvd" --from 2 --to 22 -o "$REC/out.kvd" 2>"$WORK/err1") &
    saver=$!
    # The reader starts once the save is held between its renames (its
    # journal is written), however long a slow build takes to get there.
    for _ in $(seq 400); do
        [ -e "$REC/out.kvjournal" ] && break
        sleep 0.05
    done
    [ -e "$REC/out.kvjournal" ] || fail "concurrent $delay: the save never reached its renames"
    run cut "$REC/out.kvd" --from 0 --to 5 -o "$OTHER/part$delay.kvd"
    wait "$saver"
    saverCode=$?
    [ "$saverCode" = 0 ] || fail "concurrent $delay: the save failed: $(cat "$WORK/err1")"
    [ "$(sum "$REC/out.kvd")" = "$REF_KVD" ] && [ "$(sum "$REC/out.wav")" = "$REF_WAV" ] ||
        fail "concurrent $delay: the pair is not the saved one"
    [ ! -e "$REC/out.kvjournal" ] || fail "concurrent $delay: a journal was left"
    if [ "$delay" = 1000000 ]; then
        [ "$code" = 0 ] || fail "concurrent $delay: the load failed: $(cat "$WORK/err")"
        [ "$(sum "$OTHER/part$delay.wav")" != "" ] || fail "concurrent $delay: no cut was written"
    else
        [ "$code" = 1 ] || fail "concurrent $delay: exit $code, expected 1"
        said "is being saved by another program" "concurrent $delay"
    fi
done

[ "$failures" = 0 ] && echo "all passed"
[ "$failures" = 0 ]

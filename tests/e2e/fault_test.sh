#!/usr/bin/env bash
# The console program when the disk fails it: a full file system, a read-only destination, a
# source it may not read, the process killed at random points of a run, two runs racing on one
# destination, a huge file that only looks like a page file, another user's run in a folder
# shared by all, a stranger's links there, and a run that gives up waiting. One case a call;
# a case that needs what this machine does not allow (mounting, dropping root) exits 77, which
# CTest reports as skipped.
# Usage: fault_test.sh FAXGEN FAXINFO CONSOLE full|readonly|unreadable|kills|race|large|shared|strangers|wait
#        (QW_KILLS: how many kills, default 5; QW_RACES: how many races, default 8)
source "$(dirname "$0")/e2e_lib.sh"
faxgen="$1"
faxinfo="$2"
console="$3"
case_name="$4"
kills="${QW_KILLS:-5}"
mounts=()
cleanup() {
    for m in "${mounts[@]}"; do umount "$m" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

sources_sha() { (cd "$1" && find . -type f -exec sha256sum {} + | sort); }
well_formed_outputs() {
    local dir="$1"
    local files
    mapfile -t files < <(find "$dir" -name '*.fxm')
    [ "${#files[@]}" -eq 0 ] || "$faxinfo" "${files[@]}" >/dev/null
}
try_mount() {
    mkdir -p "$2"
    if mount -t tmpfs -o "$1" tmpfs "$2" 2>/dev/null; then
        mounts+=("$2")
        return 0
    fi
    return 1
}

# The first name the temporaries of process $1 take: "~qw" and its number in four base-36 digits.
first_temporary() {
    local n=$(($1 * 7919 % 1679616)) digits=0123456789abcdefghijklmnopqrstuvwxyz name="" _
    for _ in 1 2 3 4; do name="${digits:n%36:1}$name" n=$((n / 36)); done
    printf '~qw%s' "$name"
}

skip() {
    echo "skipped: $1"
    exit 77
}

# Runs a command as user $1 (root and setpriv needed), with a cache folder of that user's own.
as_user() {
    local uid="$1"
    shift
    install -d -o "$uid" "$work/cache-$uid"
    XDG_CACHE_HOME="$work/cache-$uid" setpriv --reuid="$uid" --regid="$uid" --clear-groups "$@"
}

"$faxgen" --tree "$work/in" --faxes 40 --pages 2-4 --size 20000-30000 --seed 5 >/dev/null
before=$(sources_sha "$work/in")

case "$case_name" in
full)
    # A destination that fills up part-way.
    try_mount size=600k "$work/full" || skip "mounting a small tmpfs is not allowed here"
    "$console" "$work/in" "$work/full/out" >"$work/log" 2>&1
    check_eq "full file system: exit 4" 4 $?
    check "full file system: failures logged" grep -q '(failed: cannot write the output file)' "$work/log"
    check "full file system: no temporary left" bash -c "! find \"\$0\" -name '~qw????' | grep -q ." "$work/full"
    check "full file system: what is there is whole" well_formed_outputs "$work/full"
    ;;
readonly)
    # A destination that exists but cannot be written.
    try_mount ro,size=1m "$work/readonly" || skip "mounting a read-only tmpfs is not allowed here"
    "$console" "$work/in" "$work/readonly" >"$work/log" 2>&1
    check_eq "read-only destination: exit 4" 4 $?
    check_eq "read-only destination: every page failed" "$(find "$work/in" -type f | wc -l)" \
        "$(grep -c '(failed: cannot write the output file)' "$work/log")"
    ;;
unreadable)
    # A source directory that may not be read (root reads everything, so the run drops root).
    command -v setpriv >/dev/null && [ "$(id -u)" -eq 0 ] ||
        skip "the source cannot be made unreadable without root and setpriv"
    mkdir -p "$work/locked" "$work/nobody-out"
    cp "$work/in"/F00001* "$work/locked/"
    chmod 000 "$work/locked"
    chmod 777 "$work/nobody-out"
    chmod 755 "$work"
    as_user 65534 "$console" "$work/locked" "$work/nobody-out/out" >"$work/log" 2>&1
    check_eq "unreadable source: exit 5" 5 $?
    check "unreadable source: its line" grep -q -F "Cannot read folder: $work/locked (access denied)" "$work/log"
    check "unreadable source: nothing merged" grep -q 'Total merged WinFax files: 0' "$work/log"
    chmod 755 "$work/locked"
    ;;
kills)
    # Killed at random points of a run: every output is then its earlier version or complete,
    # and the next run completes everything and leaves no temporary. Each run merges a tree of
    # its own, so that it has every output to write anew, and is killed at a random one of the
    # 300 renames that put its outputs in place, which is made to fail: the outputs before it are
    # complete, the others as they were.
    "$faxgen" --tree "$work/in0" --faxes 300 --pages 2-4 --size 4000-8000 --seed 7 >/dev/null
    "$faxgen" --tree "$work/in2" --faxes 300 --pages 2-4 --size 4000-8000 --seed 6 >/dev/null
    "$console" /q "$work/in0" "$work/out" >/dev/null
    "$console" /q "$work/in2" "$work/complete" >/dev/null
    # Each run is started with a stranger's file under the first name its temporaries take, and
    # spells the save folder its own way; the next run must neither take nor remove that file, and
    # must find what the killed one left whatever the spelling. The shell that plants the file
    # becomes the run, so that the file bears the run's own process number.
    export -f first_temporary
    plant_and_merge='printf "foreign %s" $$ >"out/$(first_temporary $$)" && echo "$(first_temporary $$) foreign $$" >>foreign
        [ $(($1 % 2)) -eq 1 ] && exec "$2" /q "in-$1" out
        exec "$2" /q "$PWD/in-$1" "$PWD/./out/"'
    for i in $(seq "$kills"); do
        "$faxgen" --tree "$work/in-$i" --faxes 300 --pages 2-4 --size 4000-8000 --seed $((20 + i)) >/dev/null
        "$console" /q "$work/in-$i" "$work/complete-$i" >/dev/null
        rm -rf "$work/earlier" && cp -r "$work/out" "$work/earlier"
        at=$((1 + RANDOM % 300))
        (cd "$work" && traced --inject=renameat:error=EIO:signal=SIGKILL:when=$at bash -c "$plant_and_merge" _ "$i" "$console")
        check_eq "kill $i, at rename $at of 300: the run is killed there" 137 $?
        bad="" complete=0
        for f in "$work/out"/*.fxm; do
            name=$(basename "$f")
            if cmp -s "$f" "$work/complete-$i/$name"; then
                complete=$((complete + 1))
            elif ! cmp -s "$f" "$work/earlier/$name"; then
                bad="$bad $name"
            fi
        done
        check_eq "kill $i: every output earlier or complete" "" "$bad"
        check_eq "kill $i, at rename $at of 300: the outputs put in place before it are complete" $((at - 1)) "$complete"
    done
    "$console" /q "$work/in2" "$work/out" >/dev/null
    check "after the kills: the next run completes every output" diff -r -x "~qw????" "$work/complete" "$work/out"
    left=$(cd "$work/out" && for f in \~qw????; do [ -e "$f" ] && printf '%s %s\n' "$f" "$(cat "$f")"; done | sort)
    check_eq "after the kills: no temporary left, every stranger's file as it was" "$(sort "$work/foreign")" "$left"
    ;;
shared)
    # A save folder every user may write to, sticky like /tmp. Another user's run waits for the
    # first run and says so: with the lock file a run makes there, and with one this user may
    # only read (left by an older run, say); then it merges its own faxes beside the first one's.
    command -v setpriv >/dev/null && [ "$(id -u)" -eq 0 ] || skip "another user's run needs root and setpriv"
    "$faxgen" --tree "$work/first" --faxes 300 --pages 2-4 --size 2000-4000 --seed 9 >/dev/null
    "$faxgen" --tree "$work/second" --faxes 20 --pages 2-3 --size 2000-4000 --seed 10 >/dev/null
    for f in "$work/second"/F*; do mv "$f" "$work/second/G${f##*/F}"; done
    chmod 755 "$work" && chmod -R a+rX "$work/second"
    for lock in run reader; do
        shared="$work/shared-$lock"
        mkdir "$shared" && chmod 1777 "$shared"
        if [ "$lock" = run ]; then
            # The first run is stopped while it holds the folder, until the other has said it waits.
            check "$lock: the first run holds the folder" start_holding "$shared" "$console" /q "$work/first" "$shared"
            check_eq "$lock: the lock file may be written by every user of the folder" 666 \
                "$(stat -c %a "$shared/.quirewell.lock")"
        else
            # This shell holds it as an earlier version did, with flock alone, on descriptor 9,
            # which the other run must not inherit.
            touch "$shared/.quirewell.lock" && chmod 644 "$shared/.quirewell.lock"
            exec 9<"$shared/.quirewell.lock" && flock 9
        fi
        : >"$work/second.err" # the last round's words are not this one's
        as_user 65534 "$console" /q "$work/second" "$shared" >/dev/null 2>"$work/second.err" 9<&- &
        second=$!
        check "$lock: the other user's run waits and says so" wait_for_line "$work/second.err" \
            "^Waiting for another Quirewell run to finish with $shared\$"
        check "$lock: it waits" kill -0 "$second"
        if [ "$lock" = run ]; then
            kill -CONT "$holder"
            wait "$tracer"
            check_eq "$lock: the first run exits 0" 0 $?
        else
            exec 9<&-
        fi
        wait "$second"
        check_eq "$lock: the other user's run exits 0" 0 $?
        check_eq "$lock: its faxes are merged, and are its own" 20 \
            "$(find "$shared" -name 'G*fax.fxm' -user 65534 | wc -l)"
        check "$lock: no temporary left" bash -c "! find \"\$0\" -name '~qw????' | grep -q ." "$shared"
    done
    check_eq "the first run's faxes are all there" 300 "$(find "$work/shared-run" -name 'F*fax.fxm' | wc -l)"
    ;;
strangers)
    # Two real accounts: the user who merges, and a stranger who may write the save folder (or the
    # fax folder) too. Whatever links the stranger puts there, the run writes nothing outside the
    # save folder; its own links work as before; and what a killed run left, a stranger's run
    # cannot remove, stays listed until the next run of its owner removes it.
    command -v setpriv >/dev/null && command -v useradd >/dev/null && [ "$(id -u)" -eq 0 ] ||
        skip "two accounts need root, useradd and setpriv"
    for account in qw-merger qw-stranger; do
        id -u "$account" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$account"
    done
    merger=$(id -u qw-merger) stranger=$(id -u qw-stranger)
    as_merger() { as_user "$merger" "$@"; }
    as_stranger() { as_user "$stranger" "$@"; }
    chmod 755 "$work"
    # The merger's own folder, private, with a merged fax of the name the stranger aims at.
    mkdir -p "$work/private" "$work/src/inbox/2024"
    "$faxgen" --tree "$work/src/inbox" --faxes 2 --pages 2 --seed 12 >/dev/null
    "$faxgen" --tree "$work/src/inbox/2024" --faxes 2 --pages 2 --seed 13 >/dev/null
    cp "$work/src/inbox/F00001001.FXR" "$work/private/F00001fax.fxm"
    chown -R qw-merger "$work/private" "$work/src" && chmod 700 "$work/private"
    private_before=$(sources_sha "$work/private")
    for share_mode in 777 1777; do
        share="$work/share-$share_mode"
        mkdir "$share" && chmod "$share_mode" "$share"
        if [ "$share_mode" = 777 ]; then
            refused="$share/inbox"
            as_stranger ln -s "$work/private" "$share/inbox"
        else
            # In a sticky folder one level down: a folder of the stranger's own with the link in it.
            refused="$share/inbox/2024"
            as_stranger mkdir -m 777 "$share/inbox"
            as_stranger ln -s "$work/private" "$share/inbox/2024"
        fi
        as_merger "$console" /s /h "$work/src" "$share" >"$work/log" 2>&1
        check_eq "$share_mode: a stranger's link in the save folder fails its faxes: exit 4" 4 $?
        check "$share_mode: its line" grep -q -F "Not entered: $refused (a link of another user's)" "$work/log"
        check_eq "$share_mode: the merger's private folder is as it was" "$private_before" "$(sources_sha "$work/private")"
        check "$share_mode: the other faxes are merged" grep -q -F "$share/inbox/2024/F00001fax.fxm" "$work/log"
    done
    # The merger's own link leads where it always did.
    own="$work/share-own" && mkdir -m 777 "$own"
    mkdir -m 700 "$work/own-target" && chown qw-merger "$work/own-target"
    as_merger ln -s "$work/own-target" "$own/inbox"
    check_eq "the merger's own link: exit 0" 0 "$(as_merger "$console" /q /s /h "$work/src" "$own"; echo $?)"
    check_eq "the merger's own link: the faxes behind it" 2 "$(find "$work/own-target" -maxdepth 1 -name '*fax.fxm' | wc -l)"
    # A stranger's link in a fax folder others may write leads to the merger's private page files.
    mkdir -m 777 "$work/fax-shared" && mkdir -m 700 "$work/private-pages"
    "$faxgen" --tree "$work/private-pages" --faxes 1 --pages 2 --seed 14 >/dev/null
    chown -R qw-merger "$work/private-pages"
    as_stranger ln -s "$work/private-pages" "$work/fax-shared/theirs"
    as_merger "$console" /s "$work/fax-shared" "$work/share-777" >"$work/log" 2>&1
    check_eq "a stranger's link in the fax folder: exit 0" 0 $?
    check "a stranger's link in the fax folder: its line" \
        grep -q -F "Skipped folder: $work/fax-shared/theirs (a link of another user's)" "$work/log"
    # Killed once it has made a temporary: at its first rename, which would put its first
    # temporary, written and listed, in its merged fax's place (a run renames nothing before it,
    # and its cache only after every output).
    # What it left is the merger's, which the stranger's run in the sticky folder may not remove;
    # it stays listed until the merger's next run.
    "$faxgen" --tree "$work/killed" --faxes 3 --pages 2-4 --seed 15 >/dev/null
    chown -R qw-merger "$work/killed"
    leftovers="$work/share-1777"
    XDG_CACHE_HOME="$work/cache-$merger" traced --inject=renameat:error=EIO:signal=SIGKILL:when=1 \
        setpriv --reuid="$merger" --regid="$merger" --clear-groups "$console" /q "$work/killed" "$leftovers"
    check_eq "the merger's run is killed at its first rename" 137 $?
    check "the killed run left a temporary" compgen -G "$leftovers/~qw????"
    as_stranger "$console" /q "$work/fax-shared" "$leftovers" 2>"$work/err"
    check "the stranger's run cannot remove it and says so" grep -q "^Cannot remove [0-9]* temporar.* that an interrupted run left in $leftovers: .* listed for the next run\$" "$work/err"
    check "it stays listed" compgen -G "$leftovers/.quirewell-????.list"
    as_merger "$console" /q "$work/killed" "$leftovers"
    check "the merger's next run removes it" bash -c "! compgen -G '$leftovers/~qw????'"
    check "and the lists" bash -c "! compgen -G '$leftovers/.quirewell-????.list'"
    ;;
wait)
    # A run that may wait a minute for a folder held all that time gives up after the minute,
    # merges nothing and says so, exit 6; a run killed while it holds the folder lets the next
    # one through at once.
    "$faxgen" --tree "$work/held" --faxes 3 --pages 2 --seed 16 >/dev/null
    "$faxgen" --tree "$work/waiting" --faxes 3 --pages 2 --seed 17 >/dev/null
    for f in "$work/waiting"/F*; do mv "$f" "$work/waiting/G${f##*/F}"; done
    check "the first run holds the folder" start_holding "$work/out" "$console" /q "$work/held" "$work/out"
    start=$(date +%s)
    "$console" /w:1 "$work/waiting" "$work/out" >"$work/log" 2>"$work/err"
    check_eq "/w:1 against a folder held longer: exit 6" 6 $?
    waited=$(($(date +%s) - start))
    check "/w:1: it waited the minute ($waited s)" bash -c "[ $waited -ge 59 ] && [ $waited -le 70 ]"
    check "/w:1: its line, on standard error and in the log" grep -q -x \
        "Gave up waiting for $work/out after 1 minute: another run still holds it" "$work/err" "$work/log"
    check "/w:1: nothing merged" bash -c "! compgen -G '$work/out/G*'"
    kill -9 "$holder" && wait "$tracer" 2>/dev/null
    start=$(date +%s%N)
    check_eq "after the holder was killed: /w:0 gets through" 0 "$("$console" /q /w:0 "$work/waiting" "$work/out"; echo $?)"
    check "at once" [ $((($(date +%s%N) - start) / 1000000)) -lt 2000 ]
    check_eq "its faxes are merged" 3 "$(find "$work/out" -name 'G*fax.fxm' | wc -l)"
    ;;
race)
    # Two runs started together on one destination, round after round with random offsets, both
    # exit 0, every output is a single run's, and nothing else is left in the destination; in a
    # last round they meet for certain (the first stopped while it holds the folder), and the
    # second waits for the first and says so.
    "$faxgen" --tree "$work/race" --faxes 400 --pages 2-6 --size 2000-4000 --seed 8 >/dev/null
    "$console" /q "$work/race" "$work/single" >/dev/null
    for i in $(seq "${QW_RACES:-8}"); do
        sleep "0.0$((RANDOM % 5))"
        "$console" /q "$work/race" "$work/raced" >/dev/null 2>"$work/first.err" &
        pid=$!
        sleep "0.00$((RANDOM % 10))"
        "$console" /q "$work/race" "$work/raced" >/dev/null 2>"$work/second.err"
        second=$?
        wait "$pid"
        first=$?
        check_eq "round $i: both runs exit 0" "0 0" "$first $second"
    done
    check "the last round's first run holds the folder" start_holding "$work/raced" "$console" /q "$work/race" "$work/raced"
    "$console" /q "$work/race" "$work/raced" >/dev/null 2>"$work/second.err" &
    second=$!
    check "a run that meets the other waits and says so" wait_for_line "$work/second.err" \
        "^Waiting for another Quirewell run to finish with $work/raced\$"
    kill -CONT "$holder"
    wait "$tracer"
    first=$?
    wait "$second"
    check_eq "the last round: both runs exit 0" "0 0" "$first $?"
    check "every output is a single run's, and nothing else is there" diff -r "$work/single" "$work/raced"
    ;;
large)
    # A 300 MB file with a page file's name that is no page file costs a header's read, not its
    # size in memory: the run's peak grows by far less than the file against a small one.
    mkdir -p "$work/small" "$work/large"
    cp "$work/in"/F00001001.FXR "$work/small/" && cp "$work/in"/F00001001.FXR "$work/large/"
    head -c 4096 /dev/zero >"$work/small/X001.FXD"
    truncate -s 300M "$work/large/X001.FXD"
    peak() { /usr/bin/time -f %M "$console" /q "$work/$1" "$work/$1-out" 2>&1 >/dev/null | tail -n 1; }
    small_peak=$(peak small)
    large_peak=$(peak large)
    check "a 300 MB non-fax file grows the peak by less than 16 MB ($small_peak KB, then $large_peak KB)" \
        [ $((large_peak - small_peak)) -lt 16384 ]
    "$console" "$work/large" "$work/large-out" >"$work/log"
    check_eq "the large file is refused: exit 4" 4 $?
    check "the large file is refused as no page file" grep -q 'X001.FXD -> .* (failed: not a WinFax page file)' "$work/log"
    ;;
*)
    echo "fault_test.sh: unknown case $case_name" >&2
    exit 2
    ;;
esac
check_eq "sources unchanged" "$before" "$(sources_sha "$work/in")"

e2e_finish

#!/usr/bin/env bash
# The lab always cleans up: after a failing command, after a signal, and a
# killed lab is removed by the next "scripts/lab clean".
#   lab_cleanup_test.sh LAB_SCRIPT SIM_CONFIG
set -u
lab=$1
config=$2
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

left_over() {
    ip netns list 2>/dev/null | awk '{print $1}' | grep '^swp-'
}

# Checks under the lab lock, so that a lab run of someone else on this machine
# (which waits for the lock) is never taken for one of ours.
expect_clean() {
    local what=$1 stale= cmdline
    exec 8>>/run/swp-lab/default.lock
    flock -w 900 8
    if [ -n "$(left_over)" ]; then
        fail "$what: namespaces left: $(left_over | tr '\n' ' ')"
        stale=1
    fi
    for cmdline in /proc/[0-9]*/cmdline; do
        if tr '\0' ' ' <"$cmdline" 2>/dev/null | grep -q -- '--config /run/swp-lab/default/'; then
            fail "$what: a devsim of the lab is still running"
            break
        fi
    done
    flock -u 8
    exec 8>&-
    [ -z "$stale" ] || "$lab" clean
}

wait_for_host() {
    local n
    for ((n = 0; n < 200; n++)); do
        [ -e /run/netns/swp-host ] && ip netns pids swp-host | grep -q . && return 0
        sleep 0.05
    done
    return 1
}

# A failing command: its exit code comes back, nothing stays.
"$lab" run --sim "dev1=$config" -- false
code=$?
[ $code -eq 1 ] || fail "run -- false exited with $code, expected 1"
expect_clean "after a failing command"

"$lab" run -- sh -c 'exit 7'
code=$?
[ $code -eq 7 ] || fail "run -- exit 7 exited with $code"
expect_clean "after exit 7"

# The command sees the lab: its adapters and the run folder.
"$lab" run -- sh -c 'ip -brief addr show swpa0 | grep -q 10.91.1.1/24 &&
    ip -brief addr show swpb0 | grep -q 10.91.2.1/24 && [ -d "$SWP_LAB_DIR" ] && [ "$SWP_LAB" = 1 ]'
[ $? -eq 0 ] || fail "the command did not see the lab"
expect_clean "after a look around"

# Twice in a row works.
"$lab" run --sim "dev1=$config" -- true || fail "first of two runs"
"$lab" run --sim "dev1=$config" -- true || fail "second of two runs"
expect_clean "after two runs"

# SIGTERM in the middle of a run: the trap cleans up.
"$lab" run --sim "dev1=$config" -- sleep 60 &
pid=$!
wait_for_host || fail "the lab did not come up for the signal test"
kill -TERM $pid
wait $pid
code=$?
[ $code -eq 143 ] || fail "terminated run exited with $code, expected 143"
expect_clean "after SIGTERM"

# SIGKILL in the middle of a run: nothing can clean then, the next clean does.
"$lab" run --sim "dev1=$config" -- sleep 60 &
pid=$!
wait_for_host || fail "the lab did not come up for the kill test"
kill -KILL $pid
wait $pid 2>/dev/null
# (Another lab run waiting for the lock may have removed it already.)
[ -n "$(left_over)" ] || echo "note: the killed lab was already gone before clean"
"$lab" clean
expect_clean "after clean of a killed run"
"$lab" clean || fail "clean of nothing"

# up, exec, down
"$lab" up --sim "dev1=$config" || fail "up"
"$lab" exec -- ip -brief link show swpa0 >/dev/null || fail "exec in a lab that is up"
"$lab" down || fail "down"
expect_clean "after down"

if [ $failures -ne 0 ]; then
    echo "$failures failure(s)" >&2
    exit 1
fi
echo "lab cleanup: all good"

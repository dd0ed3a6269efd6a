#!/usr/bin/env bash
# The lab runs as root; a local user must not be able to make it remove, write
# or lock anything. Each case plants its traps as an unprivileged user in a
# private /tmp (a mount namespace of its own), then root's lab commands must
# still work and every file outside the lab's own folders stay as it was.
# Also: every command refuses a normal user with "needs root", two labs run
# side by side by name, and exec --user runs the command as that user with
# SIGINT and SIGQUIT at their defaults.
#   lab_hostile_test.sh LAB_SCRIPT
set -u
lab=$(realpath "$1")
user=nobody
name=hostile
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

if [ "${2:-}" != --private ]; then
    [ "$(id -u)" -eq 0 ] || { echo "needs root" >&2; exit 1; }
    exec unshare --mount --propagation private "$0" "$1" --private
fi
# The private /tmp hides a checkout that lies in /tmp: the lab runs from a
# copy in a root-owned folder there.
script=$(cat "$lab") || exit 1
mount -t tmpfs -o mode=1777 swp-lab-test /tmp || { echo "cannot mount a private /tmp" >&2; exit 1; }
mkdir -m 0755 -p /tmp/lab-source/scripts
printf '%s\n' "$script" >/tmp/lab-source/scripts/lab
chmod 0755 /tmp/lab-source/scripts/lab
lab=/tmp/lab-source/scripts/lab

as_user() {
    setpriv --reuid="$user" --regid="$(id -g "$user")" --clear-groups --inh-caps=-all "$@"
}

# What a case may not change: every file in /tmp with its size, mode, owner
# and contents.
snapshot() {
    find /tmp -xdev -printf '%p %y %s %m %u %l\n' | sort
    find /tmp -xdev -type f -exec md5sum {} + 2>/dev/null | sort
}

# name | what the user plants (run by sh as the user, in /tmp)
cases=(
    "state file names a folder outside|mkdir -p swp-lab.x victim && echo k >victim/keep &&
        echo /tmp/swp-lab.x/../victim >swp-lab.current"
    "state file is a link|echo k >keep && ln -s /tmp/keep swp-lab.current"
    "lock is a link|echo k >keep && ln -s /tmp/keep swp-lab.lock"
    "run folders of the old layout|mkdir swp-lab.AbCdEf && echo k >swp-lab.AbCdEf/keep"
    "lock held by the user|touch swp-lab.lock && (flock swp-lab.lock sleep 8 &) && sleep 0.2"
    "the lab's lock taken by the user|flock -n /run/swp-lab/$name.lock sleep 8 & sleep 0.2"
    "the lab's folder made by the user|mkdir -p /run/swp-lab/$name/run; ln -s /tmp /run/swp-lab/$name/run; true"
    "links to the lab's state|ln -s /run/swp-lab/$name swp-lab.$name && ln -s /run/swp-lab/$name.lock lock"
)
for entry in "${cases[@]}"; do
    what=${entry%%|*}
    plant=${entry#*|}
    as_user sh -c "cd /tmp && $plant" 2>/dev/null
    before=$(snapshot)
    out=$(timeout 120 "$lab" --name "$name" run -- sh -c 'echo "in $SWP_LAB_NAME"' 2>&1)
    [ "$out" = "in $name" ] || fail "$what: run gave '$out'"
    timeout 60 "$lab" --name "$name" clean || fail "$what: clean failed"
    [ "$before" = "$(snapshot)" ] || fail "$what: /tmp changed: $(diff <(echo "$before") <(snapshot))"
    [ ! -e "/run/swp-lab/$name" ] || fail "$what: the lab's folder is left"
    find /tmp -mindepth 1 ! -path /tmp/lab-source ! -path '/tmp/lab-source/*' -delete
done

# Root-owned entries of the state folder that lead elsewhere: a link is
# removed, never followed; what is not root's is left alone.
mkdir -m 1777 /tmp/victim && echo k >/tmp/victim/keep
"$lab" --name "$name" up >/dev/null || fail "up"
ln -s /tmp/victim "/run/swp-lab/$name/elsewhere"
ln -s /tmp/victim "/run/swp-lab/$name/run/elsewhere"
mkdir "/run/swp-lab/$name/theirs" && chown "$user" "/run/swp-lab/$name/theirs"
"$lab" --name "$name" down 2>/dev/null
[ -f /tmp/victim/keep ] || fail "a link in the state folder was followed"
[ -d "/run/swp-lab/$name/theirs" ] || fail "a folder not root's was removed"
rm -rf "/run/swp-lab/$name"

# Every command refuses a normal user, with one line and nothing else done.
for command in up down clean status "run -- true" "exec -- true"; do
    out=$(as_user "$lab" --name "$name" $command 2>&1)
    code=$?
    [ $code -eq 2 ] && [[ $out == *"needs root"* ]] && [ "$(wc -l <<<"$out")" -eq 1 ] ||
        fail "as a user, $command: exit $code, '$out'"
done

# Two labs side by side, each with its own namespaces and network; exec
# --user runs as that user, with Ctrl-C's signals at their defaults.
"$lab" --name "$name" up >/dev/null && "$lab" --name "${name}2" up >/dev/null || fail "two labs up"
one=$("$lab" --name "$name" exec --user "$user" -- sh -c \
    'echo "$(id -un) $SWP_LAB_NET $(grep SigIgn /proc/self/status | cut -f2)"')
two=$("$lab" exec --name "${name}2" -- sh -c 'echo "$SWP_LAB_NET $(ip -brief addr show swpa0)"')
[[ $one == "$user 10."*" 0000000000000000" ]] || fail "exec --user gave '$one'"
[ "$(cut -d' ' -f2 <<<"$one")" != "${two%% *}" ] && [[ $two == *" ${two%% *}.1.1/24"* ]] ||
    fail "two labs share a network: '$one', '$two'"
"$lab" --name "$name" down && "$lab" --name "${name}2" down || fail "two labs down"
ip netns list | grep -q "^swplab-$name" && fail "namespaces left: $(ip netns list | grep swplab-)"

if [ $failures -ne 0 ]; then
    echo "$failures failure(s)" >&2
    exit 1
fi
echo "lab against a hostile user: all good"

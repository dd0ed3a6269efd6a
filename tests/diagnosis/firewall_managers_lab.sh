#!/usr/bin/env bash
# swpctl doctor on the firewalls desktops ship enabled, each made for real in
# the lab's computer namespace: ufw with its defaults, firewalld in its default
# zone (on a system bus of its own), a DROP in the legacy iptables tables. For
# each, as root: the manager is named, its own command is the first fix and no
# other program's warning reaches the report; as nobody: what could not be
# checked leads, with how to check it as administrator, and no device advice
# (reset) is given. Once the first fix has run, both exit 0.
#
# Runs inside the lab, as root, with the managers' files private:
#   scripts/lab run --sim dev1=lab-firewall.json --
#       tests/common/private-firewall-files firewall_managers_lab.sh SWPCTL
# so the machine's own firewall files are never written.
set -uo pipefail

# ufw and firewalld write their files: only ever with private copies of them.
if [ "${SWP_PRIVATE_FIREWALL_FILES:-}" != 1 ] || ! grep -q ' /etc/ufw .* - tmpfs ' /proc/self/mountinfo; then
    echo "firewall_managers_lab: run me through tests/common/private-firewall-files" >&2
    exit 2
fi

swpctl_built=$1
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# nobody must be able to run the client (a checkout under /root is not reachable).
bin=$(mktemp -d)
chmod 755 "$bin"
cp "$swpctl_built" "$bin/swpctl"
swpctl=$bin/swpctl

# doctor ROOT|nobody: the JSON in $out_json, the text in $out_text, code in $code.
doctor() {
    local -a as=()
    [ "$1" = nobody ] && as=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    out_json=$("${as[@]}" "$swpctl" doctor --json --speedup 5 2>/dev/null)
    code=$?
    out_text=$("${as[@]}" "$swpctl" doctor --speedup 5 2>&1)
    [ -z "${SWP_FIREWALL_VERBOSE:-}" ] || printf -- "-- %s, exit %s\n%s\n" "$1" "$code" "$out_text"
}
field() { # a Python expression over the report j and its main finding m
    python3 -c '
import json, sys
j = json.loads(sys.stdin.read() or "{}")
m = next((f for f in j.get("findings", []) if f["cause"] == j.get("main_cause")), {})
print(eval(sys.argv[1]))' "$1" <<<"$out_json"
}

dbus_pid=
firewalld_pid=
start_firewalld() {
    dbus-daemon --system --fork --nopidfile --print-pid >/tmp/swp-fw-dbus.$$ || return 1
    dbus_pid=$(cat /tmp/swp-fw-dbus.$$)
    rm -f /tmp/swp-fw-dbus.$$
    /usr/sbin/firewalld --nofork --nopid >/dev/null 2>&1 &
    firewalld_pid=$!
    for _ in $(seq 150); do
        /usr/bin/firewall-cmd --state >/dev/null 2>&1 && return 0
        sleep 0.2
    done
    return 1
}
stop_firewalld() {
    [ -n "$firewalld_pid" ] && kill "$firewalld_pid" && wait "$firewalld_pid" 2>/dev/null
    [ -n "$dbus_pid" ] && kill "$dbus_pid"
    firewalld_pid=''
    dbus_pid=
    nft flush ruleset
}
trap stop_firewalld EXIT

# name | set up | undo | manager | first fix (extended regex) | rule evidence (fixed text)
cases=(
    "ufw enabled|/usr/sbin/ufw --force enable >/dev/null|/usr/sbin/ufw --force disable >/dev/null; nft flush ruleset|ufw|^sudo /usr/sbin/ufw allow proto udp from any port 5432 to any port 5433\$|policy drop"
    "firewalld running|start_firewalld|stop_firewalld|firewalld|^sudo /usr/bin/firewall-cmd --zone=public --add-port=5433/udp\$|reject with icmpx admin-prohibited"
    "iptables-legacy drop|/usr/sbin/iptables-legacy -A INPUT -p udp --dport 5433 -j DROP|/usr/sbin/iptables-legacy -F INPUT|iptables-legacy|^sudo /usr/sbin/iptables-legacy -I INPUT -p udp --dport 5433 -j ACCEPT\$|-A INPUT -p udp -m udp --dport 5433 -j DROP"
)

for entry in "${cases[@]}"; do
    IFS='|' read -r name setup undo manager fix rule <<<"$entry"
    echo "== $name"
    eval "$setup" || { fail "$name: set up"; continue; }

    doctor root
    [ "$code" -eq 12 ] || fail "$name, root: exit $code, not 12: $out_text"
    [ "$(field 'm.get("evidence", {}).get("manager")')" = "$manager" ] ||
        fail "$name, root: manager not $manager: $out_json"
    first=$(field 'm["fixes"][0]["command"] if m.get("fixes") else ""')
    [[ $first =~ $fix ]] || fail "$name, root: first fix '$first' is not the manager's"
    field 'm.get("evidence", {}).get("rule", "")' | grep -qF -- "$rule" ||
        fail "$name, root: the rule is not named: $out_json"
    grep -q "nft insert" <<<"$out_text" && fail "$name, root: nft insert into a managed table"
    grep -q "# Warning" <<<"$out_text" && fail "$name, root: nft's warning in the report"

    doctor nobody
    [ "$code" -eq 3 ] || fail "$name, nobody: exit $code, not 3: $out_text"
    [ "$(field 'j["main_cause"]')" = not-checked ] || fail "$name, nobody: main cause: $out_json"
    lead=$(sed -n 3p <<<"$out_text")
    [[ $lead == *"pkexec "*" doctor"* ]] || fail "$name, nobody: not led by the check as administrator: $out_text"
    grep -q "reset it to factory settings" <<<"$out_text" &&
        fail "$name, nobody: device reset advised with the firewall unchecked"

    eval "${first#sudo }" >/dev/null 2>&1 || fail "$name: the fix '$first' failed"
    for who in root nobody; do
        doctor "$who"
        [ "$code" -eq 0 ] || fail "$name, $who, after the fix: exit $code: $out_text"
    done
    eval "$undo" || fail "$name: undo"
done

[ "$failures" -eq 0 ] && echo "firewall_managers_lab: all passed"
[ "$failures" -eq 0 ]

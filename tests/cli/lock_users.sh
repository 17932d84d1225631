#!/usr/bin/env bash
# Device locks between two users of one PC, in a shared sticky lock folder as
# /run/lock is: a second user's run on a device the first one drives is told
# "busy" (exit 5), whatever mode the holder's file has; a file either user
# makes is every user's to lock; a link another user planted is not followed.
# Usage: lock_users.sh CLI SIM IMAGE ARTIFACTS
set -uo pipefail
CLI=$1 SIM=$2 IMAGE=$3 ARTIFACTS=$4/lock_users
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../require.sh"
[ "$(id -u)" = 0 ] || skip "needs root to run tqm530r as a second user"
require_tools setpriv python3
rm -rf "$ARTIFACTS"
source "$here/lib.sh"

# What the second user (nobody) can reach: the program, its own home, and
# the lock folder both users share, sticky and writable by all.
shared=$(mktemp -d)
trap 'sims_stop; rm -rf "$shared"' EXIT
chmod 755 "$shared"
cp "$CLI" "$shared/tqm530r"
LOCKS=$shared/locks
mkdir -m 1777 "$LOCKS"
mkdir "$shared/home"
chown nobody:nogroup "$shared/home"
export TQM530R_LOCK_DIR=$LOCKS
# as_nobody CMD...: CMD as the second user, with umask 077.
as_nobody() {
  setpriv --reuid=nobody --regid=nogroup --clear-groups \
    env HOME="$shared/home" XDG_STATE_HOME="$shared/home/state" TQM530R_LOCK_DIR="$LOCKS" \
    sh -c 'umask 077; exec "$@"' sh "$@"
}
lock_of() { echo "$LOCKS/tqm530r-127.0.0.1-$1.lock"; }
mode_of() { stat -c %a "$1"; }

sim_start dev --slow-flash 3000
"$CLI" update --yes --json 127.0.0.1:$PORT_dev > "$ARTIFACTS/holder.stdout" 2> "$ARTIFACTS/holder.stderr" < /dev/null &
holder=$!
wait_for "$ARTIFACTS/holder.stdout" '"phase":"flash"' 30
check "the holder's lock file is every user's to lock (0666, whatever the umask)" is "$(mode_of "$(lock_of $PORT_dev)")" 666
# 0644: as a lock file made under umask 022 is; nobody then opens it read-only.
for mode in 666 644; do
  chmod "$mode" "$(lock_of $PORT_dev)"
  run "version-$mode" as_nobody "$shared/tqm530r" version 127.0.0.1:$PORT_dev
  check "a second user's version while the first updates (file $mode): exit 5, the holder named" eval \
    'is $RC 5 && has "$ERR" "another tqm530r (pid " && has "$ERR" "is driving this device" && lacks "$ERR" "denied"'
done
run update-second as_nobody "$shared/tqm530r" update --yes --reinstall 127.0.0.1:$PORT_dev
check "a second user's update meanwhile: exit 5, busy" eval 'is $RC 5 && has "$OUT" busy && lacks "$OUT$ERR" "denied"'
wait $holder
check "the first user's update finished: exit 0" is $? 0
run version-after as_nobody "$shared/tqm530r" version 127.0.0.1:$PORT_dev
check "afterwards the second user reaches the device through the first one's file" is $RC 0

sim_start other
run version-made as_nobody "$shared/tqm530r" version 127.0.0.1:$PORT_other
check "a lock file the second user makes under umask 077 is 0666 too" eval \
  'is $RC 0 && is "$(mode_of "$(lock_of $PORT_other)")" 666'

# A link the second user plants where the first one's lock file will be.
sim_start planted
victim=$shared/victim
echo keep > "$victim"
as_nobody ln -s "$victim" "$(lock_of $PORT_planted)"
run planted "$CLI" version 127.0.0.1:$PORT_planted
check "a planted link is not followed: refused with the reason, its target untouched" eval \
  'is $RC 5 && has "$ERR" "is a symbolic link; it is not followed" && is "$(cat "$victim")" keep'
check "  and the device was not touched" eval '! grep -q connected "$ARTIFACTS/planted.log"'
finish

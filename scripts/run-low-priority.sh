#!/usr/bin/env bash
# Runs a command, and everything it starts, at the lowest CPU priority the machine allows.
# Usage: run-low-priority.sh COMMAND [ARGS...]
# nice alone does not hold where the kernel shares the CPU between sessions (autogroup): Wine
# starts its server and services in sessions of their own, and each session gets a full share
# whatever its nice. A CPU cgroup of the least weight, made beside this script's own, holds every
# descendant whatever its session; where none can be made (no rights, no cpu controller), nice is
# what remains.
set -uo pipefail
own_path() {  # this process's cgroup path in the hierarchy whose controllers match $1
  awk -F: -v want="$1" '$2 ~ want { print $3; exit }' /proc/self/cgroup
}
group=""
parent=""
v1_mount=$(awk '$3 == "cgroup" && $4 ~ /(^|,)cpu(,|$)/ { print $2; exit }' /proc/mounts)
v2_mount=$(awk '$3 == "cgroup2" { print $2; exit }' /proc/mounts)
candidates=()
[ -z "$v1_mount" ] || candidates+=("$v1_mount$(own_path '(^|,)cpu(,|$)')" shares)
[ -z "$v2_mount" ] || candidates+=("$v2_mount$(own_path '^$')" weight)
for ((i = 0; i < ${#candidates[@]}; i += 2)); do
  base=${candidates[i]%/} kind=${candidates[i + 1]}
  dir=$base/velmar-low-$$
  mkdir "$dir" 2>/dev/null || continue
  if { [ "$kind" = shares ] && echo 2 >"$dir/cpu.shares"; } 2>/dev/null ||
    { [ "$kind" = weight ] && echo 1 >"$dir/cpu.weight"; } 2>/dev/null; then
    if echo $$ 2>/dev/null >"$dir/cgroup.procs"; then
      group=$dir parent=$base
      break
    fi
  fi
  rmdir "$dir" 2>/dev/null
done
nice -n 19 "$@" &
child=$!
trap 'kill "$child" 2>/dev/null' TERM INT HUP
wait "$child"
status=$?
# A signal ends the wait early: wait for the command itself to end.
while kill -0 "$child" 2>/dev/null; do wait "$child"; status=$?; done
if [ -n "$group" ]; then
  echo $$ >"$parent/cgroup.procs" 2>/dev/null
  rmdir "$group" 2>/dev/null  # a process it started may still be in it: then it stays
fi
exit $status

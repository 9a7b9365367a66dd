# Sourced by the demo scripts, from the project's root with WINEPREFIX set: the instrument
# simulator on COM12 of that prefix, which then shows the test ports only.
port=12
ports_dir=$PWD/build/windows/ports

# A Unix path as the Windows side sees it.
win() { printf 'Z:%s' "${1//\//\\}"; }

# Starts the simulator for $1 seconds at most; its process id is left in $sim.
start_simulated_port() {
  build/native/tools/velmar-sim --link "$ports_dir/com$port" --lifetime "$1" >/dev/null 2>&1 &
  sim=$!
  for _ in $(seq 100); do [ -e "$ports_dir/com$port" ] && break; sleep 0.05; done
  wineserver -p </dev/null >/dev/null 2>&1 || true  # already up is fine
  # The services this first client starts outlive it: keep them off our output.
  wine build/windows/velmar-portctl.exe only 2 3 7 12 13 </dev/null >/dev/null 2>&1
}

# Sourced by bench/run: two network shares for cases G and H, served by a
# throwaway sshd on 127.0.0.1 and mounted with sshfs under /mnt.
#
#   net_up BACKING   serves BACKING/share-1 and BACKING/share-2 and mounts
#                    them under /mnt/pelmora-bench-net-XXXXXX; on success
#                    net_shares holds the two mount points, otherwise
#                    net_skip says why (and nothing is left running)
#   net_relay_up RELAY DELAY_MS
#                    mounts the same two folders again, reached through
#                    RELAY (bench/relay) as ssh's ProxyCommand, which holds
#                    every chunk back by DELAY_MS each way; on success
#                    net_relay_shares holds the mount points and
#                    net_relay_remotes the folders as rsync over ssh names
#                    them (with net_relay_ssh as its -e), otherwise net_skip
#                    says why
#   net_relay_down   unmounts what net_relay_up mounted
#   net_down         unmounts and ends everything net_up started; safe to
#                    call in any state, and more than once (bench/run's trap)
#   round_trip_ms SHARE
#                    what a stat of a missing name there costs, in ms
#
# The keys, the server's configuration and its log live in a temporary
# folder; nothing in ~/.ssh is read or written (ssh -F /dev/null, known
# hosts /dev/null). Every process is ended by the pid kept here.

net_dir=
net_mnt=
net_sshd_pid=
net_sshfs_pids=()
net_mounted=()
net_shares=()
net_relay_shares=()
net_relay_remotes=()
net_relay_ssh=
net_backing=
net_skip=
net_made_run_sshd=0

net_fusermount() { command -v fusermount3 || command -v fusermount; }

# Ports something listens on, from the kernel's tables.
net_listening_ports() {
  local f
  for f in /proc/net/tcp /proc/net/tcp6; do
    [ -r "$f" ] || continue
    tail -n +2 "$f" | while read -r _ local _ state _; do
      [ "$state" = 0A ] && echo $((16#${local##*:}))
    done
  done
}

net_listens_on() { net_listening_ports | grep -qx "$1"; }

# net_end PID: ends a process we started, by its pid, at last by force.
net_end() {
  local pid=$1 i
  kill "$pid" 2>/dev/null || return 0
  for i in $(seq 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

net_down() {
  local i fm errexit=$-
  set +e # runs from traps too: every step is tried, whatever failed before
  fm=$(net_fusermount)
  for ((i = ${#net_mounted[@]} - 1; i >= 0; i--)); do
    [ -n "$fm" ] && "$fm" -u -z "${net_mounted[i]}" 2>/dev/null
  done
  net_mounted=()
  for i in "${net_sshfs_pids[@]}"; do net_end "$i"; done
  net_sshfs_pids=()
  [ -n "$net_sshd_pid" ] && net_end "$net_sshd_pid"
  net_sshd_pid=
  if [ -n "$net_mnt" ]; then
    rmdir "$net_mnt"/* "$net_mnt" 2>/dev/null
    net_mnt=
  fi
  [ -n "$net_dir" ] && rm -rf "$net_dir"
  net_dir=
  [ "$net_made_run_sshd" -eq 1 ] && rmdir /run/sshd 2>/dev/null
  net_made_run_sshd=0
  net_shares=()
  net_relay_shares=()
  [[ $errexit == *e* ]] && set -e
  return 0
}

# net_fail REASON: gives up on the shares, leaving nothing behind.
net_fail() {
  net_skip=$1
  [ -n "$net_dir" ] && [ -s "$net_dir/log" ] && net_skip="$net_skip ($(tail -n 2 "$net_dir/log" | tr '\n' ' '))"
  net_down
  return 1
}

net_start_sshd() {
  local sshd port try i
  sshd=$(command -v sshd || echo /usr/sbin/sshd)
  for try in 1 2 3 4 5; do
    port=$((20000 + RANDOM % 40000))
    net_listens_on "$port" && continue
    cat >"$net_dir/sshd_config" <<EOF
Port $port
ListenAddress 127.0.0.1
HostKey $net_dir/host_key
AuthorizedKeysFile $net_dir/authorized_keys
PidFile $net_dir/sshd.pid
UsePAM no
StrictModes no
PubkeyAuthentication yes
PasswordAuthentication no
KbdInteractiveAuthentication no
PermitRootLogin prohibit-password
Subsystem sftp internal-sftp
LogLevel ERROR
EOF
    "$sshd" -D -e -f "$net_dir/sshd_config" 2>>"$net_dir/log" &
    net_sshd_pid=$!
    for i in $(seq 50); do
      kill -0 "$net_sshd_pid" 2>/dev/null || break
      if net_listens_on "$port"; then
        net_port=$port
        return 0
      fi
      sleep 0.1
    done
    net_end "$net_sshd_pid"
    net_sshd_pid=
  done
  return 1
}

# The options of every ssh that reaches the private sshd: its own keys, no
# ~/.ssh, no questions.
net_ssh_options() {
  echo -F /dev/null -p "$net_port" -o IdentityFile="$net_dir/user_key" -o IdentitiesOnly=yes \
    -o StrictHostKeyChecking=no -o UserKnownHostsFile=/dev/null -o BatchMode=yes -o LogLevel=ERROR
}

# net_mount FOLDER MOUNT_POINT [SSH_OPTION...]: mounts the sshd's FOLDER,
# kept for net_down; on failure gives up on every share.
net_mount() {
  local folder=$1 mnt=$2 k opts
  shift 2
  read -ra opts < <(net_ssh_options)
  mkdir -p "$mnt"
  sshfs -f "$(id -un)@127.0.0.1:$folder" "$mnt" "${opts[@]}" "$@" 2>>"$net_dir/log" &
  net_sshfs_pids+=($!)
  net_mounted+=("$mnt")
  for k in $(seq 100); do
    findmnt -n -t fuse.sshfs "$mnt" >/dev/null 2>&1 && break
    kill -0 "${net_sshfs_pids[-1]}" 2>/dev/null || break
    sleep 0.1
  done
  findmnt -n -t fuse.sshfs "$mnt" >/dev/null 2>&1 || { net_fail "sshfs did not mount $mnt"; return 1; }
}

net_up() {
  local backing=$1 i
  net_skip=
  [ "$(id -u)" -eq 0 ] || { net_skip="needs root (a private sshd and FUSE mounts)"; return 1; }
  for i in sshd ssh ssh-keygen sshfs; do
    command -v "$i" >/dev/null || [ -x "/usr/sbin/$i" ] ||
      { net_skip="$i is missing (scripts/install-deps bench)"; return 1; }
  done
  [ -n "$(net_fusermount)" ] || { net_skip="fusermount is missing"; return 1; }
  [ -c /dev/fuse ] || { net_skip="no /dev/fuse"; return 1; }

  net_dir=$(mktemp -d /tmp/pelmora-bench-ssh.XXXXXX)
  ssh-keygen -q -t ed25519 -N '' -f "$net_dir/host_key" || { net_fail "ssh-keygen failed"; return 1; }
  ssh-keygen -q -t ed25519 -N '' -f "$net_dir/user_key" || { net_fail "ssh-keygen failed"; return 1; }
  cp "$net_dir/user_key.pub" "$net_dir/authorized_keys"
  if [ ! -d /run/sshd ]; then
    mkdir -p /run/sshd && chmod 755 /run/sshd && net_made_run_sshd=1
  fi
  net_start_sshd || { net_fail "sshd did not start"; return 1; }
  net_backing=$backing
  net_mnt=$(mktemp -d /mnt/pelmora-bench-net-XXXXXX)
  for i in 1 2; do
    mkdir -p "$backing/share-$i"
    net_mount "$backing/share-$i" "$net_mnt/share-$i" || return 1
    net_shares+=("$net_mnt/share-$i")
  done
  return 0
}

net_relay_up() {
  local relay=$1 delay=$2 i proxy
  [ -n "$net_mnt" ] || { net_skip="no sshd (net_up)"; return 1; }
  [ -x "$relay" ] || { net_skip="$relay was not built"; return 1; }
  relay=$(realpath "$relay") # (sshfs leaves the folder it was started in)
  net_relay_down
  # ssh puts the port in for %p; a path with a space or comma would split
  # sshfs's option or ssh's command.
  proxy="$relay %p $delay"
  net_relay_ssh="ssh $(net_ssh_options) -o 'ProxyCommand=$proxy'"
  for i in 1 2; do
    net_mount "$net_backing/share-$i" "$net_mnt/relay-$i" -o "ProxyCommand=$proxy" || return 1
    net_relay_shares+=("$net_mnt/relay-$i")
    net_relay_remotes+=("$(id -un)@127.0.0.1:$net_backing/share-$i")
  done
}

net_relay_down() {
  local i fm
  fm=$(net_fusermount)
  for ((i = ${#net_mounted[@]} - 1; i >= 0; i--)); do
    [[ ${net_mounted[i]} == "$net_mnt"/relay-* ]] || continue
    [ -n "$fm" ] && "$fm" -u -z "${net_mounted[i]}" 2>/dev/null
    net_end "${net_sshfs_pids[i]}"
    rmdir "${net_mounted[i]}" 2>/dev/null
    unset 'net_mounted[i]' 'net_sshfs_pids[i]'
  done
  net_mounted=("${net_mounted[@]}")
  net_sshfs_pids=("${net_sshfs_pids[@]}")
  net_relay_shares=()
  net_relay_remotes=()
  return 0
}

# round_trip_ms SHARE: what a stat of a missing name costs there (sshfs
# asks the server each time; one stat process for 20 names, so that starting
# it hardly counts): the link's round trip as the copies meet it.
round_trip_ms() {
  local k t0 t1 missing=()
  for k in $(seq 20); do missing+=("$1/missing-$k-$RANDOM"); done
  t0=$EPOCHREALTIME
  stat -- "${missing[@]}" >/dev/null 2>&1 || true
  t1=$EPOCHREALTIME
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.1f", (b - a) * 1000 / 20 }'
}

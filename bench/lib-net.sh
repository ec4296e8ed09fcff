# Sourced by bench/run: two network shares for case G, served by a
# throwaway sshd on 127.0.0.1 and mounted with sshfs under /mnt.
#
#   net_up BACKING   serves BACKING/share-1 and BACKING/share-2 and mounts
#                    them under /mnt/pelmora-bench-net-XXXXXX; on success
#                    net_shares holds the two mount points, otherwise
#                    net_skip says why (and nothing is left running)
#   net_down         unmounts and ends everything net_up started; safe to
#                    call in any state, and more than once (bench/run's trap)
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

net_up() {
  local backing=$1 user i mnt
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

  user=$(id -un)
  net_mnt=$(mktemp -d /mnt/pelmora-bench-net-XXXXXX)
  for i in 1 2; do
    mkdir -p "$backing/share-$i" "$net_mnt/share-$i"
    mnt=$net_mnt/share-$i
    sshfs -f "$user@127.0.0.1:$backing/share-$i" "$mnt" -F /dev/null -p "$net_port" \
      -o IdentityFile="$net_dir/user_key" -o IdentitiesOnly=yes \
      -o StrictHostKeyChecking=no -o UserKnownHostsFile=/dev/null -o BatchMode=yes \
      -o LogLevel=ERROR 2>>"$net_dir/log" &
    net_sshfs_pids+=($!)
    net_mounted+=("$mnt")
    local k
    for k in $(seq 100); do
      findmnt -n -t fuse.sshfs "$mnt" >/dev/null 2>&1 && break
      kill -0 "${net_sshfs_pids[-1]}" 2>/dev/null || break
      sleep 0.1
    done
    findmnt -n -t fuse.sshfs "$mnt" >/dev/null 2>&1 || { net_fail "sshfs did not mount $mnt"; return 1; }
    net_shares+=("$mnt")
  done
  return 0
}

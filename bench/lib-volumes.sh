# Sourced by bench/run: the file systems the copy cases run on.
#
#   volumes_up   sets work (the folder of the whole run), fs_labels and
#                fs_dir[label] (the folder each file system's workloads go
#                into), small_dir[label] (the size-limited volumes of the
#                sparse-file case) and mounts (every mount, in order)
#   volumes_down unmounts everything, last mounted first, and removes the
#                images; safe to call in any state
#
# As root: a journaled ext4 loop image and a tmpfs (and an xfs image for
# the reflink check), plus a 1 GiB ext4 image and a 1 GiB tmpfs for case E,
# so a copier that writes a sparse file's holes out fills those, never this
# machine's memory. The images live in a tmpfs unless --disk-backed. Without
# root: one folder under $TMPDIR, and no case E.

work=
disk_images=
mounts=()
declare -A fs_dir=()
declare -A small_dir=()
fs_labels=()
small_size=1G

volumes_down() {
  local i
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do umount "${mounts[i]}" 2>/dev/null || true; done
  mounts=()
  [ -n "$work" ] && rm -rf "$work"
  [ -n "$disk_images" ] && rm -rf "$disk_images"
  return 0
}

# mount_ext4 IMAGE SIZE FOLDER: a fresh ext4 (with its journal, the
# default) on a loop image.
mount_ext4() {
  truncate -s "$2" "$1"
  mkfs.ext4 -q -F -L pelmora-bench "$1"
  mkdir -p "$3"
  mount -o loop "$1" "$3"
  mounts+=("$3")
}

# mount_tmpfs SIZE FOLDER NAME
mount_tmpfs() {
  mkdir -p "$2"
  mount -t tmpfs -o "size=$1" "$3" "$2"
  mounts+=("$2")
}

volumes_up() {
  local images
  if [ "$is_root" -eq 1 ]; then
    work=$(mktemp -d /mnt/pelmora-bench.XXXXXX)
    if [ "$disk_backed" -eq 1 ]; then
      images=$(mktemp -d /var/tmp/pelmora-bench.XXXXXX)
      disk_images=$images
    else
      mkdir -p "$work/backing"
      mount -t tmpfs -o size=12G,mode=700 pelmora-bench-images "$work/backing"
      mounts+=("$work/backing")
      images=$work/backing
    fi
    mount_ext4 "$images/ext4.img" 6G "$work/ext4"
    mount_tmpfs 6G "$work/tmpfs" pelmora-bench-tmpfs
    fs_dir[ext4]=$work/ext4
    fs_dir[tmpfs]=$work/tmpfs
    fs_labels=(ext4 tmpfs)
    mount_ext4 "$images/ext4-small.img" "$small_size" "$work/ext4-small"
    mount_tmpfs "$small_size" "$work/tmpfs-small" pelmora-bench-tmpfs-small
    small_dir[ext4]=$work/ext4-small
    small_dir[tmpfs]=$work/tmpfs-small
    if command -v mkfs.xfs >/dev/null; then
      truncate -s 3G "$images/xfs.img"
      mkfs.xfs -q -f -m reflink=1 "$images/xfs.img"
      mkdir -p "$work/xfs"
      mount -o loop "$images/xfs.img" "$work/xfs"
      mounts+=("$work/xfs")
    fi
  else
    note "not root: no loop images or tmpfs mounts; the copy cases run in a folder under ${TMPDIR:-/tmp}"
    work=$(mktemp -d "${TMPDIR:-/tmp}/pelmora-bench.XXXXXX")
    mkdir -p "$work/tmpdir"
    fs_dir[tmpdir]=$work/tmpdir
    fs_labels=(tmpdir)
  fi
}

# release_blocks FOLDER: hands the blocks of deleted files back to the
# memory an image lives in (a loop image in a tmpfs keeps them otherwise).
release_blocks() { fstrim "$1" >/dev/null 2>&1 || true; }

# Sourced by bench/run: the cases and the files they copy.

# make_files DIR COUNT SIZE PREFIX [TIME]: COUNT files of SIZE bytes of
# random data, all with one old modification time (so rsync's quick check
# never skips).
make_files() {
  local dir=$1 count=$2 size=$3 prefix=$4 when=${5:-2020-01-02 03:04:05.123456789}
  mkdir -p "$dir"
  head -c $((count * size)) /dev/urandom | (cd "$dir" && split -b "$size" -a 5 -d - "$prefix")
  find "$dir" -type f -exec touch -d "$when" {} +
  chmod 0644 "$dir"/*
}

# make_sparse FILE: 5 GiB holding 1 MiB of random data in three extents (at
# the start, in the middle, and 1 MiB before the end, so the length is kept
# by a trailing hole alone).
make_sparse() {
  local file=$1 kib=1024
  mkdir -p "$(dirname "$file")"
  : >"$file"
  head -c $((256 * kib)) /dev/urandom | dd of="$file" bs=64K seek=0 oflag=seek_bytes conv=notrunc status=none
  head -c $((512 * kib)) /dev/urandom |
    dd of="$file" bs=64K seek=$((5 * 512 * kib * kib)) oflag=seek_bytes conv=notrunc status=none
  head -c $((256 * kib)) /dev/urandom |
    dd of="$file" bs=64K seek=$((5 * kib * kib * kib - 1280 * kib)) oflag=seek_bytes conv=notrunc status=none
  truncate -s 5G "$file"
  touch -d '2020-01-02 03:04:05.123456789' "$file"
  chmod 0644 "$file"
}

# Cases: source folder, number of target folders (G, H: one on each share).
declare -A case_src=([A]=a [Ar]=a [B]=b [C]=c [D]=d [E]=e [F]=f [G]=g [H]=h)
declare -A case_folders=([A]=10 [Ar]=10 [B]=5 [C]=2 [D]=1 [E]=2 [F]=1 [G]=2 [H]=2)
declare -A case_title=(
  [A]="A: 2,000 x 4 KiB into 10 folders, new"
  [Ar]="A: 2,000 x 4 KiB into 10 folders, replacing"
  [B]="B: 200 x 1 MiB into 5 folders"
  [C]="C: 2 x 512 MiB into 2 folders"
  [D]="D: 32,767 x 512 B into 1 folder"
  [E]="E: 5 GiB sparse, 1 MiB of data in 3 extents, into 2 folders"
  [F]="F: 1 x 2 GiB into 1 folder"
  [G]="G: 2,000 x 4 KiB and 200 x 1 MiB into 1 folder on each of 2 sshfs shares"
  [H]="H: 200 x 4 KiB and 20 x 1 MiB into 1 folder on each of 2 sshfs shares behind a delay")
# What the program's run is told besides the folders.
declare -A case_opts=([Ar]=--dont-confirm [D]=--ui-gaps [E]=--copy-error-ends-run [F]=--ui-gaps [H]=--ui-gaps)

make_workloads() {
  local root=$1
  note "making workloads in $root"
  make_files "$root/src/a" 2000 4096 a
  make_files "$root/src/b" 200 $((1024 * 1024)) b
  make_files "$root/src/c" 2 $((512 * 1024 * 1024)) c
  make_files "$root/src/d" 32767 512 d
  sync
}

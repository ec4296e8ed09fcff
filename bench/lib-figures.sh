# Sourced by bench/run: the figures other than copy runs, taken by
# other_figures into bench/run's results (add_result), with its $bench,
# $rounds, $log, $work and file systems.
#
# The reflink check, "Select All", start-up and peak memory.
other_figures() {
  # ---------------------------------------------------------------- reflink
  reflink_line=
  if [ "$is_root" -eq 1 ] && mountpoint -q "$work/xfs"; then
    note "xfs: C by reflink"
    make_files "$work/xfs/src/c" 2 $((512 * 1024 * 1024)) c
    sync
    for ((r = 0; r < rounds; r++)); do
      prepare "$work/xfs" C
      out=$("$bench" copyrun "$work/xfs/src/c" "$work/xfs/t/C/d1" "$work/xfs/t/C/d2" 2>>"$log")
      add_result "C|xfs|ours" "$(value seconds "$out")"
    done
    shared=$(filefrag -v "$work/xfs/t/C/d1/c00000" | grep -c shared || true)
    total=$(filefrag -v "$work/xfs/t/C/d1/c00000" | grep -cE '^ *[0-9]+:' || true)
    reflink_line="$shared of $total extents of a copy shared with the source (filefrag -v)"
  fi

  # ---------------------------------------------------------------- Select All
  sel_fs=${fs_labels[0]}
  sel_root=${fs_dir[$sel_fs]}
  make_files "$sel_root/src/sel8192" 8192 512 s
  sync
  note "Select All: 8,192 and 32,767 files; find"
  for ((r = 0; r < rounds; r++)); do
    out=$("$bench" selectall "$sel_root/src/sel8192" 2>>"$log")
    add_result "sel|8192" "$(value seconds "$out")"
    add_result "sel|8192|painted" "$(value painted_seconds "$out")"
    out=$("$bench" selectall "$sel_root/src/d" 2>>"$log")
    add_result "sel|32767" "$(value seconds "$out")"
    add_result "sel|32767|painted" "$(value painted_seconds "$out")"
    add_result "sel|32767|list" "$(value list_seconds "$out")"
    add_result "sel|32767|gap" "$(value longest_ui_gap "$out")"
    t0=$EPOCHREALTIME
    find "$sel_root/src/d" -maxdepth 1 -type f -printf '%s\n' >/dev/null
    t1=$EPOCHREALTIME
    add_result "sel|find" "$(elapsed "$t0" "$t1")"
  done

  # ---------------------------------------------------------------- start-up, memory
  note "start-up and peak memory"
  out=$("$bench" startup "$rounds" 2>>"$log") && add_result "startup|offscreen" "$(value seconds "$out")"
  if [ -n "$x_display" ]; then
    out=$(QT_QPA_PLATFORM=xcb DISPLAY=$x_display "$bench" startup "$rounds" 2>>"$log") &&
      add_result "startup|xvfb" "$(value seconds "$out")"
  fi
  out=$("$bench" peakmem "$sel_root/src/d" 2>>"$log") && add_result "peakmem" "$(value peak_mib "$out")"
}

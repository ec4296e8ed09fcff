# Sourced by bench/run: the tables of the figures in res (see bench/run),
# printed as Markdown.

fmt() { awk -v v="$1" 'BEGIN { if (v == "" || v == "nan") print "—"; else printf "%.3f", v }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "" || b == "" || a == "nan" || b == "nan" || b == 0) print "—"; else printf "%.2f", a / b }'; }
verdict() { # RATIO GOAL -> PASS/MISS
  awk -v r="$1" -v g="$2" 'BEGIN { if (r == "—" || g == "—") print ""; else if (r + 0 <= g + 0) print "PASS"; else print "MISS" }'
}
goal_vs_r() { # CASE FS
  case "$1|$2" in
    "A|ext4") echo 1.0 ;; "A|tmpfs") echo 0.85 ;; "Ar|ext4") echo 1.2 ;;
    "B|ext4" | "C|ext4" | "D|ext4") echo 1.0 ;;
    *) echo "—" ;;
  esac
}
goal_text() { if [ "$1" = "—" ]; then echo "—"; else echo "≤ $1"; fi; }
goal_vs_floor() { case $1 in A) echo 1.10 ;; B | C) echo 1.03 ;; *) echo "—" ;; esac; }

# size_text BYTES: a size the way a person reads it.
size_text() {
  awk -v b="$1" 'BEGIN { if (b == "") print "—"; else if (b >= 1073741824) printf "%.2f GiB", b / 1073741824;
    else if (b >= 1048576) printf "%.2f MiB", b / 1048576; else printf "%.0f KiB", b / 1024 }'
}

# has_rows CASE...: whether any of the cases was run.
has_rows() {
  local c fs
  for c in "$@"; do
    for fs in "${fs_labels[@]}"; do [ -n "${res["$c|$fs|ours"]:-}" ] && return 0; done
  done
  return 1
}

print_tables() {
  if has_rows A Ar B C D; then
    echo "Copy runs (median seconds of $rounds runs; R = \`cp -p FILES DIR\` + \`sync -f\` per folder):"
    echo
    echo "| Case | FS | Pelmora | floor | R | rsync -t + sync | Pelmora / R | goal | | Pelmora / rsync | goal | | floor / R | floor / rsync |"
    echo "|---|---|---:|---:|---:|---:|---:|---:|---|---:|---:|---|---:|---:|"
    for c in A Ar B C D; do
      for fs in "${fs_labels[@]}"; do
        [ -n "${res["$c|$fs|ours"]:-}" ] || continue
        o=$(med "$c|$fs|ours"); f=$(med "$c|$fs|floor"); p=$(med "$c|$fs|cp"); s=$(med "$c|$fs|rsync")
        rr=$(ratio "$o" "$p"); g=$(goal_vs_r "$c" "$fs"); rs=$(ratio "$o" "$s")
        echo "| ${case_title[$c]} | $fs | $(fmt "$o") | $(fmt "$f") | $(fmt "$p") | $(fmt "$s") | $rr | $(goal_text "$g") | $(verdict "$rr" "$g") | $rs | ≤ 0.6 | $(verdict "$rs" 0.6) | $(ratio "$f" "$p") | $(ratio "$f" "$s") |"
      done
    done
    echo
    echo "The program against the floor loop (what the window, the handlers and the lists cost):"
    echo
    echo "| Case | FS | Pelmora offscreen / floor | goal | | Pelmora on Xvfb / floor | goal | |"
    echo "|---|---|---:|---:|---|---:|---:|---|"
    for c in A B C; do
      for fs in "${fs_labels[@]}"; do
        [ "$fs" = tmpfs ] && [ "$c" != A ] && continue
        [ -n "${res["$c|$fs|ours"]:-}" ] || continue
        g=$(goal_vs_floor "$c")
        r1=$(ratio "$(med "$c|$fs|ours")" "$(med "$c|$fs|floor")")
        r2=$(ratio "$(med "$c|$fs|ours-x11")" "$(med "$c|$fs|floor")")
        echo "| ${case_title[$c]} | $fs | $r1 | ≤ $g | $(verdict "$r1" "$g") | $r2 | ≤ $g | $(verdict "$r2" "$g") |"
      done
    done
  fi
  for fs in "${fs_labels[@]}"; do
    [ -n "${res["A|$fs|floor-lookups"]:-}" ] || continue
    f=$(med "A|$fs|floor"); l=$(med "A|$fs|floor-lookups"); n=$(med "A|$fs|ours-nobars"); o=$(med "A|$fs|ours")
    echo
    echo "Where the copy run's time goes (A, new targets, $fs; median seconds):"
    echo
    echo "| Step | s | share of the run |"
    echo "|---|---:|---:|"
    echo "| the safe sequence itself (floor loop) | $(fmt "$f") | $(ratio "$f" "$o") |"
    echo "| + the program's extra look-ups (has a volume changed: the mount watch asked) | $(fmt "$(awk -v a="$l" -v b="$f" 'BEGIN { print a - b }')") | $(ratio "$(awk -v a="$l" -v b="$f" 'BEGIN { print a - b }')" "$o") |"
    echo "| + the rest of the program's own work, progress bars hidden | $(fmt "$(awk -v a="$n" -v b="$l" 'BEGIN { print a - b }')") | $(ratio "$(awk -v a="$n" -v b="$l" 'BEGIN { print a - b }')" "$o") |"
    echo "| + painting the progress bars | $(fmt "$(awk -v a="$o" -v b="$n" 'BEGIN { print a - b }')") | $(ratio "$(awk -v a="$o" -v b="$n" 'BEGIN { print a - b }')" "$o") |"
    echo "| the copy run | $(fmt "$o") | 1.00 |"
  done
  if [ -n "${res["E|ext4|ours"]:-}${res["E|tmpfs|ours"]:-}" ]; then
    echo
    echo "Sparse file (E; median seconds of $rounds runs, on a volume of $small_size, so a copy that writes the holes out fills it; space: the blocks the 2 copies take, as \`stat\` counts them):"
    echo
    echo "| Case | FS | Pelmora | R | Pelmora / R | goal | | Pelmora's copies take | R's copies take | goal | |"
    echo "|---|---|---:|---:|---:|---:|---|---:|---:|---:|---|"
    for fs in "${fs_labels[@]}"; do
      [ -n "${res["E|$fs|ours"]:-}" ] || continue
      o=$(med "E|$fs|ours"); p=$(med "E|$fs|cp")
      bo=$(largest "E|$fs|ours|bytes"); bp=$(largest "E|$fs|cp|bytes")
      errors=$(echo "${res["E|$fs|ours|copy_error"]:-}" | wc -w)
      if [ "$errors" -gt 0 ]; then
        echo "| ${case_title[E]} | $fs | $(fmt "$o"): the copy-error box ($errors of $rounds runs: the volume filled) | $(fmt "$p") | — | ≤ 2.0 | MISS | more than the volume | $(size_text "$bp") | equal | MISS |"
      else
        rr=$(ratio "$o" "$p")
        echo "| ${case_title[E]} | $fs | $(fmt "$o") | $(fmt "$p") | $rr | ≤ 2.0 | $(verdict "$rr" 2.0) | $(size_text "$bo") | $(size_text "$bp") | equal | $([ "$bo" = "$bp" ] && echo PASS || echo MISS) |"
      fi
    done
  fi
  if [ -n "${res["F|ext4|ours"]:-}${res["F|tmpfs|ours"]:-}${res["F|tmpdir|ours"]:-}${res["D|ext4|ours|longest_ui_gap"]:-}" ]; then
    echo
    echo "The UI thread during a run (a large file F, and the many small files of D; median seconds of $rounds runs; the silence: the longest time between two ticks of a 10 ms timer on the thread during the run, the largest of the runs):"
    echo
    echo "| Case | FS | Pelmora | R | Pelmora / R | longest silence of the UI thread, s | goal | |"
    echo "|---|---|---:|---:|---:|---:|---:|---|"
    for c in F D; do
      for fs in "${fs_labels[@]}"; do
        [ -n "${res["$c|$fs|ours|longest_ui_gap"]:-}" ] || continue
        o=$(med "$c|$fs|ours"); p=$(med "$c|$fs|cp"); gap=$(largest "$c|$fs|ours|longest_ui_gap")
        echo "| ${case_title[$c]} | $fs | $(fmt "$o") | $(fmt "$p") | $(ratio "$o" "$p") | $(fmt "$gap") | ≤ 0.1 | $(verdict "$gap" 0.1) |"
      done
    done
  fi
  if [ -n "${res["G|tmpfs|ours"]:-}" ]; then
    echo
    echo "Network shares (G; median seconds of $rounds runs; R as above, into the same folders; the source on a tmpfs):"
    echo
    echo "| Case | FS | Pelmora | R | Pelmora / R | goal | |"
    echo "|---|---|---:|---:|---:|---:|---|"
    o=$(med "G|tmpfs|ours"); p=$(med "G|tmpfs|cp"); rr=$(ratio "$o" "$p")
    echo "| ${case_title[G]} | fuse.sshfs, sshd on 127.0.0.1 | $(fmt "$o") | $(fmt "$p") | $rr | ≤ 1.0 | $(verdict "$rr" 1.0) |"
  elif wanted G; then
    echo
    echo "Network shares (G): skipped: ${net_skip:-no shares}."
  fi
  if [ -n "${res["H|10ms|ours"]:-}${res["H|1ms|ours"]:-}" ]; then
    echo
    echo "Network shares behind a delay (H: ${case_title[H]#H: }; bench/relay, ssh's ProxyCommand, holds every chunk back by half the round trip each way; median seconds of $h_rounds runs; R as above, into the same folders; rsync -t over ssh through the same relay to the same folders, + \`sync -f\`; the silence as above, the largest of the runs):"
    echo
    echo "| Round trip | measured: a \`stat\` of a missing name, ms | Pelmora | R | rsync -t over ssh | Pelmora / R | goal | | Pelmora / rsync | longest silence of the UI thread, s | goal | |"
    echo "|---|---:|---:|---:|---:|---:|---:|---|---:|---:|---:|---|"
    for rtt in 10 1; do
      [ -n "${res["H|${rtt}ms|ours"]:-}" ] || continue
      o=$(med "H|${rtt}ms|ours"); p=$(med "H|${rtt}ms|cp"); s=$(med "H|${rtt}ms|rsync")
      rr=$(ratio "$o" "$p"); g=—; [ "$rtt" = 10 ] && g=0.25
      gap=$(largest "H|${rtt}ms|ours|longest_ui_gap")
      echo "| $rtt ms | $(med "H|${rtt}ms|probe") | $(fmt "$o") | $(fmt "$p") | $(fmt "$s") | $rr | $(goal_text "$g") | $(verdict "$rr" "$g") | $(ratio "$o" "$s") | $(fmt "$gap") | ≤ 0.1 | $(verdict "$gap" 0.1) |"
    done
  elif wanted_h; then
    echo
    echo "Network shares behind a delay (H): skipped: ${net_skip:-no shares}."
  fi
  if [ "$want_sel" -eq 1 ]; then
    echo
    echo "| Other figures | Value | Goal | |"
    echo "|---|---:|---:|---|"
    if [ -n "${res["C|xfs|ours"]:-}" ]; then
      x=$(med "C|xfs|ours"); e=$(med "C|ext4|ours"); rx=$(ratio "$x" "$e")
      echo "| C on xfs (reflink): Pelmora, s | $(fmt "$x") | | |"
      echo "| C on xfs / C on ext4 | $rx | a small fraction | $(verdict "$rx" 0.1) |"
      echo "| C on xfs: extents shared | $reflink_line | shared | $( [ "${shared:-0}" -gt 0 ] && echo PASS || echo MISS ) |"
    else
      echo "| C on xfs (reflink) | skipped (needs root and xfsprogs) | | |"
    fi
    s8=$(med "sel|8192"); s32=$(med "sel|32767"); fd=$(med "sel|find")
    echo "| Select All, 8,192 files ($sel_fs), s | $(fmt "$s8") | | |"
    echo "| Select All, 32,767 files, s | $(fmt "$s32") | | |"
    r=$(ratio "$s32" "$s8")
    echo "| Select All 32,767 / 8,192 | $r | ≤ 5 | $(verdict "$r" 5) |"
    echo "| \`find -maxdepth 1 -type f -printf '%s\\n'\`, 32,767 files, s | $(fmt "$fd") | | |"
    r=$(ratio "$s32" "$fd")
    echo "| Select All 32,767 / find | $r | ≤ 3 | $(verdict "$r" 3) |"
    echo "| Select All 32,767 until the lists are painted, s | $(fmt "$(med "sel|32767|painted")") | | |"
    echo "| File1 listing 32,767 files (Dir1 change), s | $(fmt "$(med "sel|32767|list")") | | |"
    sg=$(largest "sel|32767|gap")
    echo "| Select All 32,767: longest silence of the UI thread (largest of the rounds), s | $(fmt "$sg") | ≤ 0.1 | $(verdict "$sg" 0.1) |"
    so=$(med "startup|offscreen")
    echo "| Start-up to the main window shown, offscreen, s | $(fmt "$so") | < 0.3 | $(verdict "$so" 0.3) |"
    sx=$(med "startup|xvfb")
    echo "| Start-up to the main window shown, Xvfb, s | $(fmt "$sx") | | |"
    pm=$(med "peakmem")
    echo "| Peak resident memory, 32,767 files selected, MB | $(awk -v v="$pm" 'BEGIN { if (v == "nan") print "—"; else printf "%.0f", v * 1.048576 }') | ≤ 120 | $(verdict "$(awk -v v="$pm" 'BEGIN { printf "%.1f", v * 1.048576 }')" 120) |"
  fi
  echo
  echo "Machine: $(nproc) cores, $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo) memory," \
       "Linux $(uname -r), $(. /etc/os-release && echo "$PRETTY_NAME");" \
       "file systems: ${fs_labels[*]}$( [ "$is_root" -eq 1 ] && echo " (ext4 with a journal and xfs on loop images in $( [ "$disk_backed" -eq 1 ] && echo /var/tmp || echo a tmpfs))"); $rounds rounds; $pin_note."
}

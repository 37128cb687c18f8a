# Per-thread CPU time of a running process, for the benchmarks that measure playback
# under Wine. Sourced: thread_cpu_snapshot PID, then thread_cpu_report SECONDS LABEL
# BEFORE AFTER with two snapshots taken SECONDS apart; or thread_cpu_measure PATTERN
# SECONDS LABEL, which does both for the first process whose command line matches.

thread_cpu_snapshot() { # pid -> lines "tid name ticks"
  local t
  for t in /proc/"$1"/task/*; do
    echo "$(basename "$t") $(tr ' ' _ <"$t/comm") $(awk '{print $14 + $15}' "$t/stat")"
  done
}

thread_cpu_report() { # seconds label before after
  python3 - "$1" "$(getconf CLK_TCK)" "$2" "$3" "$4" <<'PY'
import sys
seconds, tck, label = float(sys.argv[1]), float(sys.argv[2]), sys.argv[3]
def parse(text):
    return {l.split()[0]: (l.split()[1], int(l.split()[2])) for l in text.splitlines()}
before, after = parse(sys.argv[4]), parse(sys.argv[5])
total = main = 0
for tid in sorted(after, key=int):
    name, ticks = after[tid]
    used = (ticks - before.get(tid, (name, 0))[1]) / tck
    total += used
    if tid == min(after, key=int):
        main = used
    if used > 0:
        print("%-8s %-16s %6.3f s CPU  %5.2f%% of one core" % (tid, name, used, 100 * used / seconds))
print("%s: %.3f s CPU over %.0f s of playback: %.2f%% of one core, %.2f s per minute"
      % (label, total, seconds, 100 * total / seconds, 60 * total / seconds))
print("without the main thread: %.2f%% of one core, %.2f s per minute"
      % (100 * (total - main) / seconds, 60 * (total - main) / seconds))
PY
}

thread_cpu_measure() { # pattern seconds label
  local pid before after
  pid=$(pgrep -f "$1" | head -1)
  [ -n "$pid" ] || { echo "no process matches $1" >&2; return 1; }
  before=$(thread_cpu_snapshot "$pid")
  sleep "$2"
  after=$(thread_cpu_snapshot "$pid")
  thread_cpu_report "$2" "$3" "$before" "$after"
}

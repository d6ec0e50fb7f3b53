# Sourced by the bench scripts: the CPUs their one-CPU and two-CPU rows are pinned to, as
# $one_cpu and $two_cpus (taskset lists): ONE_CPU and TWO_CPUS when set, else the last two CPUs
# this shell may run on. Stops the script when it may run on fewer than two.

allowed_cpus=()
while IFS= read -r allowed_cpu; do allowed_cpus+=("$allowed_cpu"); done < <(
  taskset -pc $$ | sed 's/.*: //' | tr ',' '\n' |
    awk -F- '{ if (NF == 2) { for (c = $1; c <= $2; c++) print c } else print $1 }')
if [[ ${#allowed_cpus[@]} -lt 2 && ( -z ${ONE_CPU:-} || -z ${TWO_CPUS:-} ) ]]; then
  echo "$0: this shell may run on ${#allowed_cpus[@]} CPU; the two-CPU rows need two (or set ONE_CPU and TWO_CPUS)" >&2
  exit 1
fi
one_cpu=${ONE_CPU:-${allowed_cpus[-1]}}
two_cpus=${TWO_CPUS:-${allowed_cpus[-2]},${allowed_cpus[-1]}}

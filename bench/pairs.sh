# Sourced by the benchmark scripts that time two sides from exec.
# The median of the numbers given.
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
# Runs the commands FIRST and SECOND RUNS times each, which goes first alternating from run to run.
alternate() {
    local i
    for i in $(seq "$1"); do
        if ((i % 2)); then
            "$2"
            "$3"
        else
            "$3"
            "$2"
        fi
    done
}

# Shared by the shell tests (sourced): counts checks and failures.
#   scratch NAME        sets $work to a fresh temporary folder, removed at exit
#   fail TEXT...        counts a failure and prints it
#   expect TEXT CMD...  counts a check; a failure when CMD fails
#   summary             prints "N passed, M failed"; fails when any failed
failures=0
checks=0

scratch() {
  work=$(mktemp -d "${TMPDIR:-/tmp}/xmlpp-$1.XXXXXX")
  trap 'rm -rf "$work"' EXIT
}

fail() {
  echo "FAIL $*"
  failures=$((failures + 1))
}

expect() {
  description=$1
  shift
  checks=$((checks + 1))
  if ! "$@"; then
    fail "$description"
  fi
}

summary() {
  echo "$((checks - failures)) passed, $failures failed"
  [ "$failures" -eq 0 ]
}

# Shared by the package tests: a scratch folder removed at the end, failure messages,
# and the package made by cpack from a build folder.
#   source package_lib.sh; package=$(make_package GENERATOR BUILD_DIR PATTERN)
set -u
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Prints the path of the one package matching PATTERN that cpack made in the scratch folder.
make_package() {
  local generator=$1 build=$2 pattern=$3 made
  (cd "$build" && "$cpack" -G "$generator" -B "$dir/out" >"$dir/cpack.log" 2>&1) || {
    cat "$dir/cpack.log" >&2
    fail "cpack did not make the $generator package"
  }
  made=$(ls "$dir"/out/$pattern 2>/dev/null | head -n 1)
  [ -n "$made" ] || fail "no $pattern in $dir/out"
  echo "$made"
}

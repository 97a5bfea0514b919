#!/usr/bin/env bash
# cmake --install puts the three programs and their manual pages where a Linux system looks for
# them; each page renders without a warning and carries the version its program prints.
# Usage: install_test.sh CMAKE BUILD_DIR
source "$(dirname "$0")/e2e_lib.sh"
cmake="$1"
build="$2"
stage="$work/stage"
export LC_ALL=C.UTF-8 MANWIDTH=80

check "cmake --install" "$cmake" --install "$build" --prefix "$stage" >/dev/null
for program in quirewell faxinfo faxgen; do
    page="$stage/share/man/man1/$program.1"
    check "$program and $program.1 installed" [ -x "$stage/bin/$program" -a -f "$page" ]
    check_eq "$program.1 renders without warnings" "" "$(man --warnings=w -l "$page" 2>&1 >/dev/null)"
    version="$("$stage/bin/$program" --version | cut -d' ' -f2)"
    check "$program.1 is of version $version" bash -c 'man -l "$0" | grep -q "^Quirewell $1 "' "$page" "$version"
done

e2e_finish

#!/usr/bin/env bash
# Fails when a source folder includes a folder it must not see: base/ builds on utility/
# only, task/ and account/ do not include each other, http/ does not include task/.
set -u
src=${1:-"$(dirname "$0")/../../src"}
failed=0

# forbid FOLDER PATTERN: no file in src/FOLDER includes a header matching PATTERN.
forbid() {
    local hits
    hits=$(grep -rnE "^#include \"($2)/" "$src/$1" --include='*.h' --include='*.cpp')
    if [ -n "$hits" ]; then
        echo "src/$1 must not include $2/:"
        echo "$hits"
        failed=1
    fi
}

forbid base 'task|account|http|settings|tiles|adapter|ui|app'
forbid task account
forbid account task
forbid http task
exit $failed

#!/usr/bin/env bash
# Every C++ source and header of the project is clang-format clean.
set -euo pipefail
cd "$1"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

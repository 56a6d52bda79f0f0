#!/usr/bin/env bash
# Fails when a C++ source of ours differs from what clang-format (the repository's .clang-format)
# would make of it. Run `clang-format -i` on the files it names.
set -euo pipefail
cd "$(dirname "$0")/.."
find src tests bench fuzz \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 clang-format --dry-run -Werror

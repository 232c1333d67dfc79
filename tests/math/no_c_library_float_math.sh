#!/usr/bin/env bash
# Fails when one of the given programs imports a single-precision function
# from the C library that the project pins (math/pinned_math.h), or sincosf,
# which the compiler forms from a sinf and a cosf of the same argument.
set -euo pipefail
status=0
for program in "$@"; do
  imported=$(nm -D --undefined-only "$program" |
             sed -n -E 's/^ *U ((sin|cos|sincos|pow|log|exp|atan2|hypot)f)(@.*)?$/\1/p' | sort -u | tr '\n' ' ')
  if [ -n "$imported" ]; then
    echo "$(basename "$program") imports from the C library: $imported" >&2
    status=1
  else
    echo "$(basename "$program"): no float math from the C library"
  fi
done
exit $status

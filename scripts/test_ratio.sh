#!/usr/bin/env bash
# Lines of tests against lines of code, counting lines that are neither blank
# nor // comments in the C++ files git tracks. Prints the whole and each layer:
# a test folder belongs to the layer of the library its program tests.
# Usage: scripts/test_ratio.sh [checkout]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

count() {
    git ls-files --cached --others --exclude-standard -- "$@" | grep -E '\.(cpp|cc|h|hpp)$' | sort -u |
        while read -r file; do [ -f "$file" ] && cat "$file"; done | grep -c -v -E '^\s*(//.*)?$' || true
}
ratio() {
    local name=$1 tests=$2 code=$3
    printf '%-9s code %6d  tests %6d  ratio %3d %%\n' "$name" "$code" "$tests" $((100 * tests / code))
}

platform_tests=(tests/raster tests/vertex tests/device tests/ddraw tests/d3dtypes tests/user tests/kernel tests/vfw
                tests/present tests/gdi bench/device bench/raster bench/vertex bench/peer)
engine_tests=(tests/engine tests/enginecore)
tools_tests=(tests/viewer tests/scene bench/scene)
driver_tests=()
for dir in tests/*/; do
    dir=${dir%/}
    case " ${platform_tests[*]} ${engine_tests[*]} ${tools_tests[*]} " in
    *" $dir "*) ;;
    *) driver_tests+=("$dir") ;;
    esac
done

ratio all "$(count tests bench)" "$(count platform engine d3d tools)"
ratio platform "$(count "${platform_tests[@]}")" "$(count platform)"
ratio engine "$(count "${engine_tests[@]}")" "$(count engine)"
ratio driver "$(count "${driver_tests[@]}")" "$(count d3d)"
ratio tools "$(count "${tools_tests[@]}")" "$(count tools)"

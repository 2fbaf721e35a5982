#!/usr/bin/env bash
# Set-up and checks for a fresh Debian 12 machine, as root.
#   bash tools/dev.sh demo   install, build, export the bundled sample files
#   bash tools/dev.sh test   install, build, run every test (native, sanitizers, Windows builds under Wine)
#   bash tools/dev.sh package   install, build, write the packages to build/packages/
set -euo pipefail
cd "$(dirname "$0")/.."

need_packages() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if ((${#missing[@]})); then
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -q
        apt-get install -y -q --no-install-recommends "${missing[@]}"
    fi
}

# The Python module nelvo_data: pybind11, Debian's python3 with its headers,
# NumPy, pandas, pytest, and venv, pip, setuptools and wheel for pip install.
python_packages=(pybind11-dev python3-pybind11 python3-dev python3-numpy python3-pandas python3-pytest
    python3-venv python3-pip python3-setuptools python3-wheel)
# The tool's SQLite and workbook outputs (libsqlite3-dev, libxlsxwriter-dev);
# the sqlite3 tool for the demo's query; python3-jsonschema for the test that
# validates exported JSON against the schema.
native_packages=(g++ cmake ninja-build libgtest-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev locales
    libsqlite3-dev libxlsxwriter-dev sqlite3 python3 python3-jsonschema "${python_packages[@]}")
# CPack's Debian packages (dpkg-shlibdeps, file) and the tests of the
# install tree and packages (pkg-config, man).
package_packages=(dpkg-dev file pkg-config man-db)
# Programs that read the database and the workbook back in the tests.
output_test_packages=(python3-openpyxl libreoffice-calc-nogui)

locales() {
    local want=(de_DE.UTF-8 en_US.UTF-8) gen=0
    for l in "${want[@]}"; do
        locale -a 2>/dev/null | grep -qi "^${l/UTF-8/utf8}$" && continue
        sed -i "s/^# *\(${l} UTF-8\)/\1/" /etc/locale.gen
        grep -q "^${l} UTF-8" /etc/locale.gen || echo "${l} UTF-8" >>/etc/locale.gen
        gen=1
    done
    ((gen)) && locale-gen >/dev/null
    return 0
}

build() {
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1"
}

demo() {
    need_packages "${native_packages[@]}"
    build native
    NELVO_PYTHON_PATH=build/native/tools/python tools/demo.sh build/native/tools/nelvo-data
}

# The module installed as its users install it: pip into a fresh venv of
# Debian's python3 (offline, Debian's build tools), then imported and read
# from outside the source tree. The .deb is checked by packaging_packages.
python_install() {
    local venv=build/python-venv
    rm -rf "$venv" build/python-wheel
    /usr/bin/python3 -m venv --system-site-packages "$venv"
    "$venv/bin/pip" wheel --no-build-isolation --no-index --no-deps -q -w build/python-wheel .
    "$venv/bin/pip" install --no-build-isolation --no-index -q build/python-wheel/nelvo_data-*.whl
    (cd /tmp && "$OLDPWD/$venv/bin/python" -c '
import sys, nelvo_data as nd
f = nd.open(sys.argv[1] + "/samples/personal.13", "user")
assert nd.__file__.startswith(sys.argv[1] + "/build/python-venv/"), nd.__file__
assert len(f) == 3 and f.to_pandas(["ztext0"]).shape == (3, 1)
print("venv:", nd.__version__, nd.__file__)' "$OLDPWD")
}

# The Windows builds and Wine to run them: 32-bit Wine for the win32
# prefix, the 64-bit loader for the win64 prefix (where 32-bit programs run
# beside 64-bit ones).
win32_packages=(g++-mingw-w64-i686 mingw-w64-tools wine wine32:i386)
win64_packages=(g++-mingw-w64-x86-64 wine64)

win32_setup() {
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
        apt-get update -q
    fi
    need_packages "${win32_packages[@]}" "${win64_packages[@]}"
}

# Nelvo_data.dll, the tool and the unit tests for Windows; the unit tests,
# the type library, registration and the script and C++ clients under Wine,
# with the native tool giving the expected texts.
test_win32() {
    win32_setup
    build win32
    NELVO_REFERENCE_TOOL="$PWD/build/native/tools/nelvo-data" ctest --preset win32
}

# The 64-bit twin in a 64-bit prefix, with the win32 build beside it: both
# DLLs registered side by side and per user, and 32- and 64-bit clients.
test_win64() {
    win32_setup
    [[ -f build/win32/src/automation/Nelvo_data.dll ]] || build win32
    build win64
    NELVO_REFERENCE_TOOL="$PWD/build/native/tools/nelvo-data" ctest --preset win64
}

# Every committed data file (samples, fuzz seeds): path, size, modification
# time and checksum; plus every file in the tree that git does not know.
data_state() {
    find samples fuzz/corpus -type f -printf '%p %s %T@\n' 2>/dev/null | sort
    find samples fuzz/corpus -type f -exec sha256sum {} + 2>/dev/null | sort
    git status --porcelain --untracked-files=all -- . ':!build'
}

test_all() {
    need_packages "${native_packages[@]}" "${package_packages[@]}" "${output_test_packages[@]}" clang libclang-rt-dev llvm
    locales
    local before
    before=$(data_state)
    build native
    ctest --preset native
    python_install
    build asan
    ctest --preset asan
    fuzz 20
    build tsan
    ctest --preset tsan
    coverage
    test_win32
    test_win64
    if [[ "$(data_state)" != "$before" ]]; then
        echo "data files changed or files were created by the tests:" >&2
        diff <(echo "$before") <(data_state) >&2 || true
        return 1
    fi
    echo "data files unchanged, nothing created"
}

# Runs the native tests in a coverage build and prints the summary.
coverage() {
    build coverage
    local dir=build/coverage/profiles
    rm -rf "$dir"
    LLVM_PROFILE_FILE="$PWD/$dir/%p-%m.profraw" ctest --preset coverage >/dev/null
    # Tools the tests end with a signal leave a cut profile: merge the rest.
    llvm-profdata merge -sparse --failure-mode=all "$dir"/*.profraw -o build/coverage/all.profdata 2> >(
        grep -v 'invalid instrumentation profile data' >&2)
    local objects=()
    while IFS= read -r exe; do objects+=(-object "$exe"); done < <(find build/coverage/tests build/coverage/tools \
        -type f -perm -u+x -name '*_tests' 2>/dev/null)
    echo "== coverage of src/ and include/ (all tests)"
    llvm-cov report "${objects[@]:1}" -instr-profile=build/coverage/all.profdata src/ include/ |
        sed 's|/[^ ]*/\(src\|include\)/|\1/|'
}

# Runs every fuzz target for a bounded time, starting from its committed corpus.
fuzz() {
    local seconds=$1 dir
    for target in build/asan/fuzz/fuzz_*; do
        [[ -x $target && -f $target ]] || continue
        dir=build/asan/fuzz-corpus/$(basename "$target")
        mkdir -p "$dir"
        echo "== $(basename "$target") for ${seconds}s"
        if ! "$target" -max_total_time="$seconds" -print_final_stats=1 "$dir" "fuzz/corpus/${target##*/fuzz_}" \
            >"$dir.log" 2>&1; then
            tail -n 40 "$dir.log"
            return 1
        fi
        grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$dir.log"
        echo "corpus: $(ls "$dir" | wc -l) inputs"
    done
}

# The Debian packages of the tool and the library and a .tar.gz of the same
# tree (native build), and the Windows archive with both DLLs (the win64
# build's CPack, which takes x86\ from the win32 build), all named after the
# project version, in build/packages/.
package() {
    need_packages "${native_packages[@]}" "${package_packages[@]}"
    win32_setup
    local out=build/packages
    build native
    build win32
    build win64
    rm -rf "$out"
    cpack --config build/native/CPackConfig.cmake -B "$out"
    cpack --config build/win64/CPackConfig.cmake -B "$out"
    rm -rf "$out/_CPack_Packages"
    ls -l "$out"
}

case "${1:-}" in
demo) demo ;;
test) test_all ;;
package) package ;;
*)
    echo "usage: bash tools/dev.sh demo|test|package" >&2
    exit 2
    ;;
esac

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
# The tool's SQLite and workbook outputs (libsqlite3-dev, libxlsxwriter-dev,
# zlib1g-dev to read the workbook back);
# the sqlite3 tool for the demo's query; python3-jsonschema for the test that
# validates exported JSON against the schema.
native_packages=(g++ cmake ninja-build libgtest-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev locales
    libsqlite3-dev libxlsxwriter-dev zlib1g-dev sqlite3 python3 python3-jsonschema "${python_packages[@]}")
# CPack's Debian packages (dpkg-shlibdeps, file) and the tests of the
# install tree and packages (pkg-config, man).
package_packages=(dpkg-dev file pkg-config man-db)
# Programs that read the database and the workbook back in the tests, and
# strace, which shows the order of the flushes and the rename of an output.
output_test_packages=(python3-openpyxl libreoffice-calc-nogui strace)

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
# beside 64-bit ones); wixl builds the Windows Installer packages, msitools
# reads them back in the tests. The Windows tool's SQLite and libxlsxwriter
# are built from Debian's source packages (apt-get source: dpkg-dev; tcl
# makes SQLite's amalgamation), with zlib from libz-mingw-w64-dev.
win32_packages=(g++-mingw-w64-i686 mingw-w64-tools wine wine32:i386 wixl msitools libz-mingw-w64-dev dpkg-dev tcl)
win64_packages=(g++-mingw-w64-x86-64 wine64)

# A deb-src entry beside each Debian archive apt already uses, so that
# apt-get source finds those libraries' sources.
source_entries() {
    local list=/etc/apt/sources.list.d/nelvo-data-src.sources entries
    apt-get indextargets 'Identifier: Sources' 'Origin: Debian' | grep -q . && return 0
    # Origins are known once apt has read the archives' Release files.
    apt-get indextargets 'Identifier: Packages' 'Origin: Debian' | grep -q . || apt-get update -q
    entries=$(apt-get indextargets --format '$(SITE) $(RELEASE) $(COMPONENT)' 'Identifier: Packages' 'Origin: Debian' |
        sort -u | while read -r site release component; do
            printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: %s\n' "$site" "$release" "$component"
            if [[ -f /usr/share/keyrings/debian-archive-keyring.gpg ]]; then
                echo "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg"
            fi
            echo
        done)
    if [[ -z $entries ]]; then
        echo "no Debian archive among apt's sources: the Windows builds need Debian's source packages" >&2
        return 1
    fi
    printf '%s\n' "$entries" >"$list"
    apt-get update -q
}

win32_setup() {
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
        apt-get update -q
    fi
    need_packages "${win32_packages[@]}" "${win64_packages[@]}"
    source_entries
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
    [[ -f build/win32/src/automation/Nelvo_data.dll && -f build/win32/packaging/make-msi.sh ]] || build win32
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

# Lines and branches covered, in percent, below which the coverage run fails
# (the aim: 95 and 90). About half a point under the last measured figures
# (96.3, 90.7 before the device-name cases): the tool's timing-dependent
# paths (progress, signals) move a few branches between runs.
coverage_floor=(95.8 90.2)

# Runs the native tests in a coverage build and measures the run-time code:
# the library (src/, include/) and the tool (tools/nelvo-data/), counted in
# the test programs and in every run of the tool they start; not the tests,
# benchmarks, fuzz targets, the Windows-only Automation server or the
# generators (make-samples, the manual page). Prints each file, each folder
# and the totals, and fails below coverage_floor.
coverage() {
    build coverage
    local out=build/coverage dir=build/coverage/profiles
    rm -rf "$dir"
    LLVM_PROFILE_FILE="$PWD/$dir/%p-%m.profraw" ctest --preset coverage >/dev/null
    # Tools the tests end with a signal leave a cut profile: merge the rest.
    llvm-profdata merge -sparse --failure-mode=all "$dir"/*.profraw -o "$out/all.profdata" 2> >(
        grep -v 'invalid instrumentation profile data' >&2)
    local objects=()
    while IFS= read -r exe; do objects+=(-object "$exe"); done < <(find "$out/tests" -type f -perm -u+x \
        \( -name '*_tests' -o -name '*_sweep' \) | sort; echo "$out/tools/nelvo-data")
    local scope=("${objects[@]:1}" -instr-profile="$out/all.profdata"
        -ignore-filename-regex='/(src/automation|tools/nelvo-data/docs)/' src/ include/ tools/nelvo-data/)
    echo "== coverage of the run-time code of src/, include/ and tools/nelvo-data/"
    # A function a program never ran is missing from the sparse profile; where
    # another program ran a function of the same name, llvm-cov calls it
    # mismatched and counts it as not run, which it was not.
    llvm-cov report "${scope[@]}" 2> >(grep -v 'functions have mismatched data' >&2) | sed "s|$PWD/||"
    llvm-cov export -summary-only "${scope[@]}" 2> >(grep -v 'functions have mismatched data' >&2) \
        >"$out/summary.json"
    /usr/bin/python3 - "$out/summary.json" "$PWD/" "${coverage_floor[@]}" <<'EOF'
import collections, json, sys
data = json.load(open(sys.argv[1]))["data"][0]
root, floor = sys.argv[2], (float(sys.argv[3]), float(sys.argv[4]))
folders = collections.defaultdict(lambda: [0, 0, 0, 0])
for f in data["files"]:
    name = f["filename"].removeprefix(root)
    folder = "/".join(name.split("/")[:3 if name.startswith("tools/") else 2])
    s = f["summary"]
    for i, n in enumerate((s["lines"]["covered"], s["lines"]["count"], s["branches"]["covered"], s["branches"]["count"])):
        folders[folder][i] += n
pct = lambda c, n: 100.0 * c / n if n else 100.0
print(f"{'folder':<28}{'lines':>16}{'':>9}{'branches':>16}")
for folder, (lc, ln, bc, bn) in sorted(folders.items()):
    print(f"{folder:<28}{lc:>7}/{ln:<7}{pct(lc, ln):7.2f}%{bc:>9}/{bn:<6}{pct(bc, bn):7.2f}%")
t = data["totals"]
lines = pct(t["lines"]["covered"], t["lines"]["count"])
branches = pct(t["branches"]["covered"], t["branches"]["count"])
print(f"total: lines {lines:.2f}% (floor {floor[0]}%, target 95%), branches {branches:.2f}% (floor {floor[1]}%, target 90%)")
if lines < floor[0] or branches < floor[1]:
    print("coverage is below the floor", file=sys.stderr)
    sys.exit(1)
EOF
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
# tree (native build), the Windows archive with both DLLs (the win64
# build's CPack, which takes x86\ from the win32 build) and the Windows
# Installer packages (x64: both DLLs, again with the win32 build's; x86),
# all named after the project version, in build/packages/.
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
    cmake --build --preset win32 --target msi
    cmake --build --preset win64 --target msi
    local version
    version=$(sed -n 's/^project(Nelvo_data VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
    cp "build/win32/nelvo-data-$version-x86.msi" "build/win64/nelvo-data-$version-x64.msi" "$out"/
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

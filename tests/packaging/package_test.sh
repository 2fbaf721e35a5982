#!/bin/sh
# The packages CPack makes of a build: control fields, dependencies and
# file lists of both Debian packages (dpkg-deb -I/-c), the same tree in the
# .tar.gz; then both unpacked (dpkg-deb -x): the tool runs from there and
# exports a sample as the build's tool does and prints its version, its man
# page renders without warnings and its completion offers subcommands and
# kinds, and a program builds against the unpacked library; where the build
# has the Python module, its package python3-nelvo-data imports from the
# unpacked tree with Debian's python3 and reads a sample as the build's does.
#   package_test.sh BUILD-DIR SOURCE-DIR VERSION
set -eu
build=$1 src=$2 version=$3
. "$(dirname "$0")/checks.sh"
field() { dpkg-deb -f "$1" "$2"; }
# Paths a package or archive holds, files only, without the leading ./ or top directory.
deb_files() { dpkg-deb -c "$1" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./||' | sort; }

cpack --config "$build/CPackConfig.cmake" -B "$work/packages" >"$work/cpack.log" 2>&1 || cat "$work/cpack.log"
arch=$(dpkg --print-architecture)
tool_deb=$work/packages/nelvo-data_${version}_$arch.deb
dev_deb=$work/packages/libnelvo-data-dev_${version}_$arch.deb
tarball=$(ls "$work"/packages/nelvo-data-"$version"-*.tar.gz 2>/dev/null || true)
components="tool dev"
python_deb=$work/packages/python3-nelvo-data_${version}_$arch.deb
if [ -d "$build/tools/python/nelvo_data" ]; then components="$components python"; fi
check "packages named after version $version" test -f "$tool_deb" -a -f "$dev_deb" -a -n "$tarball"

# ---- control fields ----
check "tool: package name" test "$(field "$tool_deb" Package)" = nelvo-data
check "tool: version" test "$(field "$tool_deb" Version)" = "$version"
check "tool: architecture" test "$(field "$tool_deb" Architecture)" = "$arch"
check "tool: section" test "$(field "$tool_deb" Section)" = utils
check "tool: depends on the C and C++ runtimes, with versions" \
    sh -c 'echo "$1" | grep -q "libc6 (>= " && echo "$1" | grep -q "libstdc++6 (>= "' - "$(field "$tool_deb" Depends)"
check "tool: synopsis and description" test "$(field "$tool_deb" Description | wc -l)" -gt 3
check "tool: maintainer" test -n "$(field "$tool_deb" Maintainer)"
check "dev: package name" test "$(field "$dev_deb" Package)" = libnelvo-data-dev
check "dev: version" test "$(field "$dev_deb" Version)" = "$version"
check "dev: architecture" test "$(field "$dev_deb" Architecture)" = "$arch"
check "dev: section" test "$(field "$dev_deb" Section)" = libdevel
check "dev: depends on the C++ standard library for development" \
    sh -c 'echo "$1" | grep -Eq "^libstdc\+\+-[0-9]+-dev$"' - "$(field "$dev_deb" Depends)"

# ---- file lists: each package is its component of the install tree ----
for component in $components; do
    cmake --install "$build" --component "$component" --prefix "$work/tree-$component/usr" >/dev/null
    (cd "$work/tree-$component" && find . -type f | sed 's|^\./||' | sort) >"$work/$component.want"
done
deb_files "$tool_deb" >"$work/tool.got"
deb_files "$dev_deb" >"$work/dev.got"
check "tool: files are the tool component" cmp -s "$work/tool.want" "$work/tool.got"
check "dev: files are the dev component" cmp -s "$work/dev.want" "$work/dev.got"
check "tool: holds the tool, its man page and its completion" sh -c '
    grep -qx usr/bin/nelvo-data "$1" && grep -qx usr/share/man/man1/nelvo-data.1.gz "$1" &&
    grep -qx usr/share/bash-completion/completions/nelvo-data "$1"' - "$work/tool.got"
check "dev: holds the archive, the headers, the CMake and pkg-config files" sh -c '
    grep -qx usr/lib/libnelvo_data.a "$1" && grep -qx usr/include/nelvo/nelvo_data.hpp "$1" &&
    grep -qx usr/lib/cmake/NelvoData/NelvoDataConfig.cmake "$1" &&
    grep -qx usr/lib/cmake/NelvoData/NelvoDataConfigVersion.cmake "$1" && grep -qx usr/lib/pkgconfig/nelvo-data.pc "$1"' \
    - "$work/dev.got"
check "dev: no private header" test -z "$(grep '^usr/include/' "$work/dev.got" | grep -v '^usr/include/nelvo/' || true)"
tar -tzf "$tarball" | grep -v '/$' | sed 's|^[^/]*/||' | sort >"$work/tar.got"
for component in $components; do sed 's|^usr/||' "$work/$component.want"; done | sort >"$work/tar.want"
check "tarball: the whole install tree" cmp -s "$work/tar.want" "$work/tar.got"

# ---- unpacked: the tool runs, its documentation works ----
root=$work/root
dpkg-deb -x "$tool_deb" "$root"
dpkg-deb -x "$dev_deb" "$root"
"$build/tools/nelvo-data" export bda "$src/samples/bda.dat" --format csv >"$work/csv.want"
"$root/usr/bin/nelvo-data" export bda "$src/samples/bda.dat" --format csv >"$work/csv.got" || true
check "unpacked tool exports a sample as the build's tool does" cmp -s "$work/csv.want" "$work/csv.got"
check "unpacked tool is stripped" sh -c '! file "$1" | grep -q "not stripped"' - "$root/usr/bin/nelvo-data"
check "unpacked tool prints version $version" sh -c '"$1" --version | grep -Eq "^nelvo-data $2( |\$)"' \
    - "$root/usr/bin/nelvo-data" "$version"
page=$root/usr/share/man/man1/nelvo-data.1.gz
check "man page renders without warnings" sh -c \
    'out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$1" 2>&1 >/dev/null) && test -z "$out"' - "$page"
check "man page is the build's, compressed" sh -c 'gzip -dc "$1" | cmp -s - "$2"' - "$page" "$build/tools/nelvo-data.1"
completion=$root/usr/share/bash-completion/completions/nelvo-data
# What completion offers for the words given (the last is being typed).
offers() {
    bash -c '
        [ -f /usr/share/bash-completion/bash_completion ] && . /usr/share/bash-completion/bash_completion
        . "$1"; shift
        f=$(complete -p nelvo-data | sed -n "s/.*-F \([^ ]*\) .*/\1/p")
        COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
        "$f" nelvo-data "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
        printf "%s\n" "${COMPREPLY[@]}"' - "$completion" "$@" 2>/dev/null | sort
}
check "completion offers the subcommands" sh -c 'test "$(echo "$1" | grep -cxE "count|show|export|layout")" = 4' \
    - "$(offers nelvo-data '')"
check "completion offers the kinds" sh -c 'test "$(echo "$1" | grep -cxE "user|bda|tarif")" = 3' \
    - "$(offers nelvo-data export '')"

# ---- unpacked: a program builds against the library from the package ----
cmake -S "$src/tests/packaging/consumer" -B "$work/consumer" -G Ninja -DCMAKE_PREFIX_PATH="$root/usr" \
    >"$work/consumer.log" 2>&1 && cmake --build "$work/consumer" >>"$work/consumer.log" 2>&1 || cat "$work/consumer.log"
"$work/consumer/consumer" json bda "$src/samples/bda.dat" >"$work/json.got" 2>&1 || true
"$build/tools/nelvo-data" export bda "$src/samples/bda.dat" --format jsonl >"$work/json.want"
check "a program built against the unpacked library reads typed values" cmp -s "$work/json.want" "$work/json.got"

# ---- the Python module's package ----
if [ -d "$build/tools/python/nelvo_data" ]; then
    deb_files "$python_deb" >"$work/python.got"
    check "python: package name" test "$(field "$python_deb" Package)" = python3-nelvo-data
    check "python: version" test "$(field "$python_deb" Version)" = "$version"
    check "python: section" test "$(field "$python_deb" Section)" = python
    check "python: needs python3 and numpy" sh -c \
        'echo "$1" | grep -q "python3 (>= " && echo "$1" | grep -q python3-numpy' - "$(field "$python_deb" Depends)"
    check "python: files are the python component" cmp -s "$work/python.want" "$work/python.got"
    check "python: the module, its stubs and py.typed in dist-packages" sh -c '
        grep -q "^usr/lib/python3/dist-packages/nelvo_data/_nelvo_data\.cpython-.*\.so$" "$1" &&
        grep -qx usr/lib/python3/dist-packages/nelvo_data/__init__.py "$1" &&
        grep -qx usr/lib/python3/dist-packages/nelvo_data/py.typed "$1"' - "$work/python.got"
    dpkg-deb -x "$python_deb" "$work/python-root"
    read_sample='import os, sys, nelvo_data as nd; f = nd.open(sys.argv[1], "sozvers")
print(nd.__file__.startswith(os.path.abspath(sys.argv[2])), len(f), f.to_numpy()["HE"].tolist(), f.record_text(2, ","))'
    PYTHONPATH="$build/tools/python" /usr/bin/python3 -c "$read_sample" "$src/samples/sozvers.dat" "$build" \
        >"$work/python.want" 2>&1 || true
    PYTHONPATH="$work/python-root/usr/lib/python3/dist-packages" /usr/bin/python3 -c "$read_sample" \
        "$src/samples/sozvers.dat" "$work/python-root" >"$work/python.out" 2>&1 || true
    check "python: unpacked module imports and reads a sample as the build's does" cmp -s "$work/python.want" "$work/python.out"
fi

finish

#!/bin/sh
# cmake --install into a fresh prefix, then a program outside the tree built
# against it twice, with find_package(NelvoData) and with pkg-config: its
# counts and record text (the class) and its typed values (RecordReader,
# written as JSON Lines) must equal the installed nelvo-data's output for
# every sample file.
#   install_test.sh BUILD-DIR SOURCE-DIR VERSION
set -eu
build=$1 src=$2 version=$3
. "$(dirname "$0")/checks.sh"
prefix=$work/prefix
# run NAME COMMAND...: the command's output, error output and status in $work/NAME
run() {
    name=$1
    shift
    if "$@" >"$work/$name" 2>&1; then echo 0 >>"$work/$name"; else echo "status $?" >>"$work/$name"; fi
}
same() { cmp -s "$work/$1" "$work/$2"; }

cmake --install "$build" --prefix "$prefix" >/dev/null
tool=$prefix/bin/nelvo-data
libdir=$(cd "$prefix" && ls -d lib*/pkgconfig | sed 's|/pkgconfig$||')

run got "$tool" --help
check "the installed tool runs" grep -q '^0$' "$work/got"
check "the static library and its CMake package are installed" \
    test -f "$prefix/$libdir/libnelvo_data.a" -a -f "$prefix/$libdir/cmake/NelvoData/NelvoDataConfigVersion.cmake"
check "no private header is installed" test -z "$(find "$prefix/include" -type f ! -path '*/include/nelvo/*.hpp')"

# Public headers: each compiles on its own, and includes only other public
# headers and the C++ standard library (no platform, no private header).
for h in "$prefix"/include/nelvo/*.hpp "$prefix"/include/nelvo/records/*.hpp; do
    name=${h#"$prefix/include/"}
    check "$name stands alone" c++ -std=c++20 -Wall -Wextra -Wpedantic -Werror -fsyntax-only \
        -I"$prefix/include" -x c++ -include "$h" /dev/null
    check "$name includes only <nelvo/...> and standard headers" test -z \
        "$(grep -E '^[[:space:]]*#[[:space:]]*include' "$h" | grep -Ev '<nelvo/[a-z_/]+\.hpp>|<[a-z_]+>' || true)"
done

# Both consumers against the installed tool, for every sample file.
compare_with_tool() { # compare_with_tool CONSUMER HOW
    c=$1 how=$2
    for kind in user bda jda zuschlag sozvers urlaub kalender tarif; do
        case $kind in
        user) file=$src/samples/personal.13 ;;
        *) file=$src/samples/$kind.dat ;;
        esac
        run want "$tool" count "$kind" "$file" && run got "$c" count "$kind" "$file"
        check "$how: $kind count" same want got
        n=$("$tool" count "$kind" "$file")
        run want "$tool" show "$kind" "$file" "$n" && run got "$c" show "$kind" "$file" "$n"
        check "$how: $kind record $n through the class" same want got
        run want "$tool" export "$kind" "$file" --format jsonl && run got "$c" json "$kind" "$file"
        check "$how: $kind typed values of every record" same want got
    done
    # The personnel layout chosen outright overrides the path rule (by which
    # ./personal.13, its first "." before the "/", reads 1513-byte records),
    # in the library as in the tool. The tool warns on standard error that
    # 1920-byte records read as 1513-byte ones do not fit; only the records
    # are compared.
    cd "$src/samples"
    run want "$tool" export user ./personal.13 --layout 1920 --format jsonl && run got "$c" json user ./personal.13 1920
    check "$how: 1920-byte layout chosen outright" same want got
    run want sh -c '"$0" "$@" 2>/dev/null' "$tool" export user personal.13 --layout 1513 --format jsonl &&
        run got "$c" json user personal.13 1513
    check "$how: 1513-byte layout chosen outright" same want got
    cd - >/dev/null
    if "$c" json bda "$work/missing.dat" >/dev/null 2>"$work/err"; then status=0; else status=$?; fi
    check "$how: a missing file is error 53 for the reader" grep -q 'File not found (error 53)' "$work/err"
    check "$how: ... and the reader creates nothing" test ! -e "$work/missing.dat" -a "$status" = 1
}

cmake -S "$src/tests/packaging/consumer" -B "$work/cmake" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
    >"$work/log" 2>&1 && cmake --build "$work/cmake" >>"$work/log" 2>&1 ||
    cat "$work/log"
check "find_package(NelvoData 1.0): consumer builds" test -x "$work/cmake/consumer"
compare_with_tool "$work/cmake/consumer" find_package
check "find_package(NelvoData 2.0) refuses version $version" sh -c '! cmake -S "$1" -B "$2" -G Ninja \
    -DCMAKE_PREFIX_PATH="$3" -DNELVO_WANT=2.0 >/dev/null 2>&1' - "$src/tests/packaging/consumer" "$work/v2" "$prefix"

export PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig"
check "pkg-config knows version $version" test "$(pkg-config --modversion nelvo-data)" = "$version"
# shellcheck disable=SC2046
c++ -std=c++20 -Wall -Wextra -Wpedantic -Werror -o "$work/pc-consumer" "$src/tests/packaging/consumer/main.cpp" \
    $(pkg-config --cflags --libs nelvo-data) || true
check "pkg-config: consumer builds" test -x "$work/pc-consumer"
compare_with_tool "$work/pc-consumer" pkg-config

finish

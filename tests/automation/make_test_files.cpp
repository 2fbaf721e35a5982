// make_test_files DIR: writes the Automation tests' data files into DIR.
#include <cstdio>
#include <exception>

#include "test_files.hpp"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_test_files DIR\n");
        return 2;
    }
    try {
        nelvo::testing::write_test_files(argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_test_files: %s\n", e.what());
        return 1;
    }
    return 0;
}

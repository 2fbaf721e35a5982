// The baseline of the late-bound benchmark: what one record call must do at
// the least, as bare Windows calls: open the file, ask its size, read one
// record, close it. Prints the seconds per round.
//   file_read_baseline FILE ROUNDS RECORD-LENGTH
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <vector>

#include <windows.h>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: file_read_baseline FILE ROUNDS RECORD-LENGTH\n");
        return 2;
    }
    const long rounds = std::wcstol(argv[2], nullptr, 10);
    std::vector<char> record(std::wcstoul(argv[3], nullptr, 10));
    LARGE_INTEGER size{};
    const auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < rounds; ++i) {
        HANDLE h = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD got = 0;
        if (h == INVALID_HANDLE_VALUE || !GetFileSizeEx(h, &size) ||
            !ReadFile(h, record.data(), static_cast<DWORD>(record.size()), &got, nullptr)) {
            std::fprintf(stderr, "file_read_baseline: cannot read the file\n");
            return 1;
        }
        CloseHandle(h);
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%.9f\n", took.count() / static_cast<double>(rounds));
    return 0;
}

// Second process for the named-mutex tests: creates the mutex named argv[1], prints "new" or
// "exists", and with "hold" as argv[2] keeps it until its standard input closes.
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "win32_sync.h"

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    HANDLE h = CreateMutexA(nullptr, TRUE, argv[1]);
    if (h == nullptr) return 3;
    std::printf("%s\n", GetLastError() == ERROR_ALREADY_EXISTS ? "exists" : "new");
    std::fflush(stdout);
    if (std::strcmp(argv[2], "hold") == 0) {
        char c;
        while (read(STDIN_FILENO, &c, 1) > 0) {
        }
    }
    CloseHandle(h);
    return 0;
}

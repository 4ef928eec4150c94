// Where libmdb's console output goes. libmdb prints warnings and page dumps about damaged
// files to standard output and standard error, and offers no setting to stop it; the program's
// own output must carry none of it. The build links libmdb from its static archive with its
// references to stdout, stderr and the stdio calls that write to them implicitly renamed to the
// definitions here (libmdb_output.syms): they all write to a stream that drops what it gets.
// Nothing else in the process is touched, so it is safe with any number of threads.
#include <stdio.h>

namespace {

ssize_t Drop(void*, const char*, size_t size) {
    return static_cast<ssize_t>(size);
}

FILE* OpenSink() {
    cookie_io_functions_t io{};
    io.write = Drop;
    return fopencookie(nullptr, "w", io);
}

}  // namespace

extern "C" {

FILE* orva_mdb_stdout = OpenSink();
FILE* orva_mdb_stderr = orva_mdb_stdout;

int orva_mdb_puts(const char*) {
    return 0;
}

int orva_mdb_putchar(int c) {
    return static_cast<unsigned char>(c);
}

int orva_mdb_printf_chk(int, const char*, ...) {
    return 0;
}

void orva_mdb_perror(const char*) {}

}  // extern "C"

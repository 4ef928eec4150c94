// Opening a document with the desktop's default program.
#pragma once

#include <cstdint>

// Opens `file` (mapped from the program's path form) with the desktop's opener for the verb
// "open"; returns a value above 32 when the opener was started, 2 when the file is missing.
std::intptr_t ShellExecuteA(void* hwnd, const char* verb, const char* file, const char* parameters,
                            const char* directory, int showCommand);

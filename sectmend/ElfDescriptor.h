#pragma once

#include <sys/types.h>

namespace sectmend {

// Descriptor operations the ELF library's users need beside it: open a file
// for elf_begin (-1 on failure) and close it again.
int elf_open(const char* path, int flags, mode_t mode);
int elf_close(int descriptor);

}  // namespace sectmend

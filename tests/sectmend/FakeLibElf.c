/* A stand-in for the ELF library. The partial one has elf_version alone; the
   complete one has every function sectmend resolves, and its elf_version
   reports that it knows no version. None of them does any ELF work. */
unsigned int elf_version(unsigned int version)
{
    (void)version;
    return 0;
}

#ifdef FAKE_LIBELF_COMPLETE
#define FAKE(name) \
    int name(void) { return 0; }
FAKE(elf_begin)
FAKE(elf_end)
FAKE(elf_kind)
FAKE(elf_getarhdr)
FAKE(elf_next)
FAKE(elf32_getehdr)
FAKE(elf_getscn)
FAKE(elf_nextscn)
FAKE(elf32_getshdr)
FAKE(elf_strptr)
FAKE(elf_getshdrnum)
FAKE(elf_getshdrstrndx)
FAKE(elf_getbase)
FAKE(elf_ndxscn)
#endif

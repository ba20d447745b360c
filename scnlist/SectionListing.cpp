#include "SectionListing.h"

#include <fcntl.h>
#include <gelf.h>
#include <libelf.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "ListingText.h"

namespace scnlist {

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { if (fd_ >= 0) close(fd_); }
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

struct ElfEnd { void operator()(Elf* elf) const { elf_end(elf); } };
using ElfHandle = std::unique_ptr<Elf, ElfEnd>;

std::string Quoted(const std::string& path)
{
    return "'" + Escaped(path, false) + "'";
}

[[noreturn]] void Fail(const std::string& path, const std::string& why)
{
    throw ListingError(Quoted(path) + " " + why);
}

std::string LibraryError()
{
    const char* text = elf_errmsg(-1);
    return text != nullptr ? text : "unknown libelf error";
}

// The ELF handle of a file that is a 32-bit ELF object, or a ListingError.
ElfHandle OpenElf32(const std::string& path, const FileDescriptor& file)
{
    if (elf_version(EV_CURRENT) == EV_NONE)
        throw ListingError("the ELF library is out of date: " + LibraryError());
    ElfHandle elf(elf_begin(file.get(), ELF_C_READ_MMAP, nullptr));
    if (!elf)
        Fail(path, "could not be read: " + LibraryError());
    switch (elf_kind(elf.get())) {
    case ELF_K_ELF:
        break;
    case ELF_K_AR:
        Fail(path, "is an archive; only single ELF files are listed");
    default:
        Fail(path, "is not an ELF file");
    }
    const char* ident = elf_getident(elf.get(), nullptr);
    if (ident == nullptr)
        Fail(path, "is not an ELF file");
    if (ident[EI_CLASS] == ELFCLASS64)
        Fail(path, "is a 64-bit ELF file; only 32-bit files are listed");
    if (ident[EI_CLASS] != ELFCLASS32 || elf32_getehdr(elf.get()) == nullptr)
        Fail(path, "is not a valid 32-bit ELF file: " + LibraryError());
    return elf;
}

std::string Heading(const std::string& path, const Elf32_Ehdr& header, std::size_t count,
                    std::size_t namesIndex)
{
    const bool little = header.e_ident[EI_DATA] == ELFDATA2LSB;
    std::string text;
    text += "File: " + Escaped(path, false) + "\n";
    text += std::string("Class: ELF32, ") + (little ? "little" : "big") + " endian\n";
    text += "Machine: " + std::to_string(header.e_machine) + "\n";
    text += "Section headers: " + std::to_string(count) + "\n";
    text += "Section name table: section " + std::to_string(namesIndex) + "\n";
    text += "Flag letters: W write, A alloc, X execute, M merge, S strings, I info, L link order, "
            "O OS nonconforming, G group, T TLS, C compressed, E exclude, R retain (GNU), o OS, p processor, "
            "x unknown, - none\n";
    text += "Columns: INDEX TYPE FLAGS ADDR OFFSET SIZE FLAGLETTERS LINK INFO ALIGN ENTSIZE 'NAME'\n";
    return text;
}

std::string SectionLine(std::size_t index, const Elf32_Shdr& header, const char* name, unsigned char osAbi)
{
    // Appended token by token: "literal" + std::string trips a false
    // -Wrestrict warning of GCC 12 at -O3.
    std::string line = std::to_string(index);
    const auto token = [&line](const std::string& text) {
        line += ' ';
        line += text;
    };
    token(TypeWord(header.sh_type));
    token(Hex8(header.sh_flags));
    token(Hex8(header.sh_addr));
    token(Hex8(header.sh_offset));
    token(Hex8(header.sh_size));
    token(FlagLetters(header.sh_flags, osAbi));
    token(std::to_string(header.sh_link));
    token(std::to_string(header.sh_info));
    token(std::to_string(header.sh_addralign));
    token(std::to_string(header.sh_entsize));
    line += " '";
    line += Escaped(name != nullptr ? name : "", true);
    line += "'\n";
    return line;
}

// Opens a regular file without blocking: a FIFO or a device given as the
// file is refused at once rather than waited on.
FileDescriptor OpenRegularFile(const std::string& path)
{
    FileDescriptor file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0)
        Fail(path, std::string("could not be opened: ") + std::strerror(errno));
    struct stat status {};
    if (fstat(file.get(), &status) != 0)
        Fail(path, std::string("could not be opened: ") + std::strerror(errno));
    if (!S_ISREG(status.st_mode))
        Fail(path, "is not a regular file");
    const int flags = fcntl(file.get(), F_GETFL);
    if (flags == -1 || fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        Fail(path, std::string("could not be opened: ") + std::strerror(errno));
    return file;
}

}  // namespace

void ListSections(const std::string& path, const std::function<void(const std::string&)>& emit)
{
    const FileDescriptor file = OpenRegularFile(path);
    ElfHandle elf = OpenElf32(path, file);

    std::size_t count = 0, namesIndex = 0;
    if (elf_getshdrnum(elf.get(), &count) != 0 || elf_getshdrstrndx(elf.get(), &namesIndex) != 0)
        Fail(path, "has unreadable section headers: " + LibraryError());
    // The library reports no sections at all when the header table lies
    // beyond the end of the file, or when the ELF header leaves the count to
    // section 0 and that gives none (missing, unreadable or 0): a damaged
    // file, not an empty one. Only a file without a header table (e_shoff 0)
    // has no sections.
    const Elf32_Ehdr& elfHeader = *elf32_getehdr(elf.get());
    if (count == 0 && elfHeader.e_shnum != 0)
        Fail(path, "has a section header table beyond the end of the file");
    if (count == 0 && elfHeader.e_shoff != 0)
        Fail(path, "is corrupted: its section header table gives no section count");

    emit(Heading(path, elfHeader, count, namesIndex));
    for (std::size_t index = 0; index < count; ++index) {
        Elf_Scn* section = elf_getscn(elf.get(), index);
        const Elf32_Shdr* header = section != nullptr ? elf32_getshdr(section) : nullptr;
        if (header == nullptr)
            Fail(path, "has an unreadable section header " + std::to_string(index) + ": " + LibraryError());
        emit(SectionLine(index, *header, elf_strptr(elf.get(), namesIndex, header->sh_name),
                         elfHeader.e_ident[EI_OSABI]));
    }
}

}  // namespace scnlist

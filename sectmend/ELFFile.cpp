#include "ELFFile.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>

#include "FileAccess.h"
#include "LibElf.h"

namespace sectmend {

namespace {

// The archive's symbol index and long-name table, which the ELF library
// hands out as members of their own: they are passed over, not images.
bool IsArchiveIndex(const std::string& memberName)
{
    return memberName == "/" || memberName == "//" || memberName == "/SYM64/";
}

std::uint64_t FileSize(int descriptor, const std::string& path)
{
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) throw ELFFile::ECorruptedFile(path);
    return static_cast<std::uint64_t>(status.st_size);
}

}  // namespace

ELFFile::EBadFile::EBadFile(const std::string& file, const std::string& reason)
{
    std::fprintf(stderr, "ERROR: '%s' %s\n", file.c_str(), reason.c_str());
}

ELFFile::ECorruptedFile::ECorruptedFile(const std::string& file) : EBadFile(file, "is corruped") {}

ELFFile::~ELFFile()
{
    close();
}

// A FIFO or a device would block the ELF library's first read, or never end.
void ELFFile::openDescriptor(const std::string& path)
{
    RegularFile file = openRegularFile(path, O_RDONLY);
    if (file.notRegular) throw EBadFile(path, "is not a regular file");
    if (!file.fd.valid()) throw EBadFile(path, "could not be opened");
    descriptor_ = std::move(file.fd);
}

void ELFFile::open(const std::string& path)
{
    close();
    const LibElf& lib = libElf();
    name_ = path;
    openDescriptor(path);
    elf_ = lib.begin(descriptor_.get(), ELF_C_READ, nullptr);
    if (elf_ == nullptr) throw ECorruptedFile(path);
    const Elf_Kind kind = lib.kind(elf_);
    if (kind == ELF_K_AR) throw EBadFile(path, "is ELF archive, use '" + path + "(element)'");
    if (kind != ELF_K_ELF) throw EBadFile(path, "is not a valid ELF file");
    base_ = 0;
    imageSize_ = FileSize(descriptor_.get(), path);
}

void ELFFile::open(const std::string& path, const std::string& element)
{
    close();
    const LibElf& lib = libElf();
    name_ = path + "(" + element + ")";
    openDescriptor(path);
    archive_ = lib.begin(descriptor_.get(), ELF_C_READ, nullptr);
    if (archive_ == nullptr) throw ECorruptedFile(path);
    if (lib.kind(archive_) != ELF_K_AR) throw EBadFile(path, "is not a valid ELF archive file");
    while (!selectMember(path, element)) {
    }
}

// Begins the archive's next member and keeps it when it is the one asked for.
// Members of other names are passed over whatever they hold (text, 64-bit
// objects, the archive's index); the named one must be a 32-bit ELF image,
// and one of machine 0 is passed over too. Returns false to go on with the
// next member.
bool ELFFile::selectMember(const std::string& path, const std::string& element)
{
    const LibElf& lib = libElf();
    elf_ = lib.begin(descriptor_.get(), ELF_C_READ, archive_);
    if (elf_ == nullptr) throw ECorruptedFile(path);
    const Elf_Arhdr* header = lib.getarhdr(elf_);
    if (header == nullptr) throw ECorruptedFile(path);
    const std::string memberName = header->ar_name != nullptr ? header->ar_name : "";
    if (IsArchiveIndex(memberName) || memberName != element) return nextMember(path, element);
    if (lib.kind(elf_) != ELF_K_ELF) throw ECorruptedFile(path);
    const std::uint64_t memberSize = header->ar_size;
    // The member is read through the descriptor as needed, which stays open
    // until close(). It is not loaded with ELF_C_FDREAD: the ELF library never
    // frees the copy of a member loaded that way, so every member passed over
    // would stay in memory, and the library reports a base of 0 afterwards.
    const std::int64_t memberBase = lib.getbase(elf_);
    if (memberBase < 0) throw ECorruptedFile(path);
    const std::uint64_t fileSize = FileSize(descriptor_.get(), path);
    if (static_cast<std::uint64_t>(memberBase) > fileSize || memberSize > fileSize - memberBase)
        throw ECorruptedFile(path);
    const Elf32_Ehdr* elfHeader = lib.getehdr32(elf_);
    if (elfHeader == nullptr) throw ECorruptedFile(path);
    if (elfHeader->e_machine == 0) return nextMember(path, element);
    base_ = memberBase;
    imageSize_ = memberSize;
    return true;
}

// Releases the member in hand; throws when it was the last one.
bool ELFFile::nextMember(const std::string& path, const std::string& element)
{
    const LibElf& lib = libElf();
    const Elf_Cmd next = lib.next(elf_);
    lib.end(elf_);
    elf_ = nullptr;
    if (next == ELF_C_NULL) throw EBadFile(path, "contains no '" + element + "' element");
    return false;
}

Elf_Scn* ELFFile::findSection(const std::string& sectionName)
{
    const LibElf& lib = libElf();
    const Elf32_Ehdr* header = elf_ != nullptr ? lib.getehdr32(elf_) : nullptr;
    if (header == nullptr) throw ECorruptedFile(name_);
    // The count and the name table's index may be kept in section 0 (when
    // they do not fit the ELF header); the library reads them from there.
    std::size_t count = 0, namesIndex = 0;
    if (lib.getshdrnum(elf_, &count) != 0 || lib.getshdrstrndx(elf_, &namesIndex) != 0)
        throw ECorruptedFile(name_);
    // A header table that gives no count (its section 0 missing, unreadable
    // or holding 0) is damage, not an image without sections.
    if (count == 0 && header->e_shoff != 0) throw ECorruptedFile(name_);
    for (Elf_Scn* section = lib.getscn(elf_, 1); section != nullptr; section = lib.nextscn(elf_, section)) {
        const Elf32_Shdr* sectionHeader = lib.getshdr32(section);
        if (sectionHeader == nullptr) throw ECorruptedFile(name_);
        const char* text = lib.strptr(elf_, namesIndex, sectionHeader->sh_name);
        if (text == nullptr) throw ECorruptedFile(name_);
        if (sectionName == text) return section;
    }
    return nullptr;
}

SectionFacts ELFFile::sectionFacts(Elf_Scn* section) const
{
    const LibElf& lib = libElf();
    const Elf32_Shdr* header = lib.getshdr32(section);
    if (header == nullptr) throw ECorruptedFile(name_);
    SectionFacts facts;
    facts.index = lib.ndxscn(section);
    facts.fileOffset = static_cast<std::uint64_t>(base_) + header->sh_offset;
    if (header->sh_type == SHT_NOBITS) {
        facts.noBits = true;
        return facts;
    }
    // The bytes are taken as they stand in the file, never converted to the
    // host's byte order, so they are checked against the image here.
    const bool pastImage = header->sh_offset > imageSize_ || header->sh_size > imageSize_ - header->sh_offset;
    if (header->sh_size != 0 && pastImage) throw ECorruptedFile(name_);
    facts.size = header->sh_size;
    return facts;
}

void ELFFile::close()
{
    if (elf_ != nullptr || archive_ != nullptr) {
        const LibElf& lib = libElf();
        if (elf_ != nullptr) lib.end(elf_);
        elf_ = nullptr;
        if (archive_ != nullptr) lib.end(archive_);
        archive_ = nullptr;
    }
    descriptor_.reset();
}

}  // namespace sectmend

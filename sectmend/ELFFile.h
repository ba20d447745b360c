#pragma once

#include <libelf.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "filereplace/UniqueFd.h"

namespace sectmend {

// Where a section's bytes are and how many there are, from its section
// header, checked against the image (the file, or the archive member) so
// that neither a get nor a replace reaches past it.
struct SectionFacts {
    std::uint64_t fileOffset = 0;  // of the section's first byte in the file opened
    std::size_t size = 0;          // bytes in the file; 0 for SHT_NOBITS
    std::size_t index = 0;
    bool noBits = false;           // SHT_NOBITS: no bytes in the file at all
};

// One 32-bit ELF image opened through the ELF library: a plain file or a named
// member of an archive. Only regular files are opened. The library reads the
// headers; the section bytes are read from descriptor() at the facts'
// offset. Failures are thrown as EBadFile or ECorruptedFile, whose
// constructors write the message.
class ELFFile {
public:
    class EBadFile {
    public:
        EBadFile(const std::string& file, const std::string& reason);
    };
    class ECorruptedFile : public EBadFile {
    public:
        explicit ECorruptedFile(const std::string& file);
    };

    ELFFile() = default;
    ~ELFFile();
    ELFFile(const ELFFile&) = delete;
    ELFFile& operator=(const ELFFile&) = delete;

    void open(const std::string& path);
    void open(const std::string& path, const std::string& element);
    // The first section (from index 1) named sectionName, or null.
    Elf_Scn* findSection(const std::string& sectionName);
    SectionFacts sectionFacts(Elf_Scn* section) const;
    // The open file; -1 when closed.
    int descriptor() const { return descriptor_.get(); }
    void close();

private:
    void openDescriptor(const std::string& path);
    bool selectMember(const std::string& path, const std::string& element);
    bool nextMember(const std::string& path, const std::string& element);

    std::string name_;
    vantrel::UniqueFd descriptor_;
    Elf* elf_ = nullptr;
    Elf* archive_ = nullptr;
    // Position of the image's first byte in the file, taken before the ELF
    // library loads a member into memory (after that it reports 0).
    std::int64_t base_ = 0;
    std::uint64_t imageSize_ = 0;
};

}  // namespace sectmend

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FileAccess.h"
#include "filereplace/UniqueFd.h"

namespace sectmend {

// The bytes that replace one section, read from the -bits file or from
// standard input, raw or as hexadecimal text, one block at a time: the
// input's bytes, then zeros once it ends. Every failure writes its one
// message and returns false.
class ReplacementInput {
public:
    ReplacementInput(std::string bitsName, bool textForm, std::uint64_t sectionSize);
    ReplacementInput(const ReplacementInput&) = delete;
    ReplacementInput& operator=(const ReplacementInput&) = delete;

    // Opens the -bits file (standard input without one); a folder is refused.
    bool open();
    // Reads text input once in full before any byte is written, so that
    // ill-formatted text fails the run with nothing changed. Text in a
    // regular file is checked, then read again from where it started; text
    // from a pipe or a terminal is converted into a scratch file, which the
    // section's bytes then come from. Raw input needs no check.
    bool stage();
    // Fills bytes with the next count bytes of the section.
    bool next(unsigned char* bytes, std::size_t count);
    // Whether input was left over after the section's last byte; known once
    // every byte was taken.
    bool surplus() const { return surplus_; }

private:
    // Reads one descriptor through a buffer, a byte or a block at a time.
    class Reader {
    public:
        void attach(int fd, std::size_t capacity);
        // The next byte, or -1 at the end of the input or after a read error.
        int get();
        // Up to count bytes; fewer only at the end or after a read error.
        std::size_t read(unsigned char* bytes, std::size_t count);
        int error() const { return error_; }  // errno of a failed read, else 0
        // Whether every byte was taken and the input has ended.
        bool exhausted() const { return ended_ && at_ == end_; }

    private:
        bool fill();

        int fd_ = -1;
        std::vector<unsigned char> buffer_;
        std::size_t at_ = 0;
        std::size_t end_ = 0;
        bool ended_ = false;
        int error_ = 0;
    };

    std::string shownName() const;
    bool decodeText(unsigned char* bytes, std::size_t count);
    bool takeAll(int spool);
    bool spool();
    void restart(int fd);
    // Room for the section's input in one read (text takes two characters a
    // byte, and one more shows surplus), up to a stream block.
    std::size_t readerCapacity() const { return StreamBlockFor(2 * size_ + 1); }

    std::string bitsName_;
    bool text_;
    std::uint64_t size_;
    std::uint64_t produced_ = 0;
    bool surplus_ = false;
    bool regular_ = false;
    bool spooled_ = false;     // the bytes come from the scratch file
    vantrel::UniqueFd file_;   // the -bits file, or the scratch file once spooled
    int fd_ = 0;               // the descriptor read: standard input without -bits
    Reader reader_;
};

}  // namespace sectmend

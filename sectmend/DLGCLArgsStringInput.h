#pragma once

#include <string>

namespace sectmend {

// The program's arguments from argument 1 onward as one stream of bytes: each
// argument followed by a separator byte 0; after the last separator the
// stream yields EndOfInput on every read.
class DLGCLArgsStringInput {
public:
    static constexpr int EndOfInput = 256;

    DLGCLArgsStringInput(int argc, char* const* argv);
    DLGCLArgsStringInput(const DLGCLArgsStringInput&) = delete;
    DLGCLArgsStringInput& operator=(const DLGCLArgsStringInput&) = delete;

    // The next byte (0-255), or EndOfInput.
    int nextChar();
    // What follows the last byte read up to the end of its argument, and the
    // argument after that one (empty when there is none), for a scanner that
    // must look ahead before it decides where a token ends.
    std::string restOfArgument() const;
    std::string followingArgument() const;
    bool hasFollowingArgument() const { return next_ < argc_; }

private:
    char* const* argv_;
    const char* current_ = nullptr;  // into the argument being read; null between arguments
    int next_ = 1;                   // index of the next argument
    int argc_;
    bool end_ = false;
};

}  // namespace sectmend

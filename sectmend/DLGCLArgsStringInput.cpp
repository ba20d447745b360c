#include "DLGCLArgsStringInput.h"

namespace sectmend {

DLGCLArgsStringInput::DLGCLArgsStringInput(int argc, char* const* argv)
    : argv_(argv), argc_(argc)
{
}

int DLGCLArgsStringInput::nextChar()
{
    if (end_) return EndOfInput;
    if (current_ == nullptr) {
        if (next_ >= argc_) {
            end_ = true;
            return EndOfInput;
        }
        current_ = argv_[next_++];
    }
    const auto byte = static_cast<unsigned char>(*current_);
    if (byte == 0) {
        current_ = nullptr;  // the separator after this argument
        return 0;
    }
    ++current_;
    return byte;
}

std::string DLGCLArgsStringInput::restOfArgument() const
{
    return current_ != nullptr ? std::string(current_) : std::string();
}

std::string DLGCLArgsStringInput::followingArgument() const
{
    return hasFollowingArgument() ? std::string(argv_[next_]) : std::string();
}

}  // namespace sectmend

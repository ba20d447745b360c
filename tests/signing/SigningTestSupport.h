#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "FakeUserInterface.h"
#include "FaultySectmend.h"
#include "TestSupport.h"
#include "buttons/DialogState.h"
#include "core/OpenSslHandles.h"

namespace vantrel::testing {

// One "[header]" block of a vector file with its "Key = Value" lines.
struct VectorBlock {
    std::string header;
    std::map<std::string, std::string> values;
};
std::vector<VectorBlock> ReadVectorFile(const std::filesystem::path& path);
std::filesystem::path SigningVectorsDir();

BignumPtr HexNumber(const std::string& hex);
std::string Hex(const BIGNUM* number);  // uppercase, as BN_bn2hex

// The curve file of one of the library's named binary curves, nine fields on
// one line, taken from the library's own parameters.
std::string CurveFileText(int curveNid);

// Verifies (r, s) over the SHA-1 digest of message with the library's own
// ECDSA verification, for the public key "X Y" of public.ecs on the named
// curve. Any failure to build the key counts as not verified.
bool OpenSslVerifies(int curveNid, const std::string& publicKeyText, const Bytes& message, const BIGNUM* r,
                     const BIGNUM* s);

// A fresh working directory (the key files land there), the dialog state
// with the build's tool directory, and a fake user interface.
struct SigningBench {
    TempDir dir;
    ScopedWorkingDirectory cwd{dir.path()};
    DialogState state;
    FakeUserInterface ui;

    SigningBench();
    std::filesystem::path path(const std::string& name) const { return dir.path() / name; }
};

// A tool directory of its own: the build's sectmend and the given curve file
// (by default the build's).
class ToolDirectory {
public:
    ToolDirectory();
    explicit ToolDirectory(const std::string& curveText);
    std::string path() const { return dir_.path().string(); }
    // sectmend runs action on the step whose arguments begin with
    // stepArguments (see WriteFaultySectmend).
    void Fault(const std::string& stepArguments, const std::string& action)
    {
        WriteFaultySectmend(dir_.path(), stepArguments, action);
    }

private:
    TempDir dir_;
};

}  // namespace vantrel::testing

#pragma once

#include <string>
#include <vector>

namespace vantrel {

// The result of one check of a verify run.
enum class CheckOutcome { Passed, Failed, Skipped };

struct VerifyCheck {
    std::string subject;  // what was checked: "signature", "AESData table", "section L2_Hash"
    CheckOutcome outcome = CheckOutcome::Failed;
    std::string detail;   // what was found, in words for the user
};

// Every check of a verify run, in the order they were made.
struct VerifyReport {
    std::vector<VerifyCheck> checks;

    void Pass(std::string subject, std::string detail);
    void Fail(std::string subject, std::string detail);
    void Skip(std::string subject, std::string detail);

    // True when no check failed and at least one passed.
    bool AllPassed() const;
};

const char* OutcomeName(CheckOutcome outcome);

}  // namespace vantrel

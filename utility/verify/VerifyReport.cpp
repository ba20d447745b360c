#include "verify/VerifyReport.h"

#include <algorithm>
#include <utility>

namespace vantrel {

void VerifyReport::Pass(std::string subject, std::string detail)
{
    checks.push_back({std::move(subject), CheckOutcome::Passed, std::move(detail)});
}

void VerifyReport::Fail(std::string subject, std::string detail)
{
    checks.push_back({std::move(subject), CheckOutcome::Failed, std::move(detail)});
}

void VerifyReport::Skip(std::string subject, std::string detail)
{
    checks.push_back({std::move(subject), CheckOutcome::Skipped, std::move(detail)});
}

bool VerifyReport::AllPassed() const
{
    const auto has = [this](CheckOutcome outcome) {
        return std::any_of(checks.begin(), checks.end(),
                           [outcome](const VerifyCheck& check) { return check.outcome == outcome; });
    };
    return has(CheckOutcome::Passed) && !has(CheckOutcome::Failed);
}

const char* OutcomeName(CheckOutcome outcome)
{
    switch (outcome) {
    case CheckOutcome::Passed: return "passed";
    case CheckOutcome::Failed: return "failed";
    case CheckOutcome::Skipped: return "skipped";
    }
    return "failed";
}

}  // namespace vantrel

#pragma once

#include <string>

#include "runner/ToolRunner.h"
#include "core/Outcome.h"

namespace vantrel {

// One run of the section tool in a signing, with what it does in words for
// the message when it fails.
struct SectionToolStep {
    std::string description;
    ToolArguments arguments;
};

// The four runs that exchange the contents of msg_code and msg_data.
SectionToolStep ExchangeStep1(const std::string& image);  // msg_code -> signature.bin
SectionToolStep ExchangeStep2(const std::string& image);  // msg_data -> tmp.bin
SectionToolStep ExchangeStep3(const std::string& image);  // tmp.vnf = image, msg_code from tmp.bin
SectionToolStep ExchangeStep4(const std::string& image);  // image = tmp.vnf, msg_data from signature.bin
// digital_signature of the image, in place, from the text in tmp.bf.
SectionToolStep SignatureStep(const std::string& image);
// digital_signature of the image read back as raw bytes into tmp.bin.
SectionToolStep SignatureReadBackStep(const std::string& image);

// Runs the step with the section tool of the tool directory and waits for
// it; fails with a message naming the step unless it exits with status 0.
Outcome<Done> RunSectionTool(const std::string& toolDirectory, const SectionToolStep& step);

}  // namespace vantrel

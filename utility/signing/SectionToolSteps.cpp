#include "signing/SectionToolSteps.h"

namespace vantrel {

SectionToolStep ExchangeStep1(const std::string& image)
{
    return {"exchange 1 (copy section msg_code of " + image + " to signature.bin)",
            {"-get", "msg_code", "-o", "signature.bin", image}};
}

SectionToolStep ExchangeStep2(const std::string& image)
{
    return {"exchange 2 (copy section msg_data of " + image + " to tmp.bin)",
            {"-get", "msg_data", "-o", "tmp.bin", image}};
}

SectionToolStep ExchangeStep3(const std::string& image)
{
    return {"exchange 3 (write the msg_data bytes into section msg_code, as tmp.vnf)",
            {"-replace", "msg_code", "-o", "tmp.vnf", "-bits", "tmp.bin", image}};
}

SectionToolStep ExchangeStep4(const std::string& image)
{
    return {"exchange 4 (write the msg_code bytes into section msg_data of " + image + ")",
            {"-replace", "msg_data", "-o", image, "-bits", "signature.bin", "tmp.vnf"}};
}

SectionToolStep SignatureStep(const std::string& image)
{
    return {"writing the signature into section digital_signature of " + image,
            {"-replace", "digital_signature", "-bits", "tmp.bf", "-text", image}};
}

SectionToolStep SignatureReadBackStep(const std::string& image)
{
    return {"reading back section digital_signature of " + image + " to tmp.bin",
            {"-get", "digital_signature", "-o", "tmp.bin", image}};
}

Outcome<Done> RunSectionTool(const std::string& toolDirectory, const SectionToolStep& step)
{
    const std::string tool = ToolPath(toolDirectory, "sectmend");
    const int status = RunToolAndWait(tool, step.arguments);
    if (status == 0)
        return Done{};
    const std::string outcome = status == ToolCouldNotStart
                                    ? tool + " could not be started"
                                    : "sectmend ended with status " + std::to_string(status);
    return Outcome<Done>::Fail("Error: signing step " + step.description + " failed: " + outcome + ".\n");
}

}  // namespace vantrel

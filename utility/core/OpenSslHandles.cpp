#include "core/OpenSslHandles.h"

#include <openssl/err.h>

namespace vantrel {

std::string OpenSslErrorText()
{
    std::string text;
    unsigned long code = 0;
    while ((code = ERR_get_error()) != 0) {
        char line[256];
        ERR_error_string_n(code, line, sizeof line);
        if (!text.empty())
            text += "; ";
        text += line;
    }
    return text.empty() ? std::string("unknown error") : text;
}

}  // namespace vantrel

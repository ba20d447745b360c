#include "StdioFile.h"

#include <sys/stat.h>
#include <unistd.h>

namespace sectmend {

void DiscardIncompleteFile(const std::string& name)
{
    struct stat status {};
    if (::stat(name.c_str(), &status) == 0 && S_ISREG(status.st_mode)) ::unlink(name.c_str());
}

}  // namespace sectmend

#include "signing/ImageBackup.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace vantrel {

Outcome<ImageBackup> ImageBackup::Take(const std::string& imagePath)
{
    std::ifstream in(imagePath, std::ios::binary);
    ImageBackup backup;
    backup.path_ = imagePath;
    if (!in)
        return Outcome<ImageBackup>::Fail("Problem - cannot read the image " + imagePath + ": " +
                                          std::strerror(errno));
    backup.bytes_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return backup;
}

Outcome<Done> ImageBackup::Restore() const
{
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out.write(bytes_.data(), static_cast<std::streamsize>(bytes_.size()));
    out.close();
    if (!out)
        return Outcome<Done>::Fail("Problem - the image " + path_ + " could not be restored: " +
                                   std::strerror(errno));
    return Done{};
}

Outcome<Done> ChangeImageOrRestore(const std::string& imagePath, const std::function<Outcome<Done>()>& change)
{
    Outcome<ImageBackup> backup = ImageBackup::Take(imagePath);
    if (!backup.ok())
        return Outcome<Done>::Fail(backup.message());
    Outcome<Done> changed = change();
    if (changed.ok())
        return changed;
    Outcome<Done> restored = backup.value().Restore();
    if (restored.ok())
        return changed;
    std::string message = changed.message();
    if (!message.empty() && message.back() != '\n')
        message += '\n';
    return Outcome<Done>::Fail(message + restored.message());
}

}  // namespace vantrel

#include "AppIcon.h"

namespace vantrel {

QIcon VantrelIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64})
        icon.addFile(QStringLiteral(":/vantrel/icons/vantrel-%1.png").arg(size), QSize(size, size));
    return icon;
}

}  // namespace vantrel

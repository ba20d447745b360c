#include "AboutDlg.h"

#include <QLabel>
#include <QPushButton>

#include "AppIcon.h"
#include "DialogUnits.h"

namespace vantrel {

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Vantrel Utility"));
    setFont(TemplateFont());
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    const DialogUnits units(font());
    setFixedSize(units.size(235, 55));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("aboutIcon"));
    icon->setPixmap(VantrelIcon().pixmap(AppIconSize, AppIconSize));
    icon->setGeometry(QRect(QPoint(units.x(11), units.y(17)), QSize(AppIconSize, AppIconSize)));

    auto* version = new QLabel(QStringLiteral("Vantrel Utility Version " VANTREL_VERSION), this);
    version->setObjectName(QStringLiteral("aboutVersion"));
    version->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    version->setGeometry(units.rect(40, 10, 119, 8));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("aboutOk"));
    ok->setGeometry(units.rect(178, 7, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace vantrel

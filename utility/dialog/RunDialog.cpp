#include "RunDialog.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>

#include <iostream>
#include <string>

#include "AppIcon.h"
#include "DialogSettings.h"
#include "VantrelUtilityDlg.h"

namespace vantrel {

namespace {

void PrintMessage(const std::string& text, MessageKind)
{
    std::cerr << text;
    if (text.empty() || text.back() != '\n')
        std::cerr << '\n';
}

int WriteScreenshot(CVantrelUtilityDlg& dialog, const QStringList& arguments)
{
    if (arguments.size() < 3 || arguments.size() > 4) {
        std::cerr << "usage: vantrel-utility --screenshot FILE [IMAGE]\n";
        return 1;
    }
    dialog.userInterface().setMessageSink(PrintMessage);
    dialog.show();
    if (arguments.size() == 4) {
        const QString image = QFileInfo(arguments.at(3)).absoluteFilePath();
        dialog.userInterface().setImagePath(QFile::encodeName(image).toStdString());
        dialog.OnLoad();
    }
    const QString file = arguments.at(2);
    if (!dialog.grab().save(file, "PNG")) {
        std::cerr << "ERROR: cannot write the picture " << file.toStdString() << '\n';
        return 1;
    }
    return 0;
}

}  // namespace

int RunDialog(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel Utility"));
    QApplication::setApplicationVersion(QStringLiteral(VANTREL_VERSION));
    QApplication::setWindowIcon(VantrelIcon());

    CVantrelUtilityDlg dialog;
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() >= 2 && arguments.at(1) == QLatin1String("--screenshot"))
        return WriteScreenshot(dialog, arguments);
    // The screenshot shows the defaults; a user's run starts where the last
    // one ended.
    RestoreDialogSettings(dialog.controls());
    dialog.exec();
    SaveDialogSettings(dialog.controls());
    return 0;
}

}  // namespace vantrel

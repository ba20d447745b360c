#include "FileChooser.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include "WaitCursor.h"

namespace vantrel {

std::optional<std::string> ChooseFileWithDialog(QWidget* owner, const FileChooserRequest& request)
{
    const NormalCursor cursor;
    QFileDialog chooser(owner, QString::fromStdString(request.title), QDir::currentPath(),
                        QString::fromLatin1(ImageFileFilter));
    chooser.setObjectName(QStringLiteral("fileChooser"));
    // A save chooser asks before it takes an existing file (Qt's default).
    chooser.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    chooser.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    chooser.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
        return std::nullopt;

    return TakeChosenFile(QFileInfo(chooser.selectedFiles().constFirst()));
}

std::optional<QFileInfo> DroppedFile(const QMimeData& data)
{
    const QList<QUrl> urls = data.urls();
    if (urls.size() != 1 || !urls.constFirst().isLocalFile())
        return std::nullopt;
    const QFileInfo file(urls.constFirst().toLocalFile());
    if (!file.isFile())
        return std::nullopt;
    return file;
}

std::string TakeChosenFile(const QFileInfo& chosen)
{
    // Files opened later by bare name (keys, temporary files) go where the
    // chosen file is, as after the platform's own chooser.
    QDir::setCurrent(chosen.absolutePath());
    return QFile::encodeName(chosen.absoluteFilePath()).toStdString();
}

}  // namespace vantrel

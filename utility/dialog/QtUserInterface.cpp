#include "QtUserInterface.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>

#include "FileChooser.h"
#include "WaitCursor.h"
#include "XListCtrl.h"

namespace vantrel {

void ShowMessageBox(QWidget* owner, const std::string& text)
{
    const NormalCursor cursor;
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Vantrel Utility"), QString::fromStdString(text),
                    QMessageBox::Ok, owner);
    box.setObjectName(QStringLiteral("messageBox"));
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool AskYesNo(QWidget* owner, const std::string& question)
{
    const NormalCursor cursor;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Vantrel Utility"), QString::fromStdString(question),
                    QMessageBox::Yes | QMessageBox::No, owner);
    box.setObjectName(QStringLiteral("questionBox"));
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QtUserInterface::QtUserInterface(QWidget& owner, const MainDialogControls& controls)
    : controls_(controls),
      messageSink_([&owner](const std::string& text) { ShowMessageBox(&owner, text); }),
      fileChooser_([&owner](const FileChooserRequest& request) { return ChooseFileWithDialog(&owner, request); }),
      questionSink_([&owner](const std::string& question) { return AskYesNo(&owner, question); })
{
}

void QtUserInterface::showMessage(const std::string& text)
{
    messageSink_(text);
}

bool QtUserInterface::askYesNo(const std::string& question)
{
    return questionSink_(question);
}

std::optional<std::string> QtUserInterface::chooseFile(const FileChooserRequest& request)
{
    return fileChooser_(request);
}

SectionList& QtUserInterface::sectionList()
{
    return *controls_.sectionList;
}

int QtUserInterface::comboSelection(Combo combo) const
{
    switch (combo) {
    case Combo::KeyPair: return controls_.keyPair->currentIndex();
    case Combo::KeyLen: return controls_.keyLen->currentIndex();
    case Combo::Mode: return controls_.mode->currentIndex();
    case Combo::Purpose: return controls_.purpose->currentIndex();
    case Combo::Entry: return controls_.entry->currentIndex();
    }
    return -1;
}

std::string QtUserInterface::keyText() const
{
    return controls_.key->text().toStdString();
}

std::string QtUserInterface::imagePath() const
{
    return QFile::encodeName(controls_.imagePath->text()).toStdString();
}

void QtUserInterface::setImagePath(const std::string& path)
{
    controls_.imagePath->setText(QFile::decodeName(QByteArray::fromStdString(path)));
}

void QtUserInterface::browseForImage()
{
    FileChooserRequest request;
    request.mustExist = true;
    if (const auto path = chooseFile(request))
        setImagePath(*path);
}

}  // namespace vantrel

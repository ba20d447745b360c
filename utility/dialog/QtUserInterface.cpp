#include "QtUserInterface.h"

#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

#include "FileChooser.h"
#include "MainDialogTemplate.h"
#include "ProgressRun.h"
#include "WaitCursor.h"
#include "XListCtrl.h"

namespace vantrel {

namespace {

// The window manager draws the title in its own, often bold, font beside an
// icon and up to three buttons, none of which the box's layout counts: a
// spacer as wide as all of that keeps a short message's title whole.
void KeepTitleWhole(QMessageBox& box)
{
    QFont titleFont = box.font();
    titleFont.setBold(true);
    const QFontMetrics metrics(titleFont);
    const int width = metrics.horizontalAdvance(box.windowTitle()) + 8 * metrics.height();
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                      grid->columnCount());
}

}  // namespace

void ShowMessageBox(QWidget* owner, const std::string& text, MessageKind kind)
{
    const NormalCursor cursor;
    const QMessageBox::Icon icon = kind == MessageKind::Success ? QMessageBox::Information : QMessageBox::Warning;
    QMessageBox box(icon, QStringLiteral("Vantrel Utility"), QString::fromStdString(text), QMessageBox::Ok, owner);
    box.setObjectName(QStringLiteral("messageBox"));
    box.setTextFormat(Qt::PlainText);
    KeepTitleWhole(box);
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
    KeepTitleWhole(box);
    return box.exec() == QMessageBox::Yes;
}

QtUserInterface::QtUserInterface(QWidget& owner, const MainDialogControls& controls)
    : controls_(controls),
      messageSink_([&owner](const std::string& text, MessageKind kind) { ShowMessageBox(&owner, text, kind); }),
      fileChooser_([&owner](const FileChooserRequest& request) { return ChooseFileWithDialog(&owner, request); }),
      questionSink_([&owner](const std::string& question) { return AskYesNo(&owner, question); }),
      longWorkRunner_(
          [&owner](const std::string& title, const LongWork& work) { RunWithProgressDialog(&owner, title, work); })
{
}

void QtUserInterface::showMessage(const std::string& text, MessageKind kind)
{
    messageSink_(text, kind);
}

bool QtUserInterface::askYesNo(const std::string& question)
{
    return questionSink_(question);
}

std::optional<std::string> QtUserInterface::chooseFile(const FileChooserRequest& request)
{
    return fileChooser_(request);
}

void QtUserInterface::runLongWork(const std::string& title, const LongWork& work)
{
    longWorkRunner_(title, work);
}

void QtUserInterface::showKeyDigits(int digits)
{
    controls_.keyLabel->setText(QStringLiteral("&Key (%1 hex digits):").arg(digits));
    controls_.key->setMinimumWidth(KeyFieldWidth(*controls_.key, digits));
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
    request.title = "Open the Image";
    if (const auto path = chooseFile(request))
        setImagePath(*path);
}

}  // namespace vantrel

#include "VantrelUtilityDlg.h"

#include <QAction>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include <algorithm>
#include <exception>
#include <string>

#include "AboutDlg.h"
#include "AppIcon.h"
#include "FileChooser.h"
#include "core/ToolDirectory.h"
#include "WaitCursor.h"
#include "XListCtrl.h"
#include "buttons/Buttons.h"

namespace vantrel {

CVantrelUtilityDlg::CVantrelUtilityDlg(QWidget* parent)
    : QDialog(parent), controls_(BuildMainDialog(*this)), ui_(*this, controls_)
{
    OnInitDialog();
    ConnectSignals();
}

CVantrelUtilityDlg::~CVantrelUtilityDlg() = default;

void CVantrelUtilityDlg::OnInitDialog()
{
    AddContextMenu();
    setWindowIcon(VantrelIcon());
    controls_.keyPair->setCurrentIndex(KeyPairIndex::Pelora);
    controls_.keyLen->setCurrentIndex(KeyLenIndex::Bits128);
    OnKeyLenChange();
    controls_.mode->setCurrentIndex(ModeIndex::CBC);
    controls_.purpose->setCurrentIndex(PurposeIndex::Demonstration);
    controls_.entry->setCurrentIndex(EntryIndex::Multi);
    controls_.key->clear();
    controls_.imagePath->clear();
    // A file dropped on the key box is meant for the window, not typed in.
    controls_.key->setAcceptDrops(false);
    setAcceptDrops(true);
    SetUpSectionList();
    state_.toolDirectory = FindToolDirectory();
    controls_.browse->setFocus();
}

// The window menu belongs to the window manager, so the dialog's own items
// live in its context menu: Close, and after a separator the About box.
void CVantrelUtilityDlg::AddContextMenu()
{
    setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* close = new QAction(QStringLiteral("&Close"), this);
    connect(close, &QAction::triggered, this, &QDialog::reject);
    addAction(close);
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    addAction(separator);
    aboutAction_ = new QAction(QStringLiteral("&About Vantrel Utility..."), this);
    addAction(aboutAction_);
}

void CVantrelUtilityDlg::SetUpSectionList()
{
    CXListCtrl& list = *controls_.sectionList;
    list.SetExtendedStyle(list.GetExtendedStyle() | CXListCtrl::GridLines | CXListCtrl::CheckBoxes |
                          CXListCtrl::HeaderDragDrop | CXListCtrl::FullRowSelect);
    list.InsertColumn(SectionList::HashColumn, QStringLiteral("Hash"), CXListCtrl::FormatCenter, 40);
    list.InsertColumn(SectionList::AesColumn, QStringLiteral("AES"), CXListCtrl::FormatCenter, 40);
    list.InsertColumn(SectionList::NameColumn, QStringLiteral("Name"), CXListCtrl::FormatLeft, 150);
    list.InsertColumn(SectionList::AddrColumn, QStringLiteral("Addr"), CXListCtrl::FormatCenter, 80);
    list.InsertColumn(SectionList::SizeColumn, QStringLiteral("Size"), CXListCtrl::FormatCenter, 80);
}

void CVantrelUtilityDlg::ConnectSignals()
{
    connect(controls_.browse, &QPushButton::clicked, this, &CVantrelUtilityDlg::OnBrowse);
    connect(controls_.load, &QPushButton::clicked, this, &CVantrelUtilityDlg::OnLoad);
    connect(controls_.generate, &QPushButton::clicked, this, &CVantrelUtilityDlg::OnGenerate);
    connect(controls_.save, &QPushButton::clicked, this, &CVantrelUtilityDlg::OnSave);
    connect(controls_.keyLen, &QComboBox::currentIndexChanged, this, &CVantrelUtilityDlg::OnKeyLenChange);
    connect(aboutAction_, &QAction::triggered, this, &CVantrelUtilityDlg::OnAbout);
    connect(controls_.key, &QLineEdit::textEdited, this, [this] { changedSinceSave_ = true; });
    connect(controls_.sectionList->model(), &QAbstractItemModel::dataChanged, this,
            [this] { changedSinceSave_ = true; });
}

void CVantrelUtilityDlg::OnBrowse()
{
    ui_.browseForImage();
}

void CVantrelUtilityDlg::OnLoad()
{
    RunOperation([this] { vantrel::OnLoad(state_, ui_); });
}

void CVantrelUtilityDlg::OnGenerate()
{
    RunOperation([this] { vantrel::OnGenerate(state_, ui_); });
}

void CVantrelUtilityDlg::OnSave()
{
    RunOperation([this] {
        if (vantrel::OnSave(state_, ui_))
            changedSinceSave_ = false;
    });
}

void CVantrelUtilityDlg::OnKeyLenChange()
{
    vantrel::OnKeyLenChange(ui_);
}

void CVantrelUtilityDlg::OnAbout()
{
    CAboutDlg(this).exec();
}

template <typename Operation>
void CVantrelUtilityDlg::RunOperation(Operation operation)
{
    const WaitCursor wait;
    try {
        operation();
    } catch (const std::exception& error) {
        ui_.showMessage(std::string("The operation stopped: ") + error.what(), MessageKind::Error);
    } catch (...) {
        ui_.showMessage("The operation stopped on an unexpected error.", MessageKind::Error);
    }
}

namespace {

// Where the window goes (for QWidget::move) to centre it, frame and all, on
// its screen's available area.
QPoint CentredOnScreen(const QWidget& window)
{
    const QRect available = window.screen()->availableGeometry();
    QMargins frame = window.windowHandle() != nullptr ? window.windowHandle()->frameMargins() : QMargins();
    // Not decorated yet: the window manager puts its usual title bar and
    // borders around the window where it stands, so the window itself is
    // placed inside the frame it will get.
    const bool decorated = !frame.isNull();
    if (!decorated)
        frame = QMargins(1, qRound(22 / window.devicePixelRatioF()), 1, qRound(5 / window.devicePixelRatioF()));
    const QSize outer = window.size().grownBy(frame);
    QPoint corner(std::max(available.left(), available.x() + (available.width() - outer.width()) / 2),
                  std::max(available.top(), available.y() + (available.height() - outer.height()) / 2));
    return decorated ? corner : corner + QPoint(frame.left(), frame.top());
}

}  // namespace

void CVantrelUtilityDlg::setVisible(bool visible)
{
    const bool opening = visible && !opened_;
    if (opening) {
        opened_ = true;
        resize(MainDialogOpeningSize(*this, controls_, screen()->availableGeometry().size()));
    }
    QDialog::setVisible(visible);
    // The layout settles its size while the window is shown, after QDialog
    // has placed it for the size before: centre it again for the size it has.
    if (opening)
        move(CentredOnScreen(*this));
}


bool CVantrelUtilityDlg::HasUnsavedChoices() const
{
    if (!changedSinceSave_)
        return false;
    if (!controls_.key->text().isEmpty())
        return true;
    const CXListCtrl& list = *controls_.sectionList;
    for (int row = 0; row < list.GetItemCount(); ++row)
        if (list.GetItemCheckedState(row, SectionList::HashColumn) != 0 ||
            list.GetItemCheckedState(row, SectionList::AesColumn) != 0)
            return true;
    return false;
}

bool CVantrelUtilityDlg::MayClose()
{
    return !HasUnsavedChoices() ||
           ui_.askYesNo("The ticked sections and the typed key have not been saved. Close Vantrel Utility and "
                        "lose them?");
}

void CVantrelUtilityDlg::accept()
{
    if (MayClose())
        QDialog::accept();
}

void CVantrelUtilityDlg::reject()
{
    if (MayClose())
        QDialog::reject();
}

void CVantrelUtilityDlg::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!enter || event->modifiers() & ~Qt::KeypadModifier) {
        QDialog::keyPressEvent(event);
        return;
    }
    // A key is typed and then Enter is pressed out of habit: nothing happens.
    if (focusWidget() == controls_.key)
        return;
    if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
        button->click();
    else
        accept();
}

void CVantrelUtilityDlg::dragEnterEvent(QDragEnterEvent* event)
{
    if (DroppedFile(*event->mimeData()))
        event->acceptProposedAction();
}

void CVantrelUtilityDlg::dropEvent(QDropEvent* event)
{
    if (const auto file = DroppedFile(*event->mimeData())) {
        event->acceptProposedAction();
        ui_.setImagePath(TakeChosenFile(*file));
    }
}

}  // namespace vantrel

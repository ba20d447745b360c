#include "MainDialogTemplate.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <array>

#include "DialogUnits.h"
#include "XListCtrl.h"

namespace vantrel {

namespace {

// Makes the dialog's controls, each owned by the dialog until a layout hands
// it to its group box.
class ControlMaker {
public:
    explicit ControlMaker(QDialog& dialog) : dialog_(dialog) {}

    QPushButton* button(const char* name, const QString& text)
    {
        auto* widget = named(new QPushButton(text, &dialog_), name);
        // No push button is a default button: Enter belongs to the dialog.
        widget->setAutoDefault(false);
        widget->setDefault(false);
        return widget;
    }

    // A drop-down list that is never narrower than its widest item, so no
    // window size cuts the chosen text.
    QComboBox* dropDownList(const char* name, const QStringList& items)
    {
        auto* widget = named(new QComboBox(&dialog_), name);
        widget->addItems(items);
        widget->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        return widget;
    }

    QLineEdit* edit(const char* name) { return named(new QLineEdit(&dialog_), name); }

    // A label whose mnemonic moves the focus to buddy (or presses it).
    QLabel* label(const QString& text, QWidget* buddy)
    {
        auto* widget = new QLabel(text, &dialog_);
        widget->setBuddy(buddy);
        return widget;
    }

    QGroupBox* groupBox(const QString& title)
    {
        auto* widget = new QGroupBox(title, &dialog_);
        widget->setAlignment(Qt::AlignHCenter);
        return widget;
    }

    CXListCtrl* list(const char* name) { return named(new CXListCtrl(&dialog_), name); }

private:
    template <typename Widget>
    static Widget* named(Widget* widget, const char* name)
    {
        widget->setObjectName(QString::fromLatin1(name));
        return widget;
    }

    QDialog& dialog_;
};

void SetUpWindow(QDialog& dialog)
{
    dialog.setWindowTitle(QStringLiteral("Vantrel Utility"));
    dialog.setFont(TemplateFont());
    // The program's main window: caption, window menu, minimise, maximise
    // and close boxes, and a size grip; no help box.
    dialog.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    dialog.setSizeGripEnabled(true);
}

QGroupBox* InputParameterGroup(ControlMaker& make, const MainDialogControls& c)
{
    QGroupBox* group = make.groupBox(QStringLiteral("Input Parameter"));
    auto* row = new QHBoxLayout(group);
    row->addWidget(make.label(QStringLiteral("&Input VNF File:"), c.browse));
    row->addWidget(c.imagePath, 1);
    row->addWidget(c.browse);
    return group;
}

QGroupBox* EcdsaOptionsGroup(ControlMaker& make, const MainDialogControls& c)
{
    QGroupBox* group = make.groupBox(QStringLiteral("ECDSA Options"));
    auto* grid = new QGridLayout(group);
    grid->addWidget(make.label(QStringLiteral("Key &Pair:"), c.keyPair), 0, 0);
    grid->addWidget(c.keyPair, 0, 1);
    grid->addWidget(c.generate, 1, 0, 1, 2);
    return group;
}

QGroupBox* AesOptionsGroup(ControlMaker& make, const MainDialogControls& c)
{
    QGroupBox* group = make.groupBox(QStringLiteral("AES Options"));
    auto* grid = new QGridLayout(group);
    grid->addWidget(make.label(QStringLiteral("Key Le&n:"), c.keyLen), 0, 0);
    grid->addWidget(c.keyLen, 0, 1);
    grid->addWidget(make.label(QStringLiteral("&Mode:"), c.mode), 0, 2);
    grid->addWidget(c.mode, 0, 3);
    grid->setColumnStretch(4, 1);
    grid->addWidget(c.keyLabel, 1, 0);
    grid->addWidget(c.key, 1, 1, 1, 4);
    return group;
}

QGroupBox* InformationGroup(ControlMaker& make, const MainDialogControls& c)
{
    QGroupBox* group = make.groupBox(QStringLiteral("Information"));
    auto* column = new QVBoxLayout(group);
    column->addWidget(c.sectionList);
    return group;
}

QGroupBox* OperationGroup(ControlMaker& make, const MainDialogControls& c)
{
    QGroupBox* group = make.groupBox(QStringLiteral("Operation"));
    auto* grid = new QGridLayout(group);
    grid->addWidget(make.label(QStringLiteral("P&urpose:"), c.purpose), 0, 0);
    grid->addWidget(c.purpose, 0, 1);
    grid->addWidget(make.label(QStringLiteral("&Entry:"), c.entry), 1, 0);
    grid->addWidget(c.entry, 1, 1);
    grid->setRowStretch(2, 1);
    grid->addWidget(c.load, 3, 0, 1, 2);
    grid->addWidget(c.save, 4, 0, 1, 2);
    return group;
}

// Margins and spacing of the template's proportions (4 and 3 dialog units)
// rather than the style's roomier ones, so the smallest window fits a small
// screen.
void UseTemplateSpacing(QDialog& dialog)
{
    const DialogUnits units(dialog.font());
    for (QLayout* layout : dialog.findChildren<QLayout*>()) {
        layout->setContentsMargins(units.x(4), units.y(3), units.x(4), units.y(3));
        layout->setSpacing(units.y(3));
    }
}

// Tab and Shift+Tab visit the controls in the order of MainDialogControls.
void SetTabOrder(const MainDialogControls& c)
{
    const std::array<QWidget*, 12> order{c.imagePath, c.browse, c.keyPair,     c.generate, c.keyLen,
                                         c.mode,      c.key,    c.sectionList, c.purpose,  c.entry,
                                         c.load,      c.save};
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

}  // namespace

QSize MainDialogTemplateSize(const QFont& font)
{
    return DialogUnits(font).size(372, 276);
}

MainDialogControls BuildMainDialog(QDialog& dialog)
{
    SetUpWindow(dialog);
    ControlMaker make(dialog);
    MainDialogControls c;
    c.imagePath = make.edit("imagePathEdit");
    c.imagePath->setReadOnly(true);
    c.browse = make.button("browseButton", QStringLiteral("..."));
    c.keyPair = make.dropDownList("keyPairCombo", {"Pelora", "Generate", "Default"});
    c.generate = make.button("generateButton", QStringLiteral("&Generate"));
    c.keyLen = make.dropDownList("keyLenCombo", {"128", "192", "256"});
    c.mode = make.dropDownList("modeCombo", {"ECB", "CBC", "OFB", "CTR"});
    c.key = make.edit("keyEdit");
    c.keyLabel = make.label(QStringLiteral("&Key:"), c.key);
    c.sectionList = make.list("sectionList");
    c.purpose = make.dropDownList("purposeCombo", {"Demonstration", "Practical use"});
    c.entry = make.dropDownList("entryCombo", {"Single", "Multi"});
    c.entry->model()->sort(0);
    c.load = make.button("loadButton", QStringLiteral("&Load"));
    c.save = make.button("saveButton", QStringLiteral("&Save"));

    QGroupBox* frame = make.groupBox(QStringLiteral("Tessaro Vantrel Utility"));
    auto* rows = new QVBoxLayout(frame);
    rows->addWidget(InputParameterGroup(make, c));
    auto* options = new QHBoxLayout;
    options->addWidget(EcdsaOptionsGroup(make, c), 107);
    options->addWidget(AesOptionsGroup(make, c), 234);
    rows->addLayout(options);
    auto* work = new QHBoxLayout;
    work->addWidget(InformationGroup(make, c), 1);
    work->addWidget(OperationGroup(make, c));
    rows->addLayout(work, 1);
    auto* window = new QVBoxLayout(&dialog);
    window->addWidget(frame);

    UseTemplateSpacing(dialog);
    SetTabOrder(c);
    dialog.resize(MainDialogTemplateSize(dialog.font()));
    return c;
}

}  // namespace vantrel

#include "MainDialogTemplate.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QAbstractItemView>
#include <QDialog>
#include <QEvent>
#include <QScreen>
#include <QTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <array>

#include "DialogUnits.h"
#include "XListCtrl.h"

namespace vantrel {

namespace {

// Gives an opened drop-down list the room its items take. The style's list
// window is as wide as the box and as tall as the box's text, but draws each
// item as a menu item, with room for a check mark and taller: items came out
// cut ("Ge...te") and hidden behind a scroll arrow. Once the window is laid
// out, it grows by what its items lack. Owned by the combo box.
class ListWindowFitter final : public QObject {
public:
    explicit ListWindowFitter(QComboBox& combo) : QObject(&combo), combo_(combo) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            auto* window = static_cast<QWidget*>(watched);
            QTimer::singleShot(0, this, [this, window] { Fit(*window, 2); });
        }
        return false;
    }

private:
    // passes: how many more times the window may be fitted once it is laid
    // out again (a window the screen keeps from growing is left as it is).
    void Fit(QWidget& window, int passes) const
    {
        QAbstractItemView& view = *combo_.view();
        const QSize viewport = view.viewport()->size();
        const QFontMetrics metrics = view.fontMetrics();
        int width = 0, height = 0;
        for (int row = 0; row < combo_.count(); ++row) {
            const QModelIndex index = view.model()->index(row, combo_.modelColumn());
            // A menu item's size hint is the row's width plus the room the
            // style keeps beside the text.
            const int beside = view.sizeHintForIndex(index).width() - viewport.width();
            width = std::max(width, metrics.horizontalAdvance(combo_.itemText(row)) + beside + metrics.averageCharWidth());
            height += view.sizeHintForIndex(index).height();
        }
        QSize grow(std::max(0, width - viewport.width()), std::max(0, height - viewport.height()));
        // Once every item shows, the scroll arrows are gone and leave room:
        // give it back.
        if (grow.height() == 0 && view.verticalScrollBar()->maximum() == 0)
            grow.setHeight(height - viewport.height());
        if (grow.isNull())
            return;
        QRect fitted(window.geometry().topLeft(), window.size() + grow);
        const QRect screen = combo_.screen()->availableGeometry();
        if (fitted.bottom() > screen.bottom())
            fitted.moveBottom(screen.bottom());
        if (fitted.right() > screen.right())
            fitted.moveRight(screen.right());
        window.setGeometry(fitted);
        // Laid out again with the new size: a second look trims what the
        // hidden scroll arrows left.
        if (passes > 1)
            QTimer::singleShot(0, this, [this, &window, passes] { Fit(window, passes - 1); });
    }

    QComboBox& combo_;
};

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
        widget->view()->window()->installEventFilter(new ListWindowFitter(*widget));
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

QSize MainDialogOpeningSize(QDialog& dialog, const MainDialogControls& controls, const QSize& room)
{
    QSize size = MainDialogTemplateSize(dialog.font()).expandedTo(dialog.minimumSizeHint());
    // Lay the dialog out at that size to see how wide the list comes out.
    dialog.resize(size);
    dialog.layout()->activate();
    const CXListCtrl& list = *controls.sectionList;
    const int columns = list.horizontalHeader()->length() + list.verticalScrollBar()->sizeHint().width() +
                        2 * list.frameWidth();
    size.rwidth() += std::max(0, columns - list.width());
    // What QDialog's placement allows for a frame it does not know yet.
    const QSize frame(10, 40);
    return size.boundedTo(room - frame);
}

int KeyFieldWidth(const QLineEdit& key, int digits)
{
    const QFontMetrics metrics = key.fontMetrics();
    // Advances of single characters are rounded; a run of them is not.
    int widest = 0;
    for (const QChar digit : QStringLiteral("0123456789ABCDEFabcdef"))
        widest = std::max(widest, metrics.horizontalAdvance(QString(digits, digit)));
    // The frame, the text margins and the cursor.
    return widest + 3 * metrics.averageCharWidth() + 8;
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

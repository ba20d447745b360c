#include "MainDialogTemplate.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <vector>

#include "DialogUnits.h"
#include "XListCtrl.h"

namespace vantrel {

namespace {

// Places controls on the dialog by their template rectangles.
class TemplateBuilder {
public:
    explicit TemplateBuilder(QDialog& dialog) : dialog_(dialog), units_(dialog.font()) {}

    QPushButton* button(const char* name, const QString& text, int x, int y, int w, int h)
    {
        auto* widget = place(new QPushButton(text, &dialog_), name, x, y, w, h);
        // No push button is a default button: Enter belongs to the dialog.
        widget->setAutoDefault(false);
        widget->setDefault(false);
        return widget;
    }

    // A drop-down list; h is the height of the box with its list dropped, so
    // the closed box takes the height of one edit line.
    QComboBox* dropDownList(const char* name, const QStringList& items, int x, int y, int w)
    {
        auto* widget = place(new QComboBox(&dialog_), name, x, y, w, EditHeight);
        widget->addItems(items);
        // The box may clip a long item; its opened list shows every item whole.
        const QFontMetrics metrics(dialog_.font());
        int widest = 0;
        for (const QString& item : items)
            widest = std::max(widest, metrics.horizontalAdvance(item));
        widget->view()->setMinimumWidth(widest + 4 * metrics.averageCharWidth());
        return widget;
    }

    QLineEdit* edit(const char* name, int x, int y, int w, int h)
    {
        return place(new QLineEdit(&dialog_), name, x, y, w, h);
    }

    void label(const QString& text, int x, int y, int w, int h)
    {
        auto* widget = place(new QLabel(text, &dialog_), nullptr, x, y, w, h);
        widget->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }

    void groupBox(const QString& title, int x, int y, int w, int h)
    {
        auto* widget = place(new QGroupBox(title, &dialog_), nullptr, x, y, w, h);
        widget->setAlignment(Qt::AlignHCenter);
        widget->setFocusPolicy(Qt::NoFocus);
        groups_.push_back(widget);
    }

    CXListCtrl* list(const char* name, int x, int y, int w, int h)
    {
        return place(new CXListCtrl(&dialog_), name, x, y, w, h);
    }

    // Group boxes only frame: they go beneath every control so that clicks
    // reach the controls, the outermost frame (the first) at the bottom.
    void lowerGroupBoxes(QGroupBox* outermost)
    {
        for (QGroupBox* group : groups_)
            group->lower();
        outermost->lower();
    }

    QGroupBox* lastGroupBox() const { return groups_.back(); }

    static constexpr int EditHeight = 14;

private:
    template <typename Widget>
    Widget* place(Widget* widget, const char* name, int x, int y, int w, int h)
    {
        if (name != nullptr)
            widget->setObjectName(QString::fromLatin1(name));
        widget->setGeometry(units_.rect(x, y, w, h));
        return widget;
    }

    QDialog& dialog_;
    DialogUnits units_;
    std::vector<QGroupBox*> groups_;
};

void SetUpWindow(QDialog& dialog)
{
    dialog.setWindowTitle(QStringLiteral("Vantrel Utility"));
    dialog.setFont(TemplateFont());
    // Caption, window menu and close box; no minimise, maximise or help box.
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint);
    dialog.setFixedSize(DialogUnits(dialog.font()).size(372, 276));
}

}  // namespace

MainDialogControls BuildMainDialog(QDialog& dialog)
{
    SetUpWindow(dialog);
    TemplateBuilder t(dialog);
    MainDialogControls c;
    c.browse = t.button("browseButton", QStringLiteral("..."), 311, 30, 32, 14);
    c.keyPair = t.dropDownList("keyPairCombo", {"Pelora", "Generate", "Default"}, 66, 68, 48);
    c.generate = t.button("generateButton", QStringLiteral("Generate"), 29, 90, 73, 14);
    c.keyLen = t.dropDownList("keyLenCombo", {"128", "192", "256"}, 169, 68, 48);
    c.mode = t.dropDownList("modeCombo", {"ECB", "CBC", "OFB", "CTR"}, 283, 68, 48);
    c.key = t.edit("keyEdit", 150, 90, 181, 14);
    c.purpose = t.dropDownList("purposeCombo", {"Demonstration", "Practical use"}, 303, 140, 48);
    c.entry = t.dropDownList("entryCombo", {"Single", "Multi"}, 303, 170, 48);
    c.entry->model()->sort(0);
    c.load = t.button("loadButton", QStringLiteral("Load"), 303, 200, 48, 14);
    c.save = t.button("saveButton", QStringLiteral("Save"), 303, 232, 48, 14);
    t.label(QStringLiteral("Input VNF File:"), 21, 33, 61, 8);
    c.imagePath = t.edit("imagePathEdit", 96, 31, 206, 14);
    c.imagePath->setReadOnly(true);
    t.groupBox(QStringLiteral("Information"), 14, 116, 278, 148);
    t.groupBox(QStringLiteral("Tessaro Vantrel Utility"), 10, 7, 352, 260);
    QGroupBox* outermost = t.lastGroupBox();
    t.label(QStringLiteral("Purpose:"), 308, 129, 37, 8);
    t.label(QStringLiteral("Key Len:"), 130, 70, 37, 10);
    t.label(QStringLiteral("Mode:"), 252, 71, 21, 8);
    t.label(QStringLiteral("Entry:"), 311, 159, 30, 8);
    t.groupBox(QStringLiteral("Input Parameter"), 14, 17, 343, 34);
    t.label(QStringLiteral("Key:"), 130, 91, 17, 14);
    t.label(QStringLiteral("(Hex)"), 333, 92, 21, 8);
    t.label(QStringLiteral("Key Pair:"), 22, 69, 36, 15);
    c.sectionList = t.list("sectionList", 19, 127, 267, 133);
    t.groupBox(QStringLiteral("ECDSA Options"), 14, 56, 107, 56);
    t.groupBox(QStringLiteral("AES Options"), 123, 56, 234, 56);
    t.groupBox(QStringLiteral("Operation"), 297, 116, 60, 148);
    t.lowerGroupBoxes(outermost);
    return c;
}

}  // namespace vantrel

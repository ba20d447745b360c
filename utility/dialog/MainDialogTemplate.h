#pragma once

#include <QSize>

class QComboBox;
class QDialog;
class QFont;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vantrel {

class CXListCtrl;

// The controls of the main dialog that the program reads or drives.
struct MainDialogControls {
    QLineEdit* imagePath = nullptr;    // read-only; only "..." fills it
    QPushButton* browse = nullptr;     // "..."
    QComboBox* keyPair = nullptr;
    QPushButton* generate = nullptr;
    QComboBox* keyLen = nullptr;
    QComboBox* mode = nullptr;
    QLabel* keyLabel = nullptr;        // says how many digits Key Len takes
    QLineEdit* key = nullptr;          // AES key, hexadecimal text
    CXListCtrl* sectionList = nullptr;
    QComboBox* purpose = nullptr;
    QComboBox* entry = nullptr;        // sorted: "Multi", "Single"
    QPushButton* load = nullptr;
    QPushButton* save = nullptr;
};

// The template's size, in the dialog units of font.
QSize MainDialogTemplateSize(const QFont& font);

// The size the dialog opens at on a screen whose available area is room: the
// template's, widened until the section list shows every column whole, but
// never larger than room less the window manager's frame (the layout's
// minimum still holds).
QSize MainDialogOpeningSize(QDialog& dialog, const MainDialogControls& controls, const QSize& room);

// The least width of the Key field that shows digits hexadecimal digits whole.
int KeyFieldWidth(const QLineEdit& key, int digits);

// Lays the main dialog out: its title, font and window, and every control,
// label and group box in layouts that keep the template's arrangement. The
// window opens at the template's size and can be resized; the section list
// takes the extra room and is the first to give room back. The tab order
// follows the controls top to bottom, left to right (the order of
// MainDialogControls); every button and every control's label has a
// mnemonic. The combo boxes get their items; selections, texts and the
// list's columns are left to the dialog's initialisation.
MainDialogControls BuildMainDialog(QDialog& dialog);

}  // namespace vantrel

#pragma once

class QComboBox;
class QDialog;
class QLineEdit;
class QPushButton;

namespace vantrel {

class CXListCtrl;

// The controls of the main dialog that the program reads or drives.
struct MainDialogControls {
    QPushButton* browse = nullptr;     // "..."
    QComboBox* keyPair = nullptr;
    QPushButton* generate = nullptr;
    QComboBox* keyLen = nullptr;
    QComboBox* mode = nullptr;
    QLineEdit* key = nullptr;          // AES key, hexadecimal text
    QComboBox* purpose = nullptr;
    QComboBox* entry = nullptr;        // sorted: "Multi", "Single"
    QPushButton* load = nullptr;
    QPushButton* save = nullptr;
    QLineEdit* imagePath = nullptr;    // read-only; only "..." fills it
    CXListCtrl* sectionList = nullptr;
};

// Lays the main dialog out: its title, font and fixed size, and every control,
// label and group box at its template position, converted from dialog units
// with the dialog font's metrics. Controls are created in template order, which
// is also the tab order. The combo boxes get their items; selections, texts
// and the list's columns are left to the dialog's initialisation.
MainDialogControls BuildMainDialog(QDialog& dialog);

}  // namespace vantrel

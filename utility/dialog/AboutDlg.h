#pragma once

#include <QDialog>

namespace vantrel {

// The About box: the program's icon, its name and version, and an OK button
// that closes it.
class CAboutDlg final : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace vantrel

#pragma once

#include <QDialog>

#include "MainDialogTemplate.h"
#include "QtUserInterface.h"
#include "buttons/DialogState.h"

class QAction;

namespace vantrel {

// The main dialog: the whole user interface of the program. It holds the
// state of a run (DialogState) and the controls, and routes its buttons to the
// core operations through the Qt user interface.
class CVantrelUtilityDlg final : public QDialog {
    Q_OBJECT

public:
    explicit CVantrelUtilityDlg(QWidget* parent = nullptr);
    ~CVantrelUtilityDlg() override;

    DialogState& state() { return state_; }
    QtUserInterface& userInterface() { return ui_; }
    const MainDialogControls& controls() const { return controls_; }
    // The context menu's last item, which opens the About box.
    QAction* aboutAction() const { return aboutAction_; }

    void OnBrowse();
    void OnLoad();
    void OnGenerate();
    void OnSave();
    void OnKeyLenChange();
    void OnAbout();

protected:
    // Enter presses the focused push button; elsewhere it closes the dialog.
    void keyPressEvent(QKeyEvent* event) override;
    // One image file dropped anywhere on the window is chosen as "..." would.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void OnInitDialog();
    void AddContextMenu();
    void SetUpSectionList();
    void ConnectSignals();
    // Runs a core operation under the wait cursor; an exception that escapes
    // it becomes a message instead of ending the program.
    template <typename Operation>
    void RunOperation(Operation operation);

    DialogState state_;
    MainDialogControls controls_;
    QtUserInterface ui_;
    QAction* aboutAction_ = nullptr;
};

}  // namespace vantrel

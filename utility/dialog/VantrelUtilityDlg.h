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

    // Escape, Enter, the close box and the context menu's Close end here:
    // while ticked boxes or a typed key have not been saved, the dialog asks
    // before it closes over them.
    void accept() override;
    void reject() override;
    // Ticked boxes or a typed key changed since the last Save that worked.
    bool HasUnsavedChoices() const;
    // The first time: at the opening size for the screen, before QDialog
    // centres the window on it.
    void setVisible(bool visible) override;

protected:
    // Enter presses the focused push button and does nothing in the Key
    // field; elsewhere it closes the dialog (asking first, see accept).
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
    bool MayClose();

    DialogState state_;
    MainDialogControls controls_;
    QtUserInterface ui_;
    QAction* aboutAction_ = nullptr;
    bool changedSinceSave_ = false;
    bool opened_ = false;
};

}  // namespace vantrel

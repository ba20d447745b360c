#pragma once

#include <functional>
#include <optional>
#include <string>

#include "MainDialogTemplate.h"
#include "core/UserInterface.h"

class QWidget;

namespace vantrel {

// The core's user interface over the main dialog's widgets. Messages and
// questions go to modal message boxes owned by the dialog, files come from
// a modal chooser and long work runs under a modal progress dialog; each can
// be replaced (the screenshot run and the tests do
// so).
class QtUserInterface final : public UserInterface {
public:
    using MessageSink = std::function<void(const std::string&, MessageKind)>;
    using FileChooser = std::function<std::optional<std::string>(const FileChooserRequest&)>;
    using QuestionSink = std::function<bool(const std::string&)>;
    using LongWorkRunner = std::function<void(const std::string&, const LongWork&)>;

    QtUserInterface(QWidget& owner, const MainDialogControls& controls);

    void showMessage(const std::string& text, MessageKind kind) override;
    bool askYesNo(const std::string& question) override;
    std::optional<std::string> chooseFile(const FileChooserRequest& request) override;
    void runLongWork(const std::string& title, const LongWork& work) override;
    void showKeyDigits(int digits) override;
    SectionList& sectionList() override;
    int comboSelection(Combo combo) const override;
    std::string keyText() const override;
    std::string imagePath() const override;

    void setImagePath(const std::string& path);
    // "...": an existing image; the path box changes only after OK.
    void browseForImage();

    void setMessageSink(MessageSink sink) { messageSink_ = std::move(sink); }
    void setFileChooser(FileChooser chooser) { fileChooser_ = std::move(chooser); }
    void setQuestionSink(QuestionSink sink) { questionSink_ = std::move(sink); }
    void setLongWorkRunner(LongWorkRunner runner) { longWorkRunner_ = std::move(runner); }

private:
    const MainDialogControls& controls_;
    MessageSink messageSink_;
    FileChooser fileChooser_;
    QuestionSink questionSink_;
    LongWorkRunner longWorkRunner_;
};

// A modal message box owned by owner: OK only, a warning icon for an error
// and an information icon for a success, the program's name as title.
void ShowMessageBox(QWidget* owner, const std::string& text, MessageKind kind);
// A modal question owned by owner: Yes and No (the default), the program's
// name as title. Both boxes are wide enough to show their title whole.
bool AskYesNo(QWidget* owner, const std::string& question);

}  // namespace vantrel

#pragma once

#include <functional>
#include <optional>
#include <string>

#include "core/Progress.h"
#include "core/SectionList.h"

namespace vantrel {

// The combo boxes of the main dialog, read by selected index.
enum class Combo { KeyPair, KeyLen, Mode, Purpose, Entry };

// Index meanings of the combo boxes, in the order the program sees them.
namespace KeyPairIndex { enum { Pelora = 0, Generate = 1, Default = 2 }; }
namespace KeyLenIndex { enum { Bits128 = 0, Bits192 = 1, Bits256 = 2 }; }
namespace ModeIndex { enum { ECB = 0, CBC = 1, OFB = 2, CTR = 3 }; }
namespace PurposeIndex { enum { Demonstration = 0, PracticalUse = 1 }; }
namespace EntryIndex { enum { Multi = 0, Single = 1 }; }  // the box sorts its items

// What a message reports; the dialog shows errors with a warning icon and
// successes with an information icon.
enum class MessageKind { Error, Success };

// What a file chooser is asked for.
struct FileChooserRequest {
    // false: an existing file to open; true: a save chooser, where a new name
    // may be typed and an existing file is taken only after the user agreed
    // to replace it.
    bool save = false;
    std::string title;                // what the chosen file is for
    std::string defaultExtension = "vnf";
};

// A long step of a button (a Load, a save): it passes the progress and the
// cancel check it is given into its operation's request.
using LongWork = std::function<void(const Progress& progress, const CancelCheck& cancelled)>;

// The dialog's controls as the buttons (buttons/Buttons.h) see them. The
// dialog implements it with Qt widgets and the tests with fakes; the
// operations themselves never see it, they take requests. Implementations of
// chooseFile move the process's working directory to the chosen file's
// folder where the platform's chooser does so (the dialog).
class UserInterface {
public:
    virtual ~UserInterface() = default;

    // A modal message with an OK button only.
    virtual void showMessage(const std::string& text, MessageKind kind) = 0;
    // A modal question with Yes and No; true for Yes.
    virtual bool askYesNo(const std::string& question) = 0;
    // The full path of the chosen file, or nothing when the user cancelled.
    virtual std::optional<std::string> chooseFile(const FileChooserRequest& request) = 0;

    // Runs a long step to its end. The dialog runs it on a worker thread
    // under a modal progress dialog, titled as given, that shows each
    // progress line and whose Cancel the cancel check reports; by default it
    // runs at once, with neither.
    virtual void runLongWork(const std::string& /*title*/, const LongWork& work) { work({}, {}); }

    // The Key label: how many hexadecimal digits the chosen Key Len takes.
    virtual void showKeyDigits(int digits) = 0;

    virtual SectionList& sectionList() = 0;
    virtual int comboSelection(Combo combo) const = 0;
    virtual std::string keyText() const = 0;
    virtual std::string imagePath() const = 0;
};

}  // namespace vantrel

#include "DialogSettings.h"

#include <QComboBox>
#include <QDir>
#include <QSettings>
#include <QString>

namespace vantrel {

namespace {

// Each remembered combo box with the name its selection is kept under.
struct RememberedChoice {
    const char* key;
    QComboBox* MainDialogControls::*combo;
};

constexpr RememberedChoice RememberedChoices[] = {
    {"choices/keyPair", &MainDialogControls::keyPair}, {"choices/keyLen", &MainDialogControls::keyLen},
    {"choices/mode", &MainDialogControls::mode},       {"choices/purpose", &MainDialogControls::purpose},
    {"choices/entry", &MainDialogControls::entry},
};

constexpr const char* FolderKey = "folder";

// The user's settings file is $XDG_CONFIG_HOME/vantrel/vantrel-utility.conf.
constexpr const char* SettingsOrganization = "vantrel";
constexpr const char* SettingsApplication = "vantrel-utility";

}  // namespace

void RestoreDialogSettings(const MainDialogControls& controls)
{
    const QSettings settings{QLatin1String(SettingsOrganization), QLatin1String(SettingsApplication)};
    const QString folder = settings.value(QLatin1String(FolderKey)).toString();
    if (!folder.isEmpty() && QDir(folder).exists())
        QDir::setCurrent(folder);
    for (const RememberedChoice& choice : RememberedChoices) {
        QComboBox* combo = controls.*choice.combo;
        bool isNumber = false;
        const int index = settings.value(QLatin1String(choice.key)).toInt(&isNumber);
        if (isNumber && index >= 0 && index < combo->count())
            combo->setCurrentIndex(index);
    }
}

void SaveDialogSettings(const MainDialogControls& controls)
{
    QSettings settings{QLatin1String(SettingsOrganization), QLatin1String(SettingsApplication)};
    settings.setValue(QLatin1String(FolderKey), QDir::currentPath());
    for (const RememberedChoice& choice : RememberedChoices)
        settings.setValue(QLatin1String(choice.key), (controls.*choice.combo)->currentIndex());
}

}  // namespace vantrel

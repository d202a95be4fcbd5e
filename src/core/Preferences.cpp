#include "core/Preferences.h"

#include "core/CMain.h"
#include "platform/MessageBox.h"
#include "data/DataFile.h"

#include <QDir>

const std::vector<Preference>& Preferences()
{
    static const std::vector<Preference> table = {
        {"ClipboardActive", &CMain::m_bClipboardActive, 1, -1},
        {"ShortcutsCaseSensative", &CMain::m_bShortcutsCaseSensitive, 0, -1},
        {"ClipboardMgrKeys", &CMain::m_nClipboardMgrKeys, 0, -1},
        {"EditorPath", &CMain::m_strEditorPath},
        {"MaxClipboardItems", &CMain::m_nMaxClipboardItems, 10, -1, 5, 500,
         "The maximum number of clipboard items cannot be below 5 or above 500."},
        {"AutoPasteShortcut", &CMain::m_bAutoPasteShortcut, 1, -1},
        {"database", &CMain::m_strDatabase},
        {"ClipboardAutoSave", &CMain::m_bClipboardAutoSave, 0, -1},
        {"LoadClipboardOnStartup", &CMain::m_bLoadClipboardOnStartup, 0, -1},
        // -1 ("never") is a legitimate value here, so -2 reads as missing.
        {"UpgradeToShortcut", &CMain::m_nUpgradeToShortcut, -1, -2, 2, INT_MAX, "Number of uses must be more then 1",
         true},
    };
    return table;
}

QSettings* OpenSettings()
{
    auto* settings = new QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quillbox"),
                                   QStringLiteral("Quillbox"));
    // The settings name the user's files and editor: for the user only.
    data::KeepPrivate(settings->fileName());
    return settings;
}

QString DefaultDatabasePath()
{
    QString folder = QDir::toNativeSeparators(QDir::currentPath());
    if (!folder.endsWith(QDir::separator()))
        folder += QDir::separator();
    return folder + QStringLiteral("qbdat.dbf");
}

namespace {

QString DefaultString(const char* key)
{
    return qstrcmp(key, "EditorPath") == 0 ? QStringLiteral("notepad") : DefaultDatabasePath();
}

} // namespace

bool ReadPreferences(CMain& main, QSettings& settings)
{
    bool firstRun = false;
    settings.beginGroup(QLatin1String(PreferencesGroup));
    for (const Preference& preference : Preferences()) {
        const QString key = QLatin1String(preference.key);
        if (auto field = std::get_if<int CMain::*>(&preference.field)) {
            // A value that is not a number reads as missing, like an absent one.
            bool ok = false;
            const int value = settings.value(key).toInt(&ok);
            if (!ok || value == preference.missingInt) {
                settings.setValue(key, preference.defaultInt);
                main.*(*field) = preference.defaultInt;
                if (key == QLatin1String("ClipboardActive"))
                    firstRun = true;
            } else {
                main.*(*field) = value;
            }
        } else {
            auto textField = std::get<QString CMain::*>(preference.field);
            const QString value = settings.value(key).toString();
            if (value.isEmpty()) {
                main.*textField = DefaultString(preference.key);
                settings.setValue(key, main.*textField);
            } else {
                main.*textField = value;
            }
        }
    }
    settings.endGroup();
    settings.sync();
    return firstRun;
}

bool ApplyPreference(CMain& main, const char* key, int value)
{
    for (const Preference& preference : Preferences()) {
        auto field = std::get_if<int CMain::*>(&preference.field);
        if (!field || qstrcmp(preference.key, key) != 0)
            continue;
        if (value >= preference.minInt && value <= preference.maxInt) {
            main.*(*field) = value;
            return true;
        }
        if (preference.refusal)
            platform::ShowMessage(QString::fromLatin1(preference.refusal),
                                  preference.refusalPlain ? platform::MsgStyle::Plain : platform::MsgStyle::Exclamation);
        return false;
    }
    return false;
}

void WritePreferences(const CMain& main, QSettings& settings)
{
    settings.beginGroup(QLatin1String(PreferencesGroup));
    for (const Preference& preference : Preferences()) {
        const QString key = QLatin1String(preference.key);
        if (auto field = std::get_if<int CMain::*>(&preference.field))
            settings.setValue(key, main.*(*field));
        else
            settings.setValue(key, main.*std::get<QString CMain::*>(preference.field));
    }
    settings.endGroup();
    settings.sync();
}

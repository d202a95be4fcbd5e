#include "core/Preferences.h"

#include "core/CMain.h"
#include "platform/MessageBox.h"
#include "data/DataFile.h"

#include <QDir>

const std::vector<Preference>& Preferences()
{
    using enum PreferenceControl;
    static const std::vector<Preference> table = {
        {.key = "ClipboardActive", .field = &CMain::m_bClipboardActive, .defaultInt = 1, .control = Check,
         .label = " Clipboard active"},
        {.key = "ShortcutsCaseSensative", .field = &CMain::m_bShortcutsCaseSensitive, .control = Check,
         .label = " Shortcuts are case sensative"},
        {.key = "ClipboardMgrKeys", .field = &CMain::m_nClipboardMgrKeys, .control = Choice,
         .label = "Clipboard manager keys"},
        {.key = "EditorPath", .field = &CMain::m_strEditorPath, .control = Choice, .label = "Source file text editor"},
        {.key = "MaxClipboardItems", .field = &CMain::m_nMaxClipboardItems, .defaultInt = 10, .minInt = 5,
         .maxInt = 500, .refusal = "The maximum number of clipboard items cannot be below 5 or above 500.",
         .control = Number, .label = "Maximun number of clipboard items:"},
        {.key = "AutoPasteShortcut", .field = &CMain::m_bAutoPasteShortcut, .defaultInt = 1, .control = Check,
         .label = " Auto paste shortcut"},
        {.key = "database", .field = &CMain::m_strDatabase, .control = Path, .label = "Data file location"},
        {.key = "ClipboardAutoSave", .field = &CMain::m_bClipboardAutoSave, .control = Check,
         .label = "Clipboard auto save"},
        {.key = "LoadClipboardOnStartup", .field = &CMain::m_bLoadClipboardOnStartup, .control = Check,
         .label = "Load clipboard on startup"},
        // -1 ("never") is a legitimate value here, so -2 reads as missing.
        {.key = "UpgradeToShortcut", .field = &CMain::m_nUpgradeToShortcut, .defaultInt = -1, .missingInt = -2,
         .minInt = 2, .refusal = "Number of uses must be more then 1", .refusalPlain = true,
         .control = OptionalNumber, .label = "Upgrade clipboard items to shortcuts"},
    };
    return table;
}

const Preference* FindPreference(const char* key)
{
    for (const Preference& preference : Preferences())
        if (qstrcmp(preference.key, key) == 0)
            return &preference;
    return nullptr;
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

QString DefaultText(const Preference& preference)
{
    return qstrcmp(preference.key, "EditorPath") == 0 ? QStringLiteral("notepad") : DefaultDatabasePath();
}

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
                main.*textField = DefaultText(preference);
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
    const Preference* preference = FindPreference(key);
    auto field = preference ? std::get_if<int CMain::*>(&preference->field) : nullptr;
    if (!field)
        return false;
    if (value >= preference->minInt && value <= preference->maxInt) {
        main.*(*field) = value;
        return true;
    }
    if (preference->refusal)
        platform::ShowMessage(QString::fromLatin1(preference->refusal),
                              preference->refusalPlain ? platform::MsgStyle::Plain : platform::MsgStyle::Exclamation);
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

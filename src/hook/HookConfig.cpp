#include "hook/HookConfig.h"

#include "hook/SharedBlock.h"
#include "hook/qbhook/ChordSetting.h"

#include <QDir>

namespace hook {

namespace {
qbhook::ResolvedChord Resolve(const HookConfig& config, int index)
{
    const QString value = config.Value(index);
    const QByteArray utf8 = value.toUtf8();
    return qbhook::ResolveChordSetting(qbhook::ChordSettings().at(static_cast<std::size_t>(index)),
                                       value.isNull() ? nullptr : utf8.constData(),
                                       config.SettingsFile().toStdString());
}
} // namespace

HookConfig::HookConfig()
    : m_settingsFile(QString::fromLatin1(qbhook::kDefaultSettingsFile)),
      m_sharedBlockName(hook::SharedBlockName())
{
}

HookConfig HookConfig::Load(QSettings& settings, int clipboardMgrKeys)
{
    HookConfig config;
    config.m_pair = clipboardMgrKeys == 1 ? 1 : 0;
    const QString home = QDir::homePath();
    config.m_settingsFile = settings.fileName();
    if (!home.isEmpty() && config.m_settingsFile.startsWith(home + QLatin1Char('/')))
        config.m_settingsFile = QLatin1Char('~') + config.m_settingsFile.mid(home.size());

    settings.beginGroup(QStringLiteral("Hook"));
    for (int index = 0; index < QBHOOK_CHORD_COUNT; ++index) {
        const QString key = QString::fromLatin1(qbhook::ChordSettings()[static_cast<std::size_t>(index)].key);
        if (!settings.contains(key))
            continue;
        const QVariant value = settings.value(key);
        // WORKAROUND: QSettings' INI format reads an unquoted value with a comma ("Ctrl+,")
        // as a list; joined again it is reported as the user wrote it.
        QString text = value.metaType().id() == QMetaType::QStringList
                           ? value.toStringList().join(QLatin1Char(','))
                           : value.toString();
        if (text.isNull())
            text = QLatin1String(""); // present but empty is a value, and an unreadable one
        config.m_values[static_cast<std::size_t>(index)] = text;
    }
    settings.endGroup();
    return config;
}

QString HookConfig::Value(int index) const
{
    return m_values.at(static_cast<std::size_t>(index));
}

QString HookConfig::Chord(int index) const
{
    return QString::fromStdString(Resolve(*this, index).chord.ToString());
}

bool HookConfig::InUse(int index) const
{
    return qbhook::ChordSettingInUse(static_cast<std::size_t>(index), m_pair);
}

QStringList HookConfig::FallbackMessages() const
{
    QStringList messages;
    for (int index = 0; index < QBHOOK_CHORD_COUNT; ++index) {
        if (!InUse(index))
            continue;
        const qbhook::ResolvedChord resolved = Resolve(*this, index);
        if (!resolved.fallbackText.empty())
            messages << QString::fromStdString(resolved.fallbackText);
    }
    return messages;
}

} // namespace hook

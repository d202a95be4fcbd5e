#pragma once
// Shared by the unit and ui tests: a private workspace and a record of the message boxes shown.
#include "platform/Messages.h"

#include <QDir>
#include <QList>
#include <QPair>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

// A temporary folder that is the current directory and holds the settings file for the life of the
// object, so that no test touches the user's own files.
class Workspace {
public:
    Workspace()
        : m_previous(QDir::currentPath())
    {
        QVERIFY(m_dir.isValid());
        QDir::setCurrent(m_dir.path());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.filePath(QStringLiteral("config")));
    }
    ~Workspace() { QDir::setCurrent(m_previous); }
    QString Path() const { return m_dir.path(); }
    QString File(const QString& name) const { return m_dir.filePath(name); }
    QString SettingsFile() const { return m_dir.filePath(QStringLiteral("config/Quillbox/Quillbox.conf")); }

private:
    QTemporaryDir m_dir;
    QString m_previous;
};

// Records every message box and answers it: from the queue of answers while it lasts, then with
// the default answer (OK, or No for questions).
class MessageLog {
public:
    MessageLog()
    {
        m_previous = platform::SetMessageHandler([this](const QString& text, platform::MsgStyle style) {
            m_shown.append({text, style});
            if (!m_answers.isEmpty())
                return m_answers.takeFirst();
            return style == platform::MsgStyle::Question ? platform::IDNO : platform::IDOK;
        });
    }
    ~MessageLog() { platform::SetMessageHandler(m_previous); }
    void Answer(int button) { m_answers.append(button); }
    int Count() const { return int(m_shown.size()); }
    QStringList Texts() const
    {
        QStringList texts;
        for (const auto& shown : m_shown)
            texts << shown.first;
        return texts;
    }
    QString Last() const { return m_shown.isEmpty() ? QString() : m_shown.last().first; }
    platform::MsgStyle LastStyle() const { return m_shown.last().second; }
    void Clear() { m_shown.clear(); }

private:
    QList<QPair<QString, platform::MsgStyle>> m_shown;
    QList<int> m_answers;
    platform::MessageHandler m_previous;
};

#pragma once
// Shared by the unit and ui tests: a private workspace (message boxes: ui/MessageRecorder.h).
#include <QDir>
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

#pragma once
// An error of the data file: the engine's own text, and the file it concerns.
#include <QString>
#include <stdexcept>

namespace data {

class DatabaseError : public std::runtime_error {
public:
    DatabaseError(QString engineText, QString path, int code = 0)
        : std::runtime_error(engineText.toStdString()), m_strText(std::move(engineText)), m_strPath(std::move(path)),
          m_nCode(code)
    {
    }
    // The engine's text, e.g. "database is locked".
    const QString& Text() const { return m_strText; }
    // The data file the operation used.
    const QString& Path() const { return m_strPath; }
    // The engine's result code (SQLite's extended code), 0 when the error is not the engine's.
    int Code() const { return m_nCode; }
    // What the user is shown: the file and the engine's text.
    QString UserText() const
    {
        return QStringLiteral("The data file %1 could not be used:\n%2").arg(m_strPath, m_strText);
    }

private:
    QString m_strText;
    QString m_strPath;
    int m_nCode = 0;
};

} // namespace data

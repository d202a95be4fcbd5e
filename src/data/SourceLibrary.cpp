#include "data/SourceLibrary.h"

#include "data/DataFile.h"
#include "platform/Paths.h"

namespace data {

namespace {

// An empty text is stored as the empty text, never as NULL, so the table reads back what was typed.
QString NotNull(const QString& text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

} // namespace

int AddSource(const QString& dbPath, const SourceRecord& record)
{
    Database db(dbPath);
    // The id is read and used under one write lock, so two writers cannot take the same id.
    Transaction transaction(db);
    const int id = NextRowId(db, QStringLiteral("SourceLib"), QStringLiteral("l_id"));
    db.Execute(QStringLiteral("insert into SourceLib (l_id, l_lang, l_field, l_desc, l_path, l_openwith, l_filename) "
                              "values (?1, ?2, ?3, ?4, ?5, ?6, ?7)"),
               {id, NotNull(record.lang), NotNull(record.field), NotNull(record.desc), NotNull(record.path),
                NotNull(record.openWith), NotNull(platform::FileNameOf(record.path))});
    transaction.Commit();
    return id;
}

QList<SourceRecord> LoadSources(const QString& dbPath)
{
    Database db(dbPath);
    Statement query(db, QStringLiteral("select * from SourceLib"));
    QList<SourceRecord> records;
    while (query.Next()) {
        SourceRecord record;
        record.id = query.Int("l_id");
        record.lang = query.Text("l_lang");
        record.field = query.Text("l_field");
        record.desc = query.Text("l_desc");
        record.path = query.Text("l_path");
        record.openWith = query.Text("l_openwith");
        record.fileName = query.Text("l_filename");
        records.append(record);
    }
    return records;
}

QString OpenWith(const QString& dbPath, int id)
{
    Database db(dbPath);
    Statement query(db, QStringLiteral("select l_openwith from SourceLib where l_id=?1"), {id});
    return query.Next() ? query.Text(0) : QString();
}

void DeleteSource(const QString& dbPath, int id)
{
    Database db(dbPath);
    db.Execute(QStringLiteral("delete from SourceLib where l_id=?1"), {id});
}

void DeleteAllSources(const QString& dbPath)
{
    Database db(dbPath);
    db.Execute(QStringLiteral("delete from SourceLib"));
}

} // namespace data

#include "ui/search/CSearchModel.h"

#include "data/Text.h"
#include "ui/framework/Resources.h"

namespace {

// A row shows at most this many characters of a text; a copy may be megabytes long.
constexpr int PreviewChars = 120;

QString OneLine(const QString& text)
{
    return data::OneLinePreview(text, PreviewChars);
}

QString Joined(const QString& name, const QString& detail)
{
    return detail.isEmpty() ? name : name + QStringLiteral(" \u2014 ") + OneLine(detail);
}

} // namespace

CSearchModel::CSearchModel(QObject* parent)
    : QAbstractListModel(parent),
      // Each kind shows the icon its service shows in Properties; environments have their own.
      m_icons{ui::ResourceIcon(188), ui::ResourceIcon(182), ui::ResourceIcon(181), ui::ResourceIcon(199)}
{
}

void CSearchModel::SetEntries(const std::vector<const search::Entry*>& entries)
{
    beginResetModel();
    m_entries.clear();
    for (const search::Entry* entry : entries)
        m_entries.push_back(*entry);
    endResetModel();
}

const search::Entry* CSearchModel::EntryAt(int row) const
{
    return row >= 0 && row < int(m_entries.size()) ? &m_entries[std::size_t(row)] : nullptr;
}

int CSearchModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

QString CSearchModel::RowText(const search::Entry& e)
{
    switch (e.kind) {
    case search::Kind::Shortcut: // name, description (or the text when there is none)
        return Joined(e.name, e.fields[0].isEmpty() ? e.text : e.fields[0]);
    case search::Kind::History:
        return OneLine(e.text);
    case search::Kind::Source: { // file name, description, language and category
        QStringList about;
        for (const QString& part : {e.fields[0], e.fields[1]})
            if (!part.isEmpty())
                about << part;
        const QString detail = about.isEmpty() ? e.fields[2]
                                               : (e.fields[2].isEmpty() ? QString() : e.fields[2] + QLatin1Char(' '))
                                                     + QLatin1Char('(') + about.join(QStringLiteral(", ")) + QLatin1Char(')');
        return Joined(e.name, detail);
    }
    case search::Kind::Environment:
        return Joined(e.name, e.fields[0]);
    }
    return QString();
}

QVariant CSearchModel::data(const QModelIndex& index, int role) const
{
    const search::Entry* entry = EntryAt(index.row());
    if (!entry || index.column() != 0)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return RowText(*entry);
    case Qt::DecorationRole:
        return m_icons[std::size_t(entry->kind)];
    case Qt::ToolTipRole:
        return entry->kind == search::Kind::Source ? entry->text : QVariant();
    default:
        return {};
    }
}

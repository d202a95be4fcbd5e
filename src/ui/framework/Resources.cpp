#include "ui/framework/Resources.h"

#include <QFile>

namespace ui {

QString IconPath(int number)
{
    return QStringLiteral(":/icons/%1.svg").arg(number);
}

QString BitmapPath(int number)
{
    return QStringLiteral(":/bitmaps/%1.svg").arg(number);
}

QByteArray BitmapData(int number)
{
    QFile file(BitmapPath(number));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().replace("@QB_VERSION@", QB_VERSION);
}

QIcon ResourceIcon(int number)
{
    const QString path = IconPath(number);
    // QIcon accepts any path and only fails when drawn; checking here lets callers and tests see a
    // missing resource at once.
    if (!QFile::exists(path))
        return QIcon();
    return QIcon(path);
}

} // namespace ui

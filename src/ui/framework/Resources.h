#pragma once
// Icons and bitmaps are resources identified by number, as the windows that use them name them.
#include <QIcon>
#include <QString>

namespace ui {

// ":/icons/<number>.svg"
QString IconPath(int number);
// ":/bitmaps/<number>.svg"
QString BitmapPath(int number);
// The numbered bitmap's SVG text, with @QB_VERSION@ standing for the program's version, so that the
// About picture shows the version --version prints. Empty when the resource does not exist.
QByteArray BitmapData(int number);
// The numbered icon; a null icon when the resource does not exist.
QIcon ResourceIcon(int number);

} // namespace ui

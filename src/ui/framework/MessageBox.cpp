#include "ui/framework/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

namespace ui {

int MessageBox(const QString& text, platform::MsgStyle style)
{
    // Owned by the window in front, so the box is centred on it and stays above it; the sheets are
    // always on top, and a box without an owner could open behind the sheet that asked.
    QWidget* owner = QApplication::activeModalWidget();
    if (owner == nullptr)
        owner = QApplication::activeWindow();

    QPointer<QMessageBox> box = new QMessageBox(owner);
    box->setWindowTitle(QStringLiteral("Quillbox"));
    box->setText(text);
    // Messages shown from the tray have no window in front; they must not open behind other windows.
    box->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    switch (style) {
    case platform::MsgStyle::Exclamation:
        box->setIcon(QMessageBox::Warning);
        box->setStandardButtons(QMessageBox::Ok);
        break;
    case platform::MsgStyle::Question:
        box->setIcon(QMessageBox::Question);
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setDefaultButton(QMessageBox::Yes);
        box->setEscapeButton(QMessageBox::No);
        break;
    case platform::MsgStyle::Plain:
        box->setIcon(QMessageBox::NoIcon);
        box->setStandardButtons(QMessageBox::Ok);
        break;
    }

    const int pressed = box->exec();
    // The owner may have been destroyed while the box ran (the quit path closes windows), taking
    // the box with it.
    delete box.data();

    if (style != platform::MsgStyle::Question)
        return platform::IDOK;
    return pressed == QMessageBox::Yes ? platform::IDYES : platform::IDNO;
}

void ShowNotice(const QString& text)
{
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Quillbox"), text, QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box->show();
}

void InstallMessageBoxes()
{
    platform::SetMessageHandler(&MessageBox);
}

} // namespace ui

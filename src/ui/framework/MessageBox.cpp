#include "ui/framework/MessageBox.h"

#include "core/LogCategories.h"
#include "ui/framework/ModalLoop.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

namespace ui {

namespace {
// The answer a button of the boxes with buttons of their own stands for.
const char* const kAnswer = "quillboxAnswer";
} // namespace

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
    case platform::MsgStyle::RetryQuit:
    case platform::MsgStyle::NewFileQuit: {
        box->setIcon(QMessageBox::Warning);
        QPushButton* go = style == platform::MsgStyle::RetryQuit
                              ? box->addButton(QMessageBox::Retry)
                              : box->addButton(QStringLiteral("Start New"), QMessageBox::AcceptRole);
        QPushButton* quit = box->addButton(QStringLiteral("Quit"), QMessageBox::RejectRole);
        go->setProperty(kAnswer, style == platform::MsgStyle::RetryQuit ? platform::IDRETRY : platform::IDOK);
        quit->setProperty(kAnswer, platform::IDCANCEL);
        box->setDefaultButton(go);
        box->setEscapeButton(quit);
        break;
    }
    }

    // The program may be told to quit (the tray's Quit, a signal) while the box waits for an
    // answer: the box then closes with the answer that lets it end.
    bool quitting = false;
    QTimer quitPoll;
    QObject::connect(&quitPoll, &QTimer::timeout, box.data(), [&quitting, box] {
        if (!QuitRequested() || !box)
            return;
        quitting = true;
        box->done(QMessageBox::Cancel);
    });
    quitPoll.start(kQuitPollMs);
    if (QuitRequested())
        QTimer::singleShot(0, box.data(), [&quitting, box] {
            quitting = true;
            box->done(QMessageBox::Cancel);
        });

    qCDebug(lcMessages).noquote() << "message box:" << text;
    const int pressed = box ? box->exec() : QMessageBox::Cancel;
    QAbstractButton* clicked = box ? box->clickedButton() : nullptr;
    const QVariant answer = clicked ? clicked->property(kAnswer) : QVariant();
    // The owner may have been destroyed while the box ran (the quit path closes windows), taking
    // the box with it.
    delete box.data();

    if (quitting) {
        // Nobody answered: the text still reaches the session's log.
        std::fprintf(stderr, "Quillbox: %s\n", qPrintable(text));
        return platform::QuitAnswer(style);
    }
    if (style == platform::MsgStyle::RetryQuit || style == platform::MsgStyle::NewFileQuit)
        return answer.isValid() ? answer.toInt() : platform::IDCANCEL;
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

#include "ui/search/CSearchDlg.h"

#include "core/CMain.h"
#include "core/LogCategories.h"
#include "platform/MessageBox.h"
#include "ui/framework/Resources.h"
#include "ui/framework/RunHandler.h"
#include "ui/search/CSearchModel.h"

#include <QCursor>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

CSearchDlg::CSearchDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QStringLiteral("Search"));
    setWindowIcon(ui::ResourceIcon(128));

    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::Box);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);

    m_edit = new QLineEdit(frame);
    m_edit->setPlaceholderText(QStringLiteral("Search shortcuts, clipboard, sources and environments"));
    m_edit->setAccessibleName(QStringLiteral("Search"));
    m_model = new CSearchModel(this);
    m_list = new QListView(frame);
    m_list->setModel(m_model);
    m_list->setUniformItemSizes(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setFocusPolicy(Qt::NoFocus); // the caret stays in the field; the field moves the list
    m_list->setIconSize(QSize(16, 16));
    m_list->setTextElideMode(Qt::ElideRight);
    m_list->setAccessibleName(QStringLiteral("Matches"));
    m_list->viewport()->installEventFilter(this);

    auto* layout = new QVBoxLayout(frame);
    layout->addWidget(m_edit);
    layout->addWidget(m_list);
    resize(560, 360);

    m_edit->installEventFilter(this);
    connect(m_edit, &QLineEdit::textChanged, this, [this] { ui::RunHandler([this] { OnTextChanged(); }); });
    connect(m_edit, &QLineEdit::returnPressed, this, [this] { ui::RunHandler([this] { OnUse(); }); });
    connect(m_list, &QListView::doubleClicked, this, [this](const QModelIndex& index) {
        m_list->setCurrentIndex(index);
        ui::RunHandler([this] { OnUse(); });
    });
    // The native window and the layout exist from the start, so showing costs only the showing.
    ensurePolished();
    winId();
}

void CSearchDlg::Open(platform::WindowId previous)
{
    m_previous = previous;
    m_open = true;
    const QSignalBlocker quiet(m_edit);
    m_edit->clear();
    OnTextChanged();
    m_paintNote = "shown";
    CenterOnScreen();
    show();
    raise();
    activateWindow();
    m_edit->setFocus();
    const int opening = ++m_opens;
    ReleaseKeysInFront(opening);
    // A window manager that never gives the window the focus must not leave the keys paused.
    QTimer::singleShot(1000, this, [this, opening] {
        if (m_open && opening == m_opens && !isActiveWindow())
            reject();
    });
}

void CSearchDlg::ReleaseKeysInFront(int opening)
{
    if (!m_open || opening != m_opens)
        return;
    // The keys typed since the chord come into the field once the window manager has made the window
    // active (Qt takes the focus itself first, and the window manager may hand it back to the editor
    // for a moment before); without a window manager, once Qt has it. While the keys are held, Qt
    // may not count the window as active.
    const platform::WindowId front = GetMain()->Platform().foreground->GetForegroundWindow();
    if (front == platform::WindowId(winId()) || (front == 0 && isActiveWindow())) {
        GetMain()->ReleaseKeys();
        return;
    }
    QTimer::singleShot(kFocusPollMs, this, [this, opening] { ReleaseKeysInFront(opening); });
}

void CSearchDlg::CenterOnScreen()
{
    // The screen the user works on: the one that holds the pointer.
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

void CSearchDlg::OnTextChanged()
{
    m_model->SetEntries(GetMain()->SearchIndex().Search(m_edit->text(), kRows));
    if (m_model->rowCount() > 0)
        m_list->setCurrentIndex(m_model->index(0));
    if (!m_paintNote)
        m_paintNote = "listed";
}

void CSearchDlg::OnUse()
{
    const search::Entry* found = m_model->EntryAt(m_list->currentIndex().row());
    if (!found || !m_open)
        return;
    const search::Entry entry = *found;
    Close(false);
    // Reported once everything has been done, so that nothing waits for the user's answer.
    QStringList failures;
    ui::RunHandler([&] { failures = GetMain()->UseSearchEntry(entry, m_previous); });
    for (const QString& failure : failures)
        platform::ShowMessage(failure, platform::MsgStyle::Exclamation);
    emit Closed();
}

void CSearchDlg::reject()
{
    if (!m_open)
        return;
    Close(true);
    emit Closed();
}

void CSearchDlg::Close(bool giveBack)
{
    GetMain()->ReleaseKeys(); // never active: what was typed goes on to the window in front
    m_open = false;
    m_paintNote = nullptr;
    hide();
    if (giveBack && m_previous)
        GetMain()->Platform().foreground->SetForegroundWindow(m_previous);
}

void CSearchDlg::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    // Another window took the focus: the search is over, and the focus stays where the user put it.
    if (event->type() == QEvent::ActivationChange && m_open && !isActiveWindow() && isVisible()) {
        Close(false);
        emit Closed();
    }
}

bool CSearchDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_edit && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            // The field keeps the caret; the list moves its selection.
            QCoreApplication::sendEvent(m_list, event);
            return true;
        default:
            break;
        }
    } else if (watched == m_list->viewport() && event->type() == QEvent::Paint && m_paintNote) {
        // Logged once the list has been painted and put on the screen (the next turn of the loop).
        const char* note = std::exchange(m_paintNote, nullptr);
        QTimer::singleShot(0, this, [note, rows = m_model->rowCount()] { qCDebug(lcSearch, "%s %d", note, rows); });
    }
    return QDialog::eventFilter(watched, event);
}

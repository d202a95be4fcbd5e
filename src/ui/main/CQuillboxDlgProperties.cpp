// The main window shown: the Properties dialog. Values are loaded from the controller each time it
// is shown and checked, applied and saved each time it is hidden, unless Cancel hid it.
#include "ui/main/CQuillboxDlg.h"

#include "core/CMain.h"
#include "core/Preferences.h"
#include "platform/MessageBox.h"
#include "ui/framework/CPictureCtrl.h"
#include "ui/framework/Resources.h"
#include "ui/framework/RunHandler.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QLabel* IconLabel(int number, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setPixmap(ui::ResourceIcon(number).pixmap(32, 32));
    return label;
}

QFrame* EtchedLine(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QSpinBox* NumberEdit(QWidget* parent)
{
    // Digits only: a text that is not a number cannot be entered.
    auto* edit = new QSpinBox(parent);
    edit->setRange(0, 99999);
    edit->setButtonSymbols(QAbstractSpinBox::NoButtons);
    edit->setMaximumWidth(70);
    return edit;
}

} // namespace

void CQuillboxDlg::BuildProperties()
{
    Controls& c = m_controls;
    auto* strip = new CPictureCtrl(157, QSize(80, 360), this);

    m_tab = new QTabWidget(this);

    // General
    auto* general = new QWidget;
    {
        auto* grid = new QGridLayout(general);
        grid->addWidget(IconLabel(180, general), 0, 0, 2, 1, Qt::AlignTop);
        auto* heading = new QHBoxLayout;
        heading->addWidget(new QLabel(QStringLiteral("Data file location"), general));
        heading->addWidget(EtchedLine(general), 1);
        grid->addLayout(heading, 0, 1, 1, 2);
        c.dataFile = new QLineEdit(general);
        c.dataFile->setReadOnly(true);
        grid->addWidget(c.dataFile, 1, 1);
        m_btnBrowse = new QPushButton(QStringLiteral("..."), general);
        m_btnBrowse->setMaximumWidth(32);
        grid->addWidget(m_btnBrowse, 1, 2);
        grid->setRowStretch(2, 1);
        grid->setColumnStretch(1, 1);
    }

    // Clipboard
    auto* clipboard = new QWidget;
    {
        auto* grid = new QGridLayout(clipboard);
        grid->addWidget(IconLabel(182, clipboard), 0, 0, Qt::AlignTop);
        auto* column = new QVBoxLayout;
        c.clipboardActive = new QCheckBox(QStringLiteral(" Clipboard active"), clipboard);
        column->addWidget(c.clipboardActive);
        auto* maxRow = new QHBoxLayout;
        maxRow->addWidget(new QLabel(QStringLiteral("Maximun number of clipboard items:"), clipboard));
        c.maxItems = NumberEdit(clipboard);
        maxRow->addWidget(c.maxItems);
        maxRow->addStretch();
        column->addLayout(maxRow);
        c.autoSave = new QCheckBox(QStringLiteral("Clipboard auto save"), clipboard);
        c.loadOnStartup = new QCheckBox(QStringLiteral("Load clipboard on startup"), clipboard);
        column->addWidget(c.autoSave);
        column->addWidget(c.loadOnStartup);
        grid->addLayout(column, 0, 1);
        grid->addWidget(IconLabel(198, clipboard), 1, 0, Qt::AlignTop);
        auto* keys = new QGroupBox(QStringLiteral("Clipboard manager keys"), clipboard);
        auto* keysLayout = new QHBoxLayout(keys);
        c.ctrlShift = new QRadioButton(QStringLiteral("Ctrl + Shift"), keys);
        c.ctrlAlt = new QRadioButton(QStringLiteral("Ctrl + Alt"), keys);
        keysLayout->addWidget(c.ctrlShift);
        keysLayout->addWidget(c.ctrlAlt);
        c.keys = new QButtonGroup(this);
        c.keys->addButton(c.ctrlShift, 0);
        c.keys->addButton(c.ctrlAlt, 1);
        grid->addWidget(keys, 1, 1);
        grid->setRowStretch(2, 1);
        grid->setColumnStretch(1, 1);
    }

    // Shortcut
    auto* shortcut = new QWidget;
    {
        auto* grid = new QGridLayout(shortcut);
        grid->addWidget(IconLabel(188, shortcut), 0, 0, Qt::AlignTop);
        auto* column = new QVBoxLayout;
        c.caseSensitive = new QCheckBox(QStringLiteral(" Shortcuts are case sensative"), shortcut);
        c.autoPaste = new QCheckBox(QStringLiteral(" Auto paste shortcut"), shortcut);
        column->addWidget(c.caseSensitive);
        column->addWidget(c.autoPaste);
        auto* group = new QGroupBox(shortcut);
        auto* groupLayout = new QVBoxLayout(group);
        c.upgrade = new QCheckBox(QStringLiteral("Upgrade clipboard items to shortcuts"), group);
        groupLayout->addWidget(c.upgrade);
        auto* usesRow = new QHBoxLayout;
        c.after = new QLabel(QStringLiteral("After"), group);
        c.uses = NumberEdit(group);
        c.usesLabel = new QLabel(QStringLiteral("Uses"), group);
        c.after->setBuddy(c.uses);
        usesRow->addWidget(c.after);
        usesRow->addWidget(c.uses);
        usesRow->addWidget(c.usesLabel);
        usesRow->addStretch();
        groupLayout->addLayout(usesRow);
        column->addWidget(group);
        grid->addLayout(column, 0, 1);
        grid->setRowStretch(1, 1);
        grid->setColumnStretch(1, 1);
    }

    // Source library
    auto* sources = new QWidget;
    {
        auto* grid = new QGridLayout(sources);
        grid->addWidget(IconLabel(181, sources), 0, 0, Qt::AlignTop);
        auto* group = new QGroupBox(QStringLiteral("Source file text editor"), sources);
        auto* groupLayout = new QVBoxLayout(group);
        c.notepad = new QRadioButton(QStringLiteral("Windows notepad"), group);
        c.notepad->setToolTip(QStringLiteral("The desktop's default text editor"));
        c.customEditor = new QRadioButton(QStringLiteral("Custom editor"), group);
        groupLayout->addWidget(c.notepad);
        groupLayout->addWidget(c.customEditor);
        c.editor = new QButtonGroup(this);
        c.editor->addButton(c.notepad, 0);
        c.editor->addButton(c.customEditor, 1);
        grid->addWidget(group, 0, 1);
        grid->setRowStretch(1, 1);
        grid->setColumnStretch(1, 1);
    }

    m_tab->addTab(general, QStringLiteral("General"));
    m_tab->addTab(clipboard, QStringLiteral("Clipboard"));
    m_tab->addTab(shortcut, QStringLiteral("Shortcut"));
    m_tab->addTab(sources, QStringLiteral("Source library"));

    c.cancel = new QPushButton(QStringLiteral("Cancel"), this);
    c.ok = new QPushButton(QStringLiteral("Ok"), this);
    c.ok->setDefault(true);

    auto* right = new QVBoxLayout;
    right->addWidget(m_tab, 1);
    right->addWidget(EtchedLine(this));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(c.cancel);
    buttons->addWidget(c.ok);
    right->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(strip, 0, Qt::AlignTop);
    layout->addLayout(right, 1);

    connect(c.ok, &QPushButton::clicked, this, [this] { OnOk(); });
    connect(c.cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
    connect(m_btnBrowse, &QPushButton::clicked, this, [this] { ui::RunHandler([this] { OnBrowseDataFile(); }); });
    connect(c.notepad, &QRadioButton::clicked, this, [this] { OnWindowsNotepad(); });
    connect(c.customEditor, &QRadioButton::clicked, this, [this] { OnCustomEditor(); });
    connect(c.upgrade, &QCheckBox::clicked, this, [this] { OnUpgrade(); });
}

bool CQuillboxDlg::UpdateData(bool saveAndValidate)
{
    Controls& c = m_controls;
    // A number edit takes digits only, so the one text that is no number is an empty edit: the
    // transfer stops there with a message, and the members after it keep their earlier values.
    const auto isNumber = [](QSpinBox* edit) {
        if (!edit->cleanText().trimmed().isEmpty())
            return true;
        platform::ShowMessage(QStringLiteral("Please enter an integer."), platform::MsgStyle::Exclamation);
        return false;
    };
    if (saveAndValidate) {
        m_bClipboardActive = c.clipboardActive->isChecked();
        m_bCaseSensitive = c.caseSensitive->isChecked();
        m_nClipboardKeys = c.keys->checkedId() < 0 ? 0 : c.keys->checkedId();
        m_nEditor = c.editor->checkedId() < 0 ? 0 : c.editor->checkedId();
        if (!isNumber(c.maxItems))
            return false;
        c.maxItems->interpretText();
        m_nMaxClipboardItems = c.maxItems->value();
        m_bAutoPaste = c.autoPaste->isChecked();
        m_strDataFile = c.dataFile->text();
        m_bAutoSave = c.autoSave->isChecked();
        m_bLoadOnStartup = c.loadOnStartup->isChecked();
        m_bUpgrade = c.upgrade->isChecked();
        if (!isNumber(c.uses))
            return false;
        c.uses->interpretText();
        m_nUses = c.uses->value();
        return true;
    }
    c.clipboardActive->setChecked(m_bClipboardActive);
    c.caseSensitive->setChecked(m_bCaseSensitive);
    (m_nClipboardKeys == 1 ? c.ctrlAlt : c.ctrlShift)->setChecked(true);
    (m_nEditor == 1 ? c.customEditor : c.notepad)->setChecked(true);
    c.maxItems->setValue(m_nMaxClipboardItems);
    c.autoPaste->setChecked(m_bAutoPaste);
    c.dataFile->setText(m_strDataFile);
    c.autoSave->setChecked(m_bAutoSave);
    c.loadOnStartup->setChecked(m_bLoadOnStartup);
    c.upgrade->setChecked(m_bUpgrade);
    c.uses->setValue(m_nUses);
    return true;
}

void CQuillboxDlg::TakeValuesFromMain(const CMain& main)
{
    m_bClipboardActive = main.m_bClipboardActive;
    m_bCaseSensitive = main.m_bShortcutsCaseSensitive;
    m_nClipboardKeys = main.m_nClipboardMgrKeys;
    m_nMaxClipboardItems = main.m_nMaxClipboardItems;
    m_bAutoPaste = main.m_bAutoPasteShortcut;
    m_nEditor = main.m_strEditorPath == QLatin1String("notepad") ? 0 : 1;
}

void CQuillboxDlg::EnableUses(bool enable)
{
    m_controls.after->setEnabled(enable);
    m_controls.uses->setEnabled(enable);
    m_controls.usesLabel->setEnabled(enable);
}

void CQuillboxDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        OnShowWindow(true);
}

void CQuillboxDlg::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (!event->spontaneous())
        OnShowWindow(false);
}

void CQuillboxDlg::OnShowWindow(bool show)
{
    CMain* main = GetMain();
    if (m_bCancel) {
        m_bCancel = 0;
        return;
    }
    if (show) {
        TakeValuesFromMain(*main);
        m_strDataFile = main->m_strDatabase;
        m_bLoadOnStartup = main->m_bLoadClipboardOnStartup;
        m_bAutoSave = main->m_bClipboardAutoSave;
        m_bUpgrade = main->m_nUpgradeToShortcut != -1;
        m_nUses = m_bUpgrade ? main->m_nUpgradeToShortcut : 5;
        EnableUses(m_bUpgrade);
        UpdateData(false);
        return;
    }
    UpdateData(true);
    const bool keysChanged = main->m_nClipboardMgrKeys != m_nClipboardKeys;
    main->m_bClipboardActive = m_bClipboardActive;
    main->m_bShortcutsCaseSensitive = m_bCaseSensitive;
    main->m_nClipboardMgrKeys = m_nClipboardKeys;
    main->m_bAutoPasteShortcut = m_bAutoPaste;
    main->m_strDatabase = m_strDataFile;
    ApplyPreference(*main, "MaxClipboardItems", m_nMaxClipboardItems);
    main->m_bLoadClipboardOnStartup = m_bLoadOnStartup;
    main->SetClipboardAutoSave(m_bAutoSave != 0);
    if (!m_bUpgrade)
        main->m_nUpgradeToShortcut = -1;
    else
        ApplyPreference(*main, "UpgradeToShortcut", m_nUses);
    main->SavePreferences();
    // The helper grabs only the chosen clipboard manager keys: a new choice takes effect now.
    if (keysChanged)
        main->ReinstallHook();
}

void CQuillboxDlg::OnOk()
{
    hide();
}

void CQuillboxDlg::OnCancel()
{
    m_bCancel = 1;
    hide();
}

void CQuillboxDlg::reject()
{
    // Esc cancels, as the Cancel button does.
    OnCancel();
}

void CQuillboxDlg::closeEvent(QCloseEvent* event)
{
    // The close box applies and saves, as Ok does.
    event->ignore();
    hide();
}

void CQuillboxDlg::OnBrowseDataFile()
{
    UpdateData(true);
    const QString file = QFileDialog::getOpenFileName(this, QString(), QString(),
                                                      QStringLiteral("Program files (*.dbf);;All files (*)"));
    if (file.isEmpty())
        return;
    CMain* main = GetMain();
    const QString previous = main->m_strDatabase;
    main->m_strDatabase = QDir::toNativeSeparators(file);
    try {
        main->ReloadShortcuts();
    } catch (...) {
        // A file that is no data file leaves the one in use in place.
        main->m_strDatabase = previous;
        throw;
    }
    m_strDataFile = main->m_strDatabase;
    UpdateData(false);
}

void CQuillboxDlg::OnWindowsNotepad()
{
    GetMain()->m_strEditorPath = QStringLiteral("notepad");
}

void CQuillboxDlg::OnCustomEditor()
{
    const QString file = QFileDialog::getOpenFileName(this, QString(), QString(),
                                                      QStringLiteral("Program files (*);;All files (*)"));
    if (!file.isEmpty())
        GetMain()->m_strEditorPath = file;
}

void CQuillboxDlg::OnUpgrade()
{
    UpdateData(true);
    EnableUses(m_bUpgrade);
}

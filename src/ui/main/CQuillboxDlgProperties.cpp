// The main window shown: the Properties dialog. Values are loaded from the controller each time it
// is shown and checked, applied and saved each time it is hidden, unless Cancel hid it.
#include "ui/main/CQuillboxDlg.h"

#include "core/CMain.h"
#include "core/Preferences.h"
#include "platform/MessageBox.h"
#include "ui/framework/CPictureCtrl.h"
#include "ui/framework/Resources.h"
#include "ui/framework/RunHandler.h"

#include <QAbstractButton>
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

// The text of a preference's control, from the preference table.
QString Label(const char* key)
{
    return QString::fromLatin1(FindPreference(key)->label);
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
        heading->addWidget(new QLabel(Label("database"), general));
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
        c.clipboardActive = new QCheckBox(Label("ClipboardActive"), clipboard);
        column->addWidget(c.clipboardActive);
        auto* maxRow = new QHBoxLayout;
        maxRow->addWidget(new QLabel(Label("MaxClipboardItems"), clipboard));
        c.maxItems = NumberEdit(clipboard);
        maxRow->addWidget(c.maxItems);
        maxRow->addStretch();
        column->addLayout(maxRow);
        c.autoSave = new QCheckBox(Label("ClipboardAutoSave"), clipboard);
        c.loadOnStartup = new QCheckBox(Label("LoadClipboardOnStartup"), clipboard);
        column->addWidget(c.autoSave);
        column->addWidget(c.loadOnStartup);
        grid->addLayout(column, 0, 1);
        grid->addWidget(IconLabel(198, clipboard), 1, 0, Qt::AlignTop);
        auto* keys = new QGroupBox(Label("ClipboardMgrKeys"), clipboard);
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
        c.caseSensitive = new QCheckBox(Label("ShortcutsCaseSensative"), shortcut);
        c.autoPaste = new QCheckBox(Label("AutoPasteShortcut"), shortcut);
        column->addWidget(c.caseSensitive);
        column->addWidget(c.autoPaste);
        auto* group = new QGroupBox(shortcut);
        auto* groupLayout = new QVBoxLayout(group);
        c.upgrade = new QCheckBox(Label("UpgradeToShortcut"), group);
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
        auto* group = new QGroupBox(Label("EditorPath"), sources);
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

    m_exchange = {
        {"ClipboardActive", &m_bClipboardActive, c.clipboardActive},
        {"ShortcutsCaseSensative", &m_bCaseSensitive, c.caseSensitive},
        {"ClipboardMgrKeys", &m_nClipboardKeys, c.keys},
        {"EditorPath", &m_nEditor, c.editor},
        {"MaxClipboardItems", &m_nMaxClipboardItems, c.maxItems},
        {"AutoPasteShortcut", &m_bAutoPaste, c.autoPaste},
        {"database", &m_strDataFile, c.dataFile},
        {"ClipboardAutoSave", &m_bAutoSave, c.autoSave},
        {"LoadClipboardOnStartup", &m_bLoadOnStartup, c.loadOnStartup},
        {"UpgradeToShortcut", &m_bUpgrade, c.upgrade},
        {"UpgradeToShortcut", &m_nUses, c.uses},
    };

    connect(c.ok, &QPushButton::clicked, this, [this] { OnOk(); });
    connect(c.cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
    connect(m_btnBrowse, &QPushButton::clicked, this, [this] { ui::RunHandler([this] { OnBrowseDataFile(); }); });
    connect(c.notepad, &QRadioButton::clicked, this, [this] { OnWindowsNotepad(); });
    connect(c.customEditor, &QRadioButton::clicked, this, [this] { OnCustomEditor(); });
    connect(c.upgrade, &QCheckBox::clicked, this, [this] { OnUpgrade(); });
}

bool CQuillboxDlg::UpdateData(bool saveAndValidate)
{
    for (const Exchange& row : m_exchange) {
        if (auto* edit = qobject_cast<QLineEdit*>(row.control)) {
            QString& text = *std::get<QString*>(row.member);
            saveAndValidate ? void(text = edit->text()) : edit->setText(text);
            continue;
        }
        int& value = *std::get<int*>(row.member);
        if (auto* number = qobject_cast<QSpinBox*>(row.control)) {
            if (!saveAndValidate) {
                number->setValue(value);
                continue;
            }
            // A number edit takes digits only, so the one text that is no number is an empty edit:
            // the transfer stops there with a message, and the members after it keep their values.
            if (number->cleanText().trimmed().isEmpty()) {
                platform::ShowMessage(QStringLiteral("Please enter an integer."), platform::MsgStyle::Exclamation);
                return false;
            }
            number->interpretText();
            value = number->value();
        } else if (auto* box = qobject_cast<QAbstractButton*>(row.control)) {
            saveAndValidate ? void(value = box->isChecked()) : box->setChecked(value);
        } else if (auto* group = qobject_cast<QButtonGroup*>(row.control)) {
            if (saveAndValidate)
                value = group->checkedId() < 0 ? 0 : group->checkedId();
            else
                group->button(value == 1 ? 1 : 0)->setChecked(true);
        }
    }
    return true;
}

void CQuillboxDlg::LoadMembers(const CMain& main)
{
    for (const Exchange& row : m_exchange) {
        const Preference& preference = *FindPreference(row.key);
        if (auto* text = std::get_if<QString*>(&row.member)) {
            **text = main.*std::get<QString CMain::*>(preference.field);
            continue;
        }
        int& member = *std::get<int*>(row.member);
        if (auto* textField = std::get_if<QString CMain::*>(&preference.field)) {
            member = main.*(*textField) == DefaultText(preference) ? 0 : 1;
            continue;
        }
        const int value = main.*std::get<int CMain::*>(preference.field);
        if (preference.control != PreferenceControl::OptionalNumber)
            member = value;
        else if (qobject_cast<QSpinBox*>(row.control))
            member = value == -1 ? 5 : value; // the uses shown while upgrading is off
        else
            member = value != -1;
    }
}

void CQuillboxDlg::StoreMembers(CMain& main)
{
    bool optionalOn = false;
    for (const Exchange& row : m_exchange) {
        const Preference& preference = *FindPreference(row.key);
        if (auto* text = std::get_if<QString*>(&row.member)) {
            main.*std::get<QString CMain::*>(preference.field) = **text;
            continue;
        }
        if (std::holds_alternative<QString CMain::*>(preference.field))
            continue; // the editor's buttons set the editor themselves
        const int member = *std::get<int*>(row.member);
        if (preference.control != PreferenceControl::OptionalNumber)
            ApplyPreference(main, preference.key, member);
        else if (!qobject_cast<QSpinBox*>(row.control))
            optionalOn = member != 0;
        else if (!optionalOn)
            main.*std::get<int CMain::*>(preference.field) = -1;
        else
            ApplyPreference(main, preference.key, member);
    }
    main.SetClipboardAutoSave(main.m_bClipboardAutoSave != 0);
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
        LoadMembers(*main);
        EnableUses(m_bUpgrade);
        UpdateData(false);
        return;
    }
    UpdateData(true);
    const bool keysChanged = main->m_nClipboardMgrKeys != m_nClipboardKeys;
    StoreMembers(*main);
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

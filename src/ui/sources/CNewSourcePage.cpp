#include "ui/sources/CNewSourcePage.h"

#include "core/CMain.h"
#include "data/ColumnWidths.h"
#include "data/SourceLibrary.h"
#include "data/Text.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "ui/framework/CIconButton.h"
#include "ui/framework/RunHandler.h"
#include "ui/framework/TextLimit.h"

#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// The languages offered, shown sorted; "Other" follows them as the last entry.
QStringList Languages()
{
    QStringList languages{QStringLiteral("Java"),   QStringLiteral("MFC"),          QStringLiteral("C++"),
                          QStringLiteral("C"),      QStringLiteral("Visual basic"), QStringLiteral("SQL"),
                          QStringLiteral("Perl"),   QStringLiteral("Delphi"),       QStringLiteral("PowerBuilder"),
                          QStringLiteral("Pascal"), QStringLiteral("Document")};
    std::sort(languages.begin(), languages.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    languages.append(QStringLiteral("Other"));
    return languages;
}

} // namespace

CNewSourcePage::CNewSourcePage(QWidget* parent)
    : CPropertyPage(QStringLiteral("New source file"), parent)
{
    m_comboLang = new QComboBox(this);
    m_comboLang->setEditable(true);
    // A typed language is used as typed; it does not join the list.
    m_comboLang->setInsertPolicy(QComboBox::NoInsert);
    m_comboLang->addItems(Languages());
    m_comboLang->setCurrentIndex(-1);
    m_comboLang->setEditText(QString());
    ui::LimitChars(m_comboLang->lineEdit(), data::kSourceLangWidth);
    m_editCategory = new QLineEdit(this);
    ui::LimitChars(m_editCategory, data::kSourceFieldWidth);
    m_editDesc = new QLineEdit(this);
    ui::LimitChars(m_editDesc, data::kSourceDescWidth);
    m_editPath = new QLineEdit(this);
    ui::LimitChars(m_editPath, data::kSourcePathWidth);
    m_btnBrowse = new CIconButton(151, QStringLiteral("Browse"), this);
    m_btnAdd = new CIconButton(153, QStringLiteral("Add source file to library"), this);

    auto* group = new QGroupBox(QStringLiteral("Open with"), this);
    m_radioEditor = new QRadioButton(QStringLiteral("Text editor"), group);
    m_radioAssoc = new QRadioButton(QStringLiteral("Associated application"), group);
    m_radioEditor->setChecked(true);
    auto* radios = new QVBoxLayout(group);
    radios->addWidget(m_radioEditor);
    radios->addWidget(m_radioAssoc);

    auto* grid = new QGridLayout(this);
    auto label = [this](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->setBuddy(buddy);
        return l;
    };
    grid->addWidget(label(QStringLiteral("Language:"), m_comboLang), 0, 0);
    grid->addWidget(m_comboLang, 0, 1);
    grid->addWidget(m_btnAdd, 0, 2, Qt::AlignRight | Qt::AlignTop);
    grid->addWidget(label(QStringLiteral("Category:"), m_editCategory), 1, 0);
    grid->addWidget(m_editCategory, 1, 1);
    grid->addWidget(label(QStringLiteral("Description:"), m_editDesc), 2, 0);
    grid->addWidget(m_editDesc, 2, 1);
    grid->addWidget(label(QStringLiteral("File path:"), m_editPath), 3, 0);
    grid->addWidget(m_editPath, 3, 1);
    grid->addWidget(m_btnBrowse, 3, 2, Qt::AlignLeft);
    grid->addWidget(group, 4, 0, 1, 3);
    grid->setRowStretch(5, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnMinimumWidth(1, 280);

    connect(m_btnAdd, &CIconButton::clicked, this, [this] { ui::RunHandler([this] { OnAdd(); }); });
    connect(m_btnBrowse, &CIconButton::clicked, this, [this] { ui::RunHandler([this] { OnBrowse(); }); });
}

void CNewSourcePage::OnBrowse()
{
    // Starts where the file typed so far lies, when that folder exists here; cancelled, it gives
    // nothing and the path stays as it was.
    const QString chosen = QFileDialog::getOpenFileName(this, QString(), platform::FolderOf(m_editPath->text()),
                                                        QStringLiteral("All files (*)"));
    // A path the field cannot hold whole is refused, not cut: the path typed so far stays.
    if (!chosen.isEmpty() && ui::CheckWidths({{QStringLiteral("File path"), chosen, data::kSourcePathWidth}}))
        m_editPath->setText(chosen);
}

void CNewSourcePage::OnAdd()
{
    data::SourceRecord record;
    record.lang = m_comboLang->currentText();
    record.field = m_editCategory->text();
    record.desc = m_editDesc->text();
    record.path = m_editPath->text();
    record.openWith = m_radioAssoc->isChecked() ? data::kOpenWithAssociated : data::kOpenWithEditor;

    const auto refuse = [](const QString& text) { platform::ShowMessage(text, platform::MsgStyle::Exclamation); };
    if (record.lang.isEmpty())
        return refuse(QStringLiteral("Please select a language from the combo box."));
    if (record.field.isEmpty())
        return refuse(QStringLiteral("Please select a category."));
    if (record.path.isEmpty())
        return refuse(QStringLiteral("Please select a file."));
    if (!ui::CheckWidths({{QStringLiteral("Language"), record.lang, data::kSourceLangWidth},
                          {QStringLiteral("Category"), record.field, data::kSourceFieldWidth},
                          {QStringLiteral("Description"), record.desc, data::kSourceDescWidth},
                          {QStringLiteral("File path"), record.path, data::kSourcePathWidth}}))
        return;
    // The list shows the file's name in a column of its own, which is narrower.
    if (const int length = data::CharCount(platform::FileNameOf(record.path)); length > data::kSourceFileNameWidth)
        return refuse(QStringLiteral("The file name in \"File path\" can hold at most %1 characters; it has %2. "
                                     "Please choose a file with a shorter name.")
                          .arg(data::kSourceFileNameWidth)
                          .arg(length));

    // A refused row throws past the clearing: the page keeps what was typed.
    GetMain()->AddSource(record);
    Clear();
}

void CNewSourcePage::Clear()
{
    m_comboLang->setCurrentIndex(-1);
    m_comboLang->setEditText(QString());
    m_editCategory->clear();
    m_editDesc->clear();
    m_editPath->clear();
    m_radioEditor->setChecked(true);
    m_comboLang->setFocus();
}
